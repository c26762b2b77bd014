// The preview's page options and their check.

#include "ui/preview/previewoptions.h"

#include "capture/csvcapture.h"
#include "util/fault.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

QSpinBox* spinBox(QWidget* parent, const QString& name, int lowest, int highest, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(lowest, highest);
    box->setValue(value);
    box->setKeyboardTracking(false);
    return box;
}

QLabel* labelFor(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

PreviewOptions::PreviewOptions(QWidget* parent) : QWidget(parent)
{
    paper = new QComboBox(this);
    paper->setObjectName(QStringLiteral("paper"));
    paper->addItems(paperNames());
    // As many as a CSV capture has.
    const int samples = csv::sampleCount;
    from = spinBox(this, QStringLiteral("from"), 0, samples - 1, 0);
    to = spinBox(this, QStringLiteral("to"), 0, samples - 1, samples - 1);
    pages = spinBox(this, QStringLiteral("pages"), 1, samples, 1);
    timeaxis = new QCheckBox(QStringLiteral("Time &axis"), this);
    timeaxis->setObjectName(QStringLiteral("timeaxis"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(labelFor(this, QStringLiteral("Pape&r"), paper));
    row->addWidget(paper);
    row->addSpacing(12);
    row->addWidget(labelFor(this, QStringLiteral("Samples fro&m"), from));
    row->addWidget(from);
    row->addWidget(labelFor(this, QStringLiteral("&to"), to));
    row->addWidget(to);
    row->addSpacing(12);
    row->addWidget(labelFor(this, QStringLiteral("Pa&ges"), pages));
    row->addWidget(pages);
    row->addSpacing(12);
    row->addWidget(timeaxis);
    row->addStretch(1);

    connect(paper, &QComboBox::currentIndexChanged, this, &PreviewOptions::changed);
    for (QSpinBox* box : {from, to, pages})
        connect(box, &QSpinBox::valueChanged, this, &PreviewOptions::changed);
    connect(timeaxis, &QCheckBox::toggled, this, &PreviewOptions::changed);
}

std::optional<PageOptions> PreviewOptions::options(QString* problem, int samplecount) const
{
    PageOptions options;
    options.paper = paperNamed(paper->currentText()).value_or(Paper::Tabloid);
    options.firstsample = from->value();
    options.lastsample = to->value();
    options.pages = pages->value();
    options.timeaxis = timeaxis->isChecked();
    try {
        pageLayouts(options, samplecount);
    } catch (const Fault& fault) {
        if (problem)
            *problem = fault.message();
        return std::nullopt;
    }
    return options;
}

void PreviewOptions::takeTyping()
{
    for (QSpinBox* box : {from, to, pages})
        box->interpretText();
}
