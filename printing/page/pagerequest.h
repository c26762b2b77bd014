#pragma once

// One request for a set of pages: everything the pages are drawn from but
// the capture. It is built once, from the window's controls
// (printing/windowsettings.h) or from the converter's options, and every
// number in it is read from its text once, not on every page.

#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "util/numbers.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// Tick marks as asked for. The page prints the spacing as typed and draws
// the number it begins with.
struct TickMarks {
    bool shown = false;
    QString typed;
    double number = 0; // the number the text begins with; 0 when none
    // That number rounded half to even; none when it leaves 32 bits, a fault
    // only once marks are drawn (spacing()).
    std::optional<qint32> rounded = 0;

    static TickMarks read(bool shown, const QString& typed);
    // Samples from one mark to the next. Throws Fault(Overflow) naming the
    // text when the number leaves 32 bits.
    qint32 spacing() const;
};

// The number `tickfrequency` begins with, rounded half to even; 0 when it
// begins with no number. Throws Fault(Overflow) when the result leaves 32 bits.
qint32 tickSpacing(const QString& tickfrequency);

// The sample period as typed and its unit.
struct SamplePeriod {
    QString typed;     // printed as typed
    int unitindex = 0; // 0 ns, 1 us, 2 ms, anything else no unit
    double number = 0; // the number the text begins with; 0 when none
    // In seconds, for the times on the page; 0 without a number above 0 or
    // without a unit.
    double seconds = 0;
    // The number exactly as typed, for times that must not drift (the dump's).
    std::optional<numbers::Decimal> exact;

    static SamplePeriod read(const QString& typed, int unitindex);
};

struct PageRequest {
    std::vector<ChosenChannel> channels; // a slot each, in this order
    TickMarks ticks;
    SamplePeriod period;
    QString heading;
    PageOptions options;
    // What options.decoders make of the capture (decodeRequest()); none
    // until then.
    std::optional<std::vector<DecodedLane>> decoded;
};

// The pages the request makes of a capture of `samplecount` samples. Time
// labels stand under tick marks: without marks the traces keep their
// place. Throws as pageLayouts() does.
std::vector<PageLayout> pageLayouts(const PageRequest& request, int samplecount);

// The levels of the request's channels and the values of its buses, as
// selectChannels() reads them and throws.
LevelTable requestLevels(const SampleTable& table, const PageRequest& request);
