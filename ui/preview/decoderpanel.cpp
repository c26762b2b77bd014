// The preview's decoder panel: choosing, setting and adding decoders.
#include "ui/preview/decoderpanel.h"

#include "capture/decode/decoderstack.h"

#include <QCompleter>
#include <QLineEdit>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

using namespace decode;

namespace {

QString shownName(int channel, const QString& name)
{
    return QStringLiteral("%1  %2").arg(channel).arg(name);
}

} // namespace

DecoderPanel::DecoderPanel(PageOptionsModel& model, QWidget* parent)
    : QWidget(parent), model_(&model)
{
    setObjectName(QStringLiteral("decoders"));
    decoder = new QComboBox(this);
    decoder->setObjectName(QStringLiteral("decoder"));
    decoder->setEditable(true);
    decoder->setInsertPolicy(QComboBox::NoInsert);
    decoder->lineEdit()->setPlaceholderText(QStringLiteral("Loading the decoders…"));
    decoder->setEnabled(false);
    settings = new QWidget(this);
    settings->setObjectName(QStringLiteral("decodersettings"));
    rows_ = new QFormLayout(settings);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(settings);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    add = new QPushButton(QStringLiteral("Sho&w on the page"), this);
    add->setObjectName(QStringLiteral("adddecoder"));
    add->setAutoDefault(false);
    add->setEnabled(false);
    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("decoderproblem"));
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
    inUse = new QListWidget(this);
    inUse->setObjectName(QStringLiteral("decodersinuse"));
    inUse->setMaximumHeight(110);
    remove = new QPushButton(QStringLiteral("De&lete"), this);
    remove->setObjectName(QStringLiteral("removedecoder"));
    remove->setAutoDefault(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("F&ind a decoder"), this);
    title->setBuddy(decoder);
    column->addWidget(title);
    column->addWidget(decoder);
    column->addWidget(scroll, 1);
    column->addWidget(add);
    column->addWidget(problem);
    column->addWidget(new QLabel(QStringLiteral("On the page"), this));
    column->addWidget(inUse);
    column->addWidget(remove);
    setFixedWidth(300);

    connect(decoder, &QComboBox::currentIndexChanged, this, &DecoderPanel::choose);
    connect(add, &QPushButton::clicked, this, &DecoderPanel::addDecoder);
    connect(remove, &QPushButton::clicked, this, [this] {
        const int row = inUse->currentRow();
        if (!model_ || row < 0 || row >= int(model_->options().decoders.size()))
            return;
        PageOptions options = model_->options();
        options.decoders.erase(options.decoders.begin() + row);
        model_->set(std::move(options));
    });
    connect(&model, &PageOptionsModel::changed, this, &DecoderPanel::showInUse);
    showInUse();
}

void DecoderPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (listing_.valid() || decoder->count() > 0 || !problem->text().isEmpty())
        return;
    // Listing loads every decoder, a second or so: not on the window's
    // thread, and not before the panel is first shown.
    listing_ = std::async(std::launch::async, [] { return listDecoders(); });
    auto* poll = new QTimer(this);
    poll->setInterval(30);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (listing_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        poll->deleteLater();
        listReady();
    });
    poll->start();
}

DecoderPanel::~DecoderPanel()
{
    if (listing_.valid())
        listing_.wait();
}

void DecoderPanel::listReady()
{
    const Checked<QList<DecoderSummary>> list = listing_.get();
    if (!list.ok()) {
        decoder->lineEdit()->setPlaceholderText(QString());
        problem->setText(list.error);
        return;
    }
    {
        const QSignalBlocker quiet(decoder);
        for (const DecoderSummary& summary : list.value)
            decoder->addItem(QStringLiteral("%1 — %2").arg(summary.id, summary.longName),
                             summary.id);
        decoder->setCurrentIndex(-1);
    }
    decoder->lineEdit()->setPlaceholderText(QStringLiteral("Type to find one: spi, uart, i2c…"));
    // Any part of an id or a name finds it.
    decoder->completer()->setFilterMode(Qt::MatchContains);
    decoder->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    decoder->completer()->setCompletionMode(QCompleter::PopupCompletion);
    decoder->setEnabled(true);
}

void DecoderPanel::setChannels(const QStringList& names, bool rateKnown)
{
    rateKnown_ = rateKnown;
    if (names == names_)
        return;
    names_ = names;
    choose(); // the channel lists name the channels anew
}

