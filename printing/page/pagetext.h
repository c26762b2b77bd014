#pragma once

// The text printed on the page and where it sits.

#include "capture/sampletable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagesurface.h"
#include "printing/page/sheet.h"

#include <QString>

#include <vector>

inline constexpr int nameLength = 12; // characters of a name that fit left of the trace

// What the window's controls hold for the page text.
struct PageTextSettings {
    QString heading;
    QString tickfrequency;
    QString resolution;
    int unitindex = 0; // 0 ns, 1 us, 2 ms, anything else no unit
    bool tickmarks = false;
};

// "ns", "us", "ms" for 0, 1, 2; "" otherwise.
QString unitText(int unitindex);

// The first 12 characters of a name; a character pair that the cut would
// split is dropped whole.
QString pageName(const QString& name);

// "Tick frequency:" + spacing as typed + " samples", and, when the resolution
// text is not empty, " @ " + resolution + unit + "/sample =" + product + unit.
QString tickFrequencyLine(const QString& tickfrequency, const QString& resolution, int unitindex);

// The sample period in seconds; 0 without a resolution, a positive number in
// it, or a unit.
double samplePeriod(const QString& resolution, int unitindex);

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
// resolution prints as a space.
void writePageText(PageSurface& page, const LevelTable& levels, const PageTextSettings& settings,
                   const PageLayout& layout = {});
