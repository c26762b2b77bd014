#pragma once

// The preview's widgets for the page options it shares with Print: paper,
// sample range, pages, time axis, bus lanes, and Reset back to the
// defaults. They show the options held and write every edit back.

#include "ui/preview/buseditor.h"
#include "ui/preview/pageoptionsmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

class PreviewOptions : public QWidget {
    Q_OBJECT
public:
    explicit PreviewOptions(PageOptionsModel& model, QWidget* parent = nullptr);

    // A number still being typed counts now, as it would once Enter or a
    // click elsewhere took it.
    void takeTyping();

    QComboBox* paper;
    QSpinBox* from;
    QSpinBox* to;
    QSpinBox* pages;
    QCheckBox* timeaxis;
    QPushButton* reset;
    BusEditor* buses;

private:
    // The options on the widgets, and back.
    void showOptions(const PageOptions& options);
    PageOptions readOptions() const;

    QPointer<PageOptionsModel> model_;
};
