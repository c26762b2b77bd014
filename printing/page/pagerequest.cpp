// Reading a request's numbers from their texts, once.
#include "printing/page/pagerequest.h"

#include "printing/page/markers.h"
#include "printing/page/pagetext.h"
#include "util/fault.h"

#include <cmath>

TickMarks TickMarks::read(bool shown, const QString& typed)
{
    TickMarks ticks;
    ticks.shown = shown;
    ticks.typed = typed;
    ticks.number = numbers::leadingNumber(typed);
    qint32 spacing = 0;
    if (numbers::toInt32(ticks.number, spacing))
        ticks.rounded = spacing;
    else
        ticks.rounded.reset();
    return ticks;
}

qint32 TickMarks::spacing() const
{
    if (!rounded)
        throw Fault(FaultKind::Overflow, QStringLiteral("the tick frequency %1 is outside the "
                                                        "32-bit range")
                                             .arg(quotedText(typed)))
            .withText(typed);
    return *rounded;
}

qint32 tickSpacing(const QString& tickfrequency)
{
    return TickMarks::read(true, tickfrequency).spacing();
}

SamplePeriod SamplePeriod::read(const QString& typed, int unitindex)
{
    static constexpr double seconds[] = {1e-9, 1e-6, 1e-3};
    SamplePeriod period;
    period.typed = typed;
    period.unitindex = unitindex;
    period.number = numbers::leadingNumber(typed);
    period.exact = numbers::leadingDecimal(typed);
    if (!typed.isEmpty() && unitindex >= 0 && unitindex <= 2) {
        const double value = period.number * seconds[unitindex];
        period.seconds = std::isfinite(value) && value > 0 ? value : 0;
    }
    return period;
}

std::vector<PageLayout> pageLayouts(const PageRequest& request, int samplecount)
{
    std::vector<PageLayout> layouts = pageLayouts(request.options, samplecount);
    for (PageLayout& layout : layouts) {
        if (!request.ticks.shown)
            layout.timeaxis = false;
        layout.slotcount = int(request.channels.size() + request.options.buses.size()
                               + (request.decoded ? request.decoded->size() : 0));
    }
    // The markers' rows depend only on where samples fall across the page.
    const MarkerRows rows = markerRows(request.options.markers, layouts);
    const int room = markerRoom(rows);
    for (PageLayout& layout : layouts) {
        layout.markerrows = rows.labels;
        layout.geometry = pageGeometry(request.options, layout.slotcount, layout.timeaxis, 1, room);
        // The heading's lines, broken as wide as this geometry's.
        const int headinglines = int(headingLines(request.heading, layout).size());
        if (headinglines > 1)
            layout.geometry = pageGeometry(request.options, layout.slotcount, layout.timeaxis,
                                           headinglines, room);
    }
    return layouts;
}

LevelTable requestLevels(const SampleTable& table, const PageRequest& request)
{
    std::vector<std::vector<int>> buses;
    for (const BusLane& bus : request.options.buses)
        buses.push_back(bus.channels);
    return selectChannels(table, request.channels, buses);
}
