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
    return firstBaseLine + slotPitch * slot + (timeaxis ? timeAxisShift : 0) + markerBand();
}

int PageLayout::nameTop(int slot) const
{
    return firstNameTop + slotPitch * slot + (timeaxis ? timeAxisShift : 0) + markerBand();
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
        layouts.push_back(layout);
    }
    for (PageLayout& layout : layouts)
        layout.pages = int(layouts.size());
    return layouts;
}
