#pragma once

// Shared by the printing tests: a printer that only records, a request
// ticking every channel, and level tables built from level functions.

#include "capture/sampletable.h"
#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"
#include "printing/printtiming.h"

#include <functional>
#include <memory>
#include <vector>

class FakePrinter : public Printer {
public:
    explicit FakePrinter(QString name) : name_(std::move(name)) {}
    QString deviceName() const override { return name_; }
    PageSurface& surface() override { return page; }

    RecordingSurface page;

private:
    QString name_;
};

inline std::shared_ptr<FakePrinter> fakePrinter(const QString& name)
{
    return std::make_shared<FakePrinter>(name);
}

// Every channel ticked and named NameK, tick marks every 10 samples of 100 ns.
inline PrintRequest request(const QString& path, const QString& heading = QStringLiteral("Heading"),
                            const PageOptions& options = {})
{
    PrintRequest r;
    r.filepath = path;
    for (int c = 0; c < 16; ++c) {
        r.values[std::size_t(c)] = 1;
        r.captions[std::size_t(c)] = QStringLiteral("Name%1").arg(c);
    }
    r.values[16] = 1;
    r.captions[16] = QStringLiteral("Tick marks");
    r.tickfrequency = QStringLiteral("10");
    r.resolution = QStringLiteral("100");
    r.heading = heading;
    r.options = options;
    return r;
}

using SlotLevels = std::function<int(int sample)>;

// One filled slot per function, holding channel `channels[s]` (s by default);
// the sentinel repeats sample 2047 and the sums are taken over 0 ... 2047.
inline LevelTable levelTable(const std::vector<SlotLevels>& slotlist,
                             const std::vector<int>& channels = {})
{
    LevelTable table;
    table.lastslot = static_cast<qint16>(static_cast<int>(slotlist.size()) - 1);
    for (std::size_t s = 0; s < slotlist.size(); ++s) {
        table.channels[s] = s < channels.size() ? channels[s] : static_cast<int>(s);
        table.slotnames[s] = QStringLiteral("slot%1").arg(s);
        int sum = 0;
        for (int k = 0; k < sampleCount; ++k) {
            table.levels[s][static_cast<std::size_t>(k)] = static_cast<quint8>(slotlist[s](k));
            sum += slotlist[s](k);
        }
        table.levels[s][sampleCount] = table.levels[s][sampleCount - 1];
        table.sums[s] = static_cast<qint16>(sum);
    }
    return table;
}

inline SlotLevels constantLevel(int level)
{
    return [level](int) { return level; };
}
