// Where tick marks, guide lines and traces go on the page, and drawing them.

#include "printing/page/tracedrawing.h"

#include "util/fault.h"
#include "util/numbers.h"

qint32 tickspacing(const QString& tickfrequency)
{
    qint32 spacing = 0;
    if (!numbers::toInt32(numbers::leadingNumber(tickfrequency), spacing))
        throw Fault(FaultKind::Overflow,
                    QStringLiteral("the tick frequency %1 is outside the 32-bit range")
                        .arg(quotedText(tickfrequency)))
            .withText(tickfrequency);
    return spacing;
}

std::vector<int> tickpositions(qint32 spacing)
{
    std::vector<int> out;
    if (spacing <= 0)
        return out;
    // 64 bits, so that a huge spacing ends the loop instead of wrapping round.
    for (qint64 k = 0; k <= sampleCount; k += spacing)
        out.push_back(traceLeft + sampleWidth * static_cast<int>(k));
    return out;
}

namespace {

[[noreturn]] void throwLevelOverflow(const LevelTable& levels, int slot, int row,
                                     const QString& sourcefile)
{
    const int channel = levels.channels[static_cast<std::size_t>(slot)];
    const int sample = qMin(row, sampleCount - 1);   // the sentinel repeats the last sample
    Fault fault(FaultKind::Overflow,
                QStringLiteral("level %1 at sample %2 is too high to draw (slot %3)")
                    .arg(levels.levels[static_cast<std::size_t>(slot)][static_cast<std::size_t>(row)])
                    .arg(sample)
                    .arg(slot));
    if (!sourcefile.isEmpty())
        fault.inFile(sourcefile);
    fault.atLine(firstSampleLine + sample).atField(channel + 1).onChannel(channel);
    throw fault;
}

void planSlot(TracePlan& plan, const LevelTable& levels, int slot, const QString& sourcefile)
{
    const auto& level = levels.levels[static_cast<std::size_t>(slot)];
    for (int row = 0; row <= sampleCount; ++row) {
        if (level[static_cast<std::size_t>(row)] > highestDrawableLevel)
            throwLevelOverflow(levels, slot, row, sourcefile);
    }

    const int base = baseLine(slot);
    LineGroup guide{1, dottedStyle, guideGreen, {}};
    const qint16 sum = levels.sums[static_cast<std::size_t>(slot)];
    if (sum == sampleCount)
        guide.lines.emplace_back(traceLeft, base, traceRight, base);
    if (sum == 0)
        guide.lines.emplace_back(traceLeft, base - levelHeight, traceRight, base - levelHeight);
    plan.groups.push_back(std::move(guide));

    LineGroup trace{3, solidStyle, traceBlack, {}};
    trace.lines.reserve(2 * sampleCount);
    int x = traceLeft;
    for (int k = 0; k < sampleCount; ++k) {
        const int v = level[static_cast<std::size_t>(k)];
        const int w = level[static_cast<std::size_t>(k) + 1];
        const int nextx = traceLeft + sampleWidth * (k + 1);
        const int y = base - levelHeight * v;
        trace.lines.emplace_back(x, y, nextx, y);
        if (v != w)
            trace.lines.emplace_back(nextx, y, nextx, base - levelHeight * w);
        x = nextx;
    }
    plan.groups.push_back(std::move(trace));
}

} // namespace

TracePlan plantraces(const LevelTable& levels, bool tickmarks, const QString& tickfrequency,
                     const QString& sourcefile)
{
    if (levels.lastslot >= channelCount)
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("slot %1 does not exist").arg(levels.lastslot));
    TracePlan plan;
    if (tickmarks) {
        LineGroup ticks{1, solidStyle, traceBlack, {}};
        for (int x : tickpositions(tickspacing(tickfrequency)))
            ticks.lines.emplace_back(x, tickTop, x, tickBottom);
        plan.groups.push_back(std::move(ticks));
    }
    for (int slot = 0; slot <= levels.lastslot; ++slot)
        planSlot(plan, levels, slot, sourcefile);
    return plan;
}

void painttraces(PageSurface& page, const TracePlan& plan)
{
    for (const LineGroup& group : plan.groups) {
        page.DrawWidth(group.width);
        page.DrawStyle(group.style);
        page.ForeColor(group.colour);
        for (const QLine& line : group.lines)
            page.Line(line.x1(), line.y1(), line.x2(), line.y2());
    }
}

void drawtraces(PageSurface& page, const LevelTable& levels, bool tickmarks,
                const QString& tickfrequency, const QString& sourcefile)
{
    painttraces(page, plantraces(levels, tickmarks, tickfrequency, sourcefile));
}
