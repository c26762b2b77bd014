// The main window's line on the page options Print will use.

#include "ui/optionssummary.h"

#include <QFontMetrics>

#include <algorithm>

OptionsSummary::OptionsSummary(PageOptionsModel& model, const QRect& band, QWidget* window)
    : QLabel(window), model_(&model), band_(band)
{
    setObjectName(QStringLiteral("optionssummary"));
    setAccessibleName(QStringLiteral("Page options Print uses"));
    // Over the rule it sits on, which shows again on either side of it.
    setAutoFillBackground(true);
    setAlignment(Qt::AlignCenter);
    connect(&model, &PageOptionsModel::changed, this, &OptionsSummary::follow);
    follow();
}

void OptionsSummary::follow()
{
    const QString summary = model_ ? model_->summary() : QString();
    setToolTip(summary.isEmpty() ? QString()
                                 : QStringLiteral("Print uses these page options of the "
                                                  "preview: %1. Reset there brings back the "
                                                  "designed page.")
                                       .arg(summary));
    setVisible(!summary.isEmpty());
    if (summary.isEmpty())
        return;
    const QFontMetrics metrics(font());
    const int padding = metrics.horizontalAdvance(QLatin1Char(' '));
    const QString shown =
        metrics.elidedText(summary, Qt::ElideRight, std::max(0, band_.width() - 2 * padding));
    setText(shown);
    const int width = std::min(band_.width(), metrics.horizontalAdvance(shown) + 2 * padding);
    const int height = std::min(band_.height(), metrics.height());
    setGeometry(band_.right() + 1 - width, band_.top() + (band_.height() - height) / 2, width,
                height);
}
