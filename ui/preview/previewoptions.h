#pragma once

// The preview's own page options: paper, sample range, pages, time axis.

#include "printing/page/pagelayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QString>
#include <QWidget>

#include <optional>

class PreviewOptions : public QWidget {
    Q_OBJECT
public:
    explicit PreviewOptions(QWidget* parent = nullptr);

    // The options as set, or nullopt with `problem` saying what is wrong
    // with them for a capture of `samplecount` samples.
    std::optional<PageOptions> options(QString* problem, int samplecount) const;
    // A number still being typed counts now, as it would once Enter or a
    // click elsewhere took it.
    void takeTyping();

    QComboBox* paper;
    QSpinBox* from;
    QSpinBox* to;
    QSpinBox* pages;
    QCheckBox* timeaxis;

signals:
    void changed();
};
