#pragma once

// The text printed on the page and where it sits.

#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"

#include <QString>

#include <vector>

inline constexpr int nameLength = 12; // characters of a name that fit left of the trace

// "ns", "us", "ms" for 0, 1, 2; "" otherwise.
QString unitText(int unitindex);

// Each text is one line on the page: a line break prints as a space.
QString oneLine(QString text);

// The first 12 characters of a name; a character pair that the cut would
// split is dropped whole.
QString pageName(const QString& name);

// "Tick frequency:" + spacing as typed + " samples", and, when the resolution
// text is not empty, " @ " + resolution + unit + "/sample =" + product + unit,
// the product of the numbers the two texts begin with.
QString tickFrequencyLine(const TickMarks& ticks, const SamplePeriod& period);

// The unit that keeps the numbers of a whole axis short: the largest of
// ns, µs, ms and s that `largest` (seconds) reaches.
struct TimeUnit {
    double seconds = 1e-9;
    QString name = QStringLiteral("ns");
};
TimeUnit timeUnit(double largest);
// "51.2 µs": at most four decimals, no trailing zeros.
QString timeText(double seconds, const TimeUnit& unit);

// "samples 512–1023, page 2 of 4", with the times when the period is known:
// "samples 512–1023 (51.2–102.4 µs), page 2 of 4". One page: no page part.
QString rangeLine(const PageLayout& layout, double period);

struct TimeLabel {
    int sample; // under this sample's tick
    QString text;
};
// Labels under every m-th tick (m = 1, 2, 5, 10, 20, 50 …, counted from
// sample 0), the first m whose labels never meet; times in one unit for the
// whole range, or sample numbers when the period is unknown.
std::vector<TimeLabel> timeLabels(qint32 spacing, const PageLayout& layout, double period);

// The names beside the traces, the heading, and with tick marks the
// tick-frequency line, each placed explicitly at 12 points. A page of a
// range adds the line naming its samples, and with the time axis, the time
// labels under the tick marks. A line break in a name, the heading or the
// resolution prints as a space. Throws Fault(Overflow) for a time axis of
// tick marks whose spacing leaves 32 bits.
void writePageText(PageSurface& page, const LevelTable& levels, const PageRequest& request,
                   const PageLayout& layout);
