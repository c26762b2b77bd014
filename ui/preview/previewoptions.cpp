// The preview's page options: the widgets and what they mean.

#include "ui/preview/previewoptions.h"

#include "capture/csvcapture.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

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

PreviewOptions::PreviewOptions(PageOptionsModel& model, QWidget* parent)
    : QWidget(parent), model_(&model)
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
    reset = new QPushButton(QStringLiteral("R&eset"), this);
    reset->setObjectName(QStringLiteral("reset"));
    reset->setAutoDefault(false);
    reset->setToolTip(QStringLiteral("Back to the page Print makes by design"));

    buses = new BusEditor(model, this);

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);
    rows->addWidget(buses);
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
    row->addSpacing(12);
    row->addWidget(reset);
    row->addStretch(1);

    showOptions(model.options());
    const auto edited = [this] {
        if (model_)
            model_->set(readOptions());
    };
    connect(paper, &QComboBox::currentIndexChanged, this, edited);
    for (QSpinBox* box : {from, to, pages})
        connect(box, &QSpinBox::valueChanged, this, edited);
    connect(timeaxis, &QCheckBox::toggled, this, edited);
    connect(reset, &QPushButton::clicked, &model, &PageOptionsModel::reset);
    connect(&model, &PageOptionsModel::changed, this, [this] { showOptions(model_->options()); });
}

void PreviewOptions::showOptions(const PageOptions& options)
{
    const QSignalBlocker blockPaper(paper), blockFrom(from), blockTo(to), blockPages(pages),
        blockAxis(timeaxis);
    paper->setCurrentText(paperName(options.paper));
    from->setValue(options.firstsample);
    // The whole capture's last sample is the last the box offers.
    to->setValue(options.lastsample);
    pages->setValue(options.pages);
    timeaxis->setChecked(options.timeaxis);
    reset->setEnabled(!model_->isDefault());
}

PageOptions PreviewOptions::readOptions() const
{
    // What the widgets do not show stays as it is.
    PageOptions options = model_->options();
    options.paper = paperNamed(paper->currentText()).value_or(Paper::Tabloid);
    options.firstsample = from->value();
    options.lastsample = to->value();
    options.pages = pages->value();
    options.timeaxis = timeaxis->isChecked();
    return options;
}

void PreviewOptions::takeTyping()
{
    for (QSpinBox* box : {from, to, pages})
        box->interpretText();
    buses->takeTyping();
}
