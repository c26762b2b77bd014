// Printing a capture as timing pages: drawn first, then replayed on the
// printer chosen.

#include "printing/printtiming.h"

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "printing/drawpages.h"
#include "printing/page/decodedlanes.h"
#include "printing/printers/printerchoice.h"
#include "util/fault.h"

#include <optional>
#include <span>

namespace {

// Drops the document unless it was ended, so a failure half-way through a
// print hands nothing on.
class DocumentGuard {
public:
    explicit DocumentGuard(PageSurface& page) : page_(&page) {}
    ~DocumentGuard()
    {
        if (page_)
            page_->KillDoc();
    }
    DocumentGuard(const DocumentGuard&) = delete;
    DocumentGuard& operator=(const DocumentGuard&) = delete;

    void release() { page_ = nullptr; }

private:
    PageSurface* page_;
};

} // namespace

PrintOutcome printtiming(const QString& filepath, const PageRequest& request,
                         PrintingService& service, PrinterRef& printerreference)
{
    return printtiming(request, readCapture(filepath), service, printerreference);
}

PrintOutcome printtiming(const PageRequest& asked, const Capture& capture, PrintingService& service,
                         PrinterRef& printerreference)
{
    PageRequest storage;
    const PageRequest& request = decodedRequest(asked, capture, storage);
    const LevelTable levels = requestLevels(capture.samples(), request);
    const std::vector<PageLayout> layouts = pageLayouts(request, capture.sampleCount());
    std::vector<RecordedPage> pages;
    std::optional<Fault> drawing;
    try {
        pages = drawPages(request, levels, layouts, capture.path());
    } catch (const Fault& fault) {
        drawing = fault; // for the printer, if there is one
    }

    const PrinterRef printer = selectPrinter(service, printerreference);
    if (!printer)
        return PrintOutcome::NoPrinter;
    PageSurface& page = printer->surface();
    DocumentGuard guard(page);
    if (drawing)
        throw *drawing;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        // Every further page is set up as the first was.
        if (i > 0) {
            page.newPage();
            setupPage(page);
        }
        if (pages[i].paper != Paper::Tabloid || pages[i].layout != LayoutKind::Sheet)
            page.setPaper(pages[i].paper, pages[i].layout);
        replayCalls(std::span(pages[i].calls).subspan(drawingStart(pages[i])), page);
    }
    const bool ended = page.EndDoc();
    guard.release();
    return ended ? PrintOutcome::Printed : PrintOutcome::Cancelled;
}
