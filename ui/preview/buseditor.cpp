// The preview's bus editor: the widgets and what they do to the page options.

#include "ui/preview/buseditor.h"

#include "printing/page/busdescription.h"
#include "util/fault.h"

#include <QHBoxLayout>
#include <QSignalBlocker>

#include <algorithm>
#include <variant>

namespace {

QLabel* labelFor(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QString newBus() { return QStringLiteral("New bus"); }

} // namespace

BusEditor::BusEditor(PageOptionsModel& model, QWidget* parent) : QWidget(parent), model_(&model)
{
    bus = new QComboBox(this);
    bus->setObjectName(QStringLiteral("bus"));
    bus->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    name = new QLineEdit(this);
    name->setObjectName(QStringLiteral("busname"));
    name->setPlaceholderText(QStringLiteral("DATA"));
    channels = new QLineEdit(this);
    channels->setObjectName(QStringLiteral("buschannels"));
    channels->setPlaceholderText(QStringLiteral("7-0"));
    channels->setToolTip(QStringLiteral("Channel numbers, most significant first, and ranges "
                                        "such as 7-0 or 15,11-8"));
    radix = new QComboBox(this);
    radix->setObjectName(QStringLiteral("busradix"));
    radix->addItems(radixNames());
    add = new QPushButton(QStringLiteral("A&dd bus"), this);
    add->setObjectName(QStringLiteral("addbus"));
    add->setAutoDefault(false);
    remove = new QPushButton(QStringLiteral("Remo&ve bus"), this);
    remove->setObjectName(QStringLiteral("removebus"));
    remove->setAutoDefault(false);
    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("busproblem"));
    problem->setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
    // Long as it may be, it takes only the room left, its whole text in its tip.
    problem->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    problem->hide();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(labelFor(this, QStringLiteral("&Bus"), bus));
    row->addWidget(bus);
    row->addWidget(labelFor(this, QStringLiteral("&Name"), name));
    row->addWidget(name);
    row->addWidget(labelFor(this, QStringLiteral("C&hannels"), channels));
    row->addWidget(channels);
    row->addWidget(labelFor(this, QStringLiteral("Radi&x"), radix));
    row->addWidget(radix);
    row->addWidget(add);
    row->addWidget(remove);
    row->addWidget(problem, 1);

    showBuses();
    connect(bus, &QComboBox::currentIndexChanged, this, &BusEditor::showChosen);
    // Enter in a field of a new bus adds it.
    for (QLineEdit* field : {name, channels})
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (chosen() < 0)
                addBus();
        });
    for (QLineEdit* field : {name, channels})
        connect(field, &QLineEdit::editingFinished, this, &BusEditor::apply);
    connect(radix, &QComboBox::currentIndexChanged, this, &BusEditor::apply);
    connect(add, &QPushButton::clicked, this, &BusEditor::addBus);
    connect(remove, &QPushButton::clicked, this, &BusEditor::removeBus);
    connect(&model, &PageOptionsModel::changed, this, &BusEditor::showBuses);
}

int BusEditor::chosen() const
{
    return bus->currentIndex() < bus->count() - 1 ? bus->currentIndex() : -1;
}

void BusEditor::showBuses()
{
    if (!model_)
        return;
    const std::vector<BusLane>& buses = model_->options().buses;
    const int keep = bus->currentIndex();
    const bool typingNew = chosen() < 0;
    {
        const QSignalBlocker blocking(bus);
        bus->clear();
        for (const BusLane& lane : buses)
            bus->addItem(lane.name);
        bus->addItem(newBus());
        // The same bus stays chosen, as does a new one being typed.
        const int count = int(buses.size());
        bus->setCurrentIndex(typingNew || keep >= count ? count : keep);
    }
    // What is being typed for a new bus stays, unless Reset took everything back.
    if (!typingNew || chosen() >= 0 || model_->isDefault())
        showChosen();
}

void BusEditor::showChosen()
{
    const QSignalBlocker blockName(name), blockChannels(channels), blockRadix(radix);
    const int index = chosen();
    problem->hide();
    remove->setEnabled(index >= 0);
    add->setEnabled(index < 0);
    if (index < 0 || !model_) {
        name->clear();
        channels->clear();
        radix->setCurrentIndex(int(Radix::Hex));
        return;
    }
    const BusLane& lane = model_->options().buses[std::size_t(index)];
    name->setText(lane.name);
    channels->setText(busChannelsText(lane.channels));
    radix->setCurrentIndex(int(lane.radix));
}

std::optional<BusLane> BusEditor::readFields(int index)
{
    BusLane lane;
    lane.name = name->text();
    lane.radix = Radix(std::max(0, radix->currentIndex()));
    auto parsed = parseBusChannels(channels->text());
    QString why;
    if (lane.name.trimmed().isEmpty()) {
        why = QStringLiteral("a bus needs a name");
    } else if (const QString* error = std::get_if<QString>(&parsed)) {
        why = *error;
    } else {
        lane.channels = std::get<std::vector<int>>(parsed);
        const std::vector<BusLane>& buses = model_->options().buses;
        for (std::size_t b = 0; b < buses.size() && why.isEmpty(); ++b)
            for (const int c : lane.channels)
                if (int(b) != index
                    && std::find(buses[b].channels.begin(), buses[b].channels.end(), c)
                           != buses[b].channels.end()) {
                    why = QStringLiteral("channel %1 is in bus %2 too")
                              .arg(c)
                              .arg(quotedText(buses[b].name));
                    break;
                }
    }
    problem->setText(why);
    problem->setToolTip(why);
    problem->setVisible(!why.isEmpty());
    if (!why.isEmpty())
        return std::nullopt;
    return lane;
}

void BusEditor::apply()
{
    const int index = chosen();
    if (index < 0 || !model_)
        return;
    const std::optional<BusLane> lane = readFields(index);
    if (!lane)
        return;
    PageOptions options = model_->options();
    options.buses[std::size_t(index)] = *lane;
    model_->set(std::move(options));
}

void BusEditor::addBus()
{
    if (!model_)
        return;
    const std::optional<BusLane> lane = readFields(-1);
    if (!lane)
        return;
    PageOptions options = model_->options();
    options.buses.push_back(*lane);
    model_->set(std::move(options));
    // The bus added is the one chosen.
    bus->setCurrentIndex(bus->count() - 2);
}

void BusEditor::removeBus()
{
    const int index = chosen();
    if (index < 0 || !model_)
        return;
    PageOptions options = model_->options();
    options.buses.erase(options.buses.begin() + index);
    model_->set(std::move(options));
}

void BusEditor::takeTyping()
{
    if (name->isModified() || channels->isModified())
        apply();
}
