// Where tick marks, guide lines and traces go on the page, and drawing them.

#include "printing/page/tracedrawing.h"

#include "util/fault.h"

std::vector<int> tickSamples(qint32 spacing, const PageLayout& layout)
{
    std::vector<int> out;
    if (spacing <= 0)
        return out;
    // Counted from sample 0 whatever the page shows, so a range has the
    // whole capture's ticks; 64 bits, so a huge spacing ends the loop
    // instead of wrapping round.
    const qint64 start = (qint64(layout.first) + spacing - 1) / spacing * spacing;
    for (qint64 k = start; k <= layout.last + 1; k += spacing)
        out.push_back(static_cast<int>(k));
    return out;
}

namespace {

[[noreturn]] void throwLevelOverflow(const LevelTable& levels, int slot, int row,
                                     const QString& sourcefile)
{
    const int channel = levels.channels[static_cast<std::size_t>(slot)];
    const int sample = qMin(row, levels.samplecount - 1); // the sentinel repeats the last sample
    Fault fault(
        FaultKind::Overflow,
        QStringLiteral("level %1 at sample %2 is too high to draw (slot %3)")
            .arg(levels.levels[static_cast<std::size_t>(slot)][static_cast<std::size_t>(row)])
            .arg(sample)
            .arg(slot));
    if (!sourcefile.isEmpty())
        fault.inFile(sourcefile);
    fault.atLine(levels.firstline + sample).atField(channel + 1).onChannel(channel);
    throw fault;
}

// `xs[i]` is the x of the boundary before sample layout.first + i.
void planSlot(TracePlan& plan, const LevelTable& levels, int slot, const QString& sourcefile,
              const PageLayout& layout, const std::vector<int>& xs)
{
    const auto& level = levels.levels[static_cast<std::size_t>(slot)];
    // The page's samples, the one before it when its edge is drawn here, and
    // the sentinel row after the last sample.
    const int from = layout.continues() ? layout.first - 1 : layout.first;
    const int to = layout.endsCapture() ? layout.last + 1 : layout.last;
    for (int row = from; row <= to; ++row) {
        if (level[static_cast<std::size_t>(row)] > highestDrawableLevel)
            throwLevelOverflow(levels, slot, row, sourcefile);
    }

    const int base = layout.baseLine(slot);
    const int left = layout.sampleX(layout.first);
    const int right = layout.sampleX(layout.last + 1);
    LineGroup guide{1, dottedStyle, guideGreen, {}};
    // A channel that never changes within the range: with the whole capture,
    // exactly the level sums of its sample count and 0.
    const int count = layout.rangelast - layout.rangefirst + 1;
    int sum = levels.sums[static_cast<std::size_t>(slot)];
    if (count != levels.samplecount) {
        sum = 0;
        for (int row = layout.rangefirst; row <= layout.rangelast; ++row)
            sum += level[static_cast<std::size_t>(row)];
    }
    if (sum == count)
        guide.lines.emplace_back(left, base, right, base);
    const int height = layout.levelHeight();
    if (sum == 0)
        guide.lines.emplace_back(left, base - height, right, base - height);
    plan.groups.push_back(std::move(guide));

    LineGroup trace{3, solidStyle, traceBlack, {}};
    trace.lines.reserve(2 * std::size_t(layout.last - layout.first + 2));
    int x = left;
    if (layout.continues()) {
        const int before = level[static_cast<std::size_t>(layout.first) - 1];
        const int now = level[static_cast<std::size_t>(layout.first)];
        if (before != now)
            trace.lines.emplace_back(x, base - height * before, x, base - height * now);
    }
    const int first = layout.first;
    const int last = layout.last;
    // The sentinel row repeats the last sample; a page's last edge is drawn
    // at the start of the next page.
    const bool toSentinel = layout.endsCapture();
    const int* const boundary = xs.data() + 1;
    for (int k = first; k <= last; ++k) {
        const int v = level[static_cast<std::size_t>(k)];
        const int w = k < last || toSentinel ? level[static_cast<std::size_t>(k) + 1] : v;
        const int nextx = boundary[k - first];
        const int y = base - height * v;
        trace.lines.emplace_back(x, y, nextx, y);
        if (v != w)
            trace.lines.emplace_back(nextx, y, nextx, base - height * w);
        x = nextx;
    }
    plan.groups.push_back(std::move(trace));
}

} // namespace

TracePlan planTraces(const LevelTable& levels, const TickMarks& ticks, const PageLayout& layout,
                     const QString& sourcefile)
{
    if (!levels.complete())
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("slot %1 does not exist").arg(levels.lastslot));
    if (layout.samplecount != levels.samplecount)
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("a page of %1 samples cannot show a capture of %2")
                        .arg(layout.samplecount)
                        .arg(levels.samplecount));
    TracePlan plan;
    if (ticks.shown) {
        LineGroup marks{1, solidStyle, traceBlack, {}};
        for (const int k : tickSamples(ticks.spacing(), layout)) {
            const int x = layout.sampleX(k);
            marks.lines.emplace_back(x, layout.tickTop(), x, layout.tickBottom());
        }
        plan.groups.push_back(std::move(marks));
    }
    // Worked out once for every slot of the page.
    std::vector<int> xs;
    if (levels.lastslot >= 0) {
        xs.reserve(static_cast<std::size_t>(layout.last - layout.first + 2));
        for (int k = layout.first; k <= layout.last + 1; ++k)
            xs.push_back(layout.sampleX(k));
    }
    for (int slot = 0; slot <= levels.lastslot; ++slot)
        planSlot(plan, levels, slot, sourcefile, layout, xs);
    return plan;
}

void paintTraces(PageSurface& page, const TracePlan& plan)
{
    for (const LineGroup& group : plan.groups) {
        page.DrawWidth(group.width);
        page.DrawStyle(group.style);
        page.ForeColor(group.colour);
        for (const QLine& line : group.lines)
            page.Line(line.x1(), line.y1(), line.x2(), line.y2());
    }
}

void drawtraces(PageSurface& page, const LevelTable& levels, const TickMarks& ticks,
                const PageLayout& layout, const QString& sourcefile)
{
    paintTraces(page, planTraces(levels, ticks, layout, sourcefile));
}
