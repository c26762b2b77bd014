#pragma once

// Shared by the printing tests: a printer that only records, the window's
// settings ticking every channel, and level tables built from level
// functions.

#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"
#include "printing/windowsettings.h"

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

inline constexpr int sampleCount = 2048; // of the captures these tests draw

// Every channel ticked and named NameK, tick marks every 10 samples of 100 ns.
inline WindowSettings windowSettings(const QString& heading = QStringLiteral("Heading"))
{
    WindowSettings w{{std::vector<int>(16, 1), {}}, 1, QStringLiteral("10"),
                     QStringLiteral("100"),         0, heading};
    for (int c = 0; c < 16; ++c)
        w.channels.captions.push_back(QStringLiteral("Name%1").arg(c));
    return w;
}

inline PageRequest request(const QString& heading = QStringLiteral("Heading"),
                           const PageOptions& options = {})
{
    return pageRequest(windowSettings(heading), options);
}

// A request of what the page text needs.
inline PageRequest textRequest(const QString& heading, const QString& tickfrequency,
                               const QString& resolution, int unitindex, bool tickmarks)
{
    PageRequest r;
    r.heading = heading;
    r.ticks = TickMarks::read(tickmarks, tickfrequency);
    r.period = SamplePeriod::read(resolution, unitindex);
    return r;
}

// The whole capture of `samples` samples on one page.
inline PageLayout wholePage(int samples = sampleCount) { return PageLayout::wholeCapture(samples); }

using SlotLevels = std::function<int(int sample)>;

// One filled slot per function, holding channel `channels[s]` (s by default);
// the sentinel repeats the last sample and the sums are taken over the rest.
inline LevelTable levelTable(const std::vector<SlotLevels>& slotlist,
                             const std::vector<int>& channels = {}, int samples = sampleCount)
{
    LevelTable table;
    table.samplecount = samples;
    table.firstline = 6;
    table.lastslot = static_cast<qint16>(static_cast<int>(slotlist.size()) - 1);
    for (std::size_t s = 0; s < slotlist.size(); ++s) {
        table.channels.push_back(s < channels.size() ? channels[s] : static_cast<int>(s));
        table.slotnames.push_back(QStringLiteral("slot%1").arg(s));
        std::vector<quint8>& levels = table.levels.emplace_back(std::size_t(samples) + 1);
        int sum = 0;
        for (int k = 0; k < samples; ++k) {
            levels[static_cast<std::size_t>(k)] = static_cast<quint8>(slotlist[s](k));
            sum += slotlist[s](k);
        }
        levels[std::size_t(samples)] = levels[std::size_t(samples) - 1];
        table.sums.push_back(static_cast<qint16>(sum));
    }
    return table;
}

// `text` where the heading goes, in the heading's size.
inline void drawText(PageSurface& page, const QString& text)
{
    page.CurrentX(1200);
    page.CurrentY(625);
    page.FontSize(12);
    page.Print(text);
}

inline SlotLevels constantLevel(int level)
{
    return [level](int) { return level; };
}
