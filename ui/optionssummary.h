#pragma once

// What Print will use of the page options when they are not the defaults,
// in a line of the main window's free space (above Print, on the rule); hidden
// at the defaults.

#include "ui/preview/pageoptionsmodel.h"

#include <QLabel>
#include <QPointer>
#include <QRect>

class OptionsSummary : public QLabel {
    Q_OBJECT
public:
    // Follows `model`, at the right end of `band` (in `window`'s pixels,
    // where no control is) and centred on it from top to bottom.
    OptionsSummary(PageOptionsModel& model, const QRect& band, QWidget* window);

private:
    void follow();

    QPointer<PageOptionsModel> model_;
    QRect band_;
};
