// Splitting a range of samples over pages, and where each sample falls.
#include "printing/page/pagelayout.h"

#include "util/fault.h"

#include <algorithm>

PageLayout PageLayout::wholeCapture(int samplecount)
{
    return pageLayouts(PageOptions(), samplecount).front();
}

bool PageLayout::whole() const
{
    return first == 0 && last == samplecount - 1 && perpage == samplecount && pages == 1
           && !timeaxis;
}

int PageLayout::sampleX(int k) const
{
    // Rounded to the nearest pixel; 2048 to a page gives exactly 8 a sample.
    const qint64 span = traceRight() - traceLeft();
    const qint64 offset = qint64(k - first) * span;
    return traceLeft() + int((2 * offset + perpage) / (2 * qint64(perpage)));
}

int PageLayout::baseLine(int slot) const
{
    const PageGeometry& g = geometry;
    return g.firstBaseLine + g.slotPitch * slot + (timeaxis ? g.timeAxisShift : 0) + markerBand();
}

PageGeometry PageGeometry::filling(Paper paper, int slotcount, bool timeaxis, int headinglines,
                                   int room)
{
    const PaperFit fit = paperFit(paper);
    PageGeometry g;
    g.width = int(fit.width);
    g.height = int(fit.height);
    g.textLeft = fillMargin;
    g.traceLeft = fillMargin + fillNameColumn;
    g.traceRight = g.width - fillMargin;
    g.headingWidth = g.traceRight - g.textLeft;
    g.textRight = g.traceRight;
    g.bottom = g.height - fillMargin;
    // What follows the heading moves down by its further lines.
    const int lower = (std::clamp(headinglines, 1, mostHeadingLines) - 1) * g.headingLineHeight;
    for (int* y : {&g.tickLineTop, &g.rangeLineTop, &g.tickTop, &g.tickBottom, &g.timeAxisTop})
        *y += lower;
    // The slots' band starts under the tick marks, as on the sheet.
    const int top = g.tickBottom + (timeaxis ? g.timeAxisShift : 0);
    const int height = g.bottom - room - top;
    g.slotPitch = std::clamp(height / std::max(slotcount, 1), 1, fillMostPitch);
    g.levelHeight =
        std::max(1, (g.slotPitch * fillTraceParts + fillPitchParts / 2) / fillPitchParts);
    const int free = g.slotPitch - g.levelHeight;
    g.firstBaseLine = g.tickBottom + free / 2 + g.levelHeight;
    g.nameAbove = g.levelHeight / 2 + fillNameMiddle;
    return g;
}

QString layoutName(LayoutKind layout)
{
    return layout == LayoutKind::Fill ? QStringLiteral("fill") : QStringLiteral("sheet");
}

std::optional<LayoutKind> layoutNamed(const QString& name)
{
    for (const LayoutKind layout : {LayoutKind::Sheet, LayoutKind::Fill})
        if (name.compare(layoutName(layout), Qt::CaseInsensitive) == 0)
            return layout;
    return std::nullopt;
}

QStringList layoutNames() { return {layoutName(LayoutKind::Sheet), layoutName(LayoutKind::Fill)}; }

PageGeometry pageGeometry(const PageOptions& options, int slotcount, bool timeaxis,
                          int headinglines, int room)
{
    if (options.layout == LayoutKind::Sheet)
        return PageGeometry();
    return PageGeometry::filling(options.paper, slotcount, timeaxis, headinglines, room);
}

std::vector<PageLayout> pageLayouts(const PageOptions& options, int samplecount)
{
    const int lastsample = options.lastIn(samplecount);
    if (options.firstsample < 0 || lastsample >= samplecount || options.firstsample > lastsample
        || options.pages < 1) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("samples %1-%2 on %3 pages are not a range of 0-%4")
                        .arg(options.firstsample)
                        .arg(lastsample)
                        .arg(options.pages)
                        .arg(samplecount - 1));
    }
    const int count = lastsample - options.firstsample + 1;
    const int pages = std::min(options.pages, count);
    const int perpage = (count + pages - 1) / pages;
    std::vector<PageLayout> layouts;
    for (int page = 0; page * perpage < count; ++page) {
        PageLayout layout;
        layout.samplecount = samplecount;
        layout.first = options.firstsample + page * perpage;
        layout.last = std::min(layout.first + perpage - 1, lastsample);
        layout.perpage = perpage;
        layout.rangefirst = options.firstsample;
        layout.rangelast = lastsample;
        layout.page = page;
        layout.timeaxis = options.timeaxis;
        layout.geometry = pageGeometry(options, layout.slotcount, layout.timeaxis);
        layouts.push_back(layout);
    }
    for (PageLayout& layout : layouts)
        layout.pages = int(layouts.size());
    return layouts;
}