void DecoderPanel::choose()
{
    while (rows_->rowCount() > 0)
        rows_->removeRow(0);
    channelBoxes_.clear();
    optionBoxes_.clear();
    chosen_.reset();
    problem->clear();
    add->setEnabled(false);
    if (decoder->currentIndex() < 0)
        return;
    const Checked<DecoderInfo> info = describeDecoder(decoder->currentData().toString());
    if (!info.ok()) {
        problem->setText(info.error);
        return;
    }
    chosen_ = info.value;
    const auto channelRow = [&](const DecoderChannel& channel, bool required) {
        auto* box = new QComboBox(settings);
        box->setObjectName(QStringLiteral("channel-%1").arg(channel.id));
        box->addItem(required ? QStringLiteral("(choose)") : QStringLiteral("(none)"), -1);
        for (int c = 0; c < names_.size(); ++c) {
            box->addItem(shownName(c, names_[c]), c);
            // A channel named as the decoder names it is the likely one.
            if (names_[c].compare(channel.name, Qt::CaseInsensitive) == 0
                || names_[c].compare(channel.id, Qt::CaseInsensitive) == 0)
                box->setCurrentIndex(box->count() - 1);
        }
        box->setToolTip(channel.description);
        rows_->addRow(channel.name + (required ? QStringLiteral(" *") : QString()), box);
        channelBoxes_ << box;
    };
    for (const DecoderChannel& channel : chosen_->channels)
        channelRow(channel, true);
    for (const DecoderChannel& channel : chosen_->optionalChannels)
        channelRow(channel, false);
    for (const DecoderOption& option : chosen_->options) {
        QWidget* box = nullptr;
        if (!option.values.isEmpty()) {
            auto* list = new QComboBox(settings);
            for (const QVariant& value : option.values)
                list->addItem(optionValueText(value));
            list->setCurrentText(optionValueText(option.defaultValue));
            box = list;
        } else {
            box = new QLineEdit(optionValueText(option.defaultValue), settings);
        }
        box->setObjectName(QStringLiteral("option-%1").arg(option.id));
        box->setToolTip(QStringLiteral("%1 (%2)").arg(option.description, optionValueKind(option)));
        rows_->addRow(option.description, box);
        optionBoxes_ << box;
    }
    // Tab from the decoder goes through its channels and options, then to
    // the button, as they stand, not after the rest of the window.
    QWidget* before = decoder;
    const auto next = [&](QWidget* box) {
        setTabOrder(before, box);
        before = box;
    };
    for (QComboBox* box : std::as_const(channelBoxes_))
        next(box);
    for (QWidget* box : std::as_const(optionBoxes_))
        next(box);
    next(add);
    add->setEnabled(true);
}

QString DecoderPanel::requestText() const
{
    if (!chosen_)
        return QString();
    DecoderRequest request{chosen_->id, {}};
    const QList<DecoderChannel> channels = chosen_->channels + chosen_->optionalChannels;
    for (qsizetype i = 0; i < channels.size(); ++i)
        if (const int c = channelBoxes_[i]->currentData().toInt(); c >= 0)
            request.settings.push_back({channels[i].id, QString::number(c), true});
    for (qsizetype i = 0; i < chosen_->options.size(); ++i) {
        const DecoderOption& option = chosen_->options[i];
        const auto* list = qobject_cast<const QComboBox*>(optionBoxes_[i]);
        const QString value =
            list ? list->currentText() : static_cast<const QLineEdit*>(optionBoxes_[i])->text();
        // Only what differs from the decoder's own default.
        if (value != optionValueText(option.defaultValue))
            request.settings.push_back({option.id, value, true});
    }
    return decode::requestText(StackRequest{{request}, {}});
}

void DecoderPanel::addDecoder()
{
    if (!model_)
        return;
    const Checked<StackRequest> request = parseStackRequest(requestText());
    Checked<ResolvedStack> stack = Checked<ResolvedStack>::refused(request.error);
    if (request.ok())
        stack = resolveStack(request.value, names_, rateKnown_);
    if (!stack.ok()) {
        problem->setText(stack.error);
        return;
    }
    problem->clear();
    PageOptions options = model_->options();
    options.decoders.push_back(request.value);
    model_->set(std::move(options));
}

void DecoderPanel::showInUse()
{
    inUse->clear();
    if (!model_)
        return;
    for (const DecoderStack& stack : model_->options().decoders)
        inUse->addItem(decode::requestText(stack));
    remove->setEnabled(inUse->count() > 0);
    inUse->setCurrentRow(inUse->count() - 1);
}
