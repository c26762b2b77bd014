// Drawing and recording the pages of a request.
#include "printing/drawpages.h"

#include "printing/page/decodedlanes.h"
#include "printing/page/pagedrawing.h"
#include "printing/printers/printerchoice.h"

std::vector<RecordedPage> drawPages(const PageRequest& request, const Capture& capture)
{
    PageRequest storage;
    const PageRequest& decoded = decodedRequest(request, capture, storage);
    const LevelTable levels = requestLevels(capture.samples(), decoded);
    return drawPages(decoded, levels, pageLayouts(decoded, capture.sampleCount()), capture.path());
}

std::vector<RecordedPage> drawPages(const PageRequest& request, const LevelTable& levels,
                                    const std::vector<PageLayout>& layouts,
                                    const QString& sourcefile)
{
    // Pages of one batch tend to be alike: room for as many calls as the last
    // page of this thread spares regrowing the list call by call.
    thread_local std::size_t lastSize = 0;
    std::vector<RecordedPage> pages;
    RecordingSurface surface;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        surface.reserve(lastSize);
        // As the printer is set up when chosen, and for every further page.
        if (i == 0)
            surface.ScaleMode(pageScaleMode);
        setupPage(surface);
        drawPage(surface, request, levels, layouts[i], sourcefile);
        lastSize = surface.calls().size();
        pages.push_back(surface.takePage());
        pages.back().paper = request.options.paper;
        pages.back().layout = request.options.layout;
    }
    return pages;
}

std::size_t drawingStart(const RecordedPage& page)
{
    using K = SurfaceCallKind;
    std::size_t start = 0;
    for (const SurfaceCall& call : page.calls) {
        const K kind = call.kind;
        if (kind != K::ScaleMode && kind != K::PrintResolution && kind != K::PageSettingA
            && kind != K::PageSettingB && kind != K::PageSettingC)
            break;
        ++start;
    }
    return start;
}
