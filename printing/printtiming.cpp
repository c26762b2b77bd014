// Printing one capture as a timing page: the steps from table to ended document.

#include "printing/printtiming.h"

#include "capture/sampletable.h"
#include "printing/page/pagetext.h"
#include "printing/printers/printerchoice.h"
#include "printing/page/tracedrawing.h"

namespace {

// Drops the document unless it was ended, so a fault half-way through a print
// hands nothing on.
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

constexpr std::size_t tickMarksBox = 16;

} // namespace

PrintOutcome printtiming(const PrintRequest& request, PrintingService& service,
                         PrinterRef& printerreference)
{
    ChannelBoxes boxes;
    for (int c = 0; c < channelCount; ++c) {
        boxes.values[static_cast<std::size_t>(c)] = request.values[static_cast<std::size_t>(c)];
        boxes.captions[static_cast<std::size_t>(c)] = request.captions[static_cast<std::size_t>(c)];
    }
    const LevelTable levels =
        selectchannels(SampleTable::read(request.filepath, request.filebytes), boxes);

    const PrinterRef printer = selectprinter(service, printerreference);
    if (!printer)
        return PrintOutcome::NoPrinter;

    PageSurface& page = printer->surface();
    DocumentGuard guard(page);

    const bool tickmarks = request.values[tickMarksBox] == 1;
    drawtraces(page, levels, tickmarks, request.tickfrequency, request.filepath);
    writepagetext(page, levels,
                  {request.heading, request.tickfrequency, request.resolution, request.unitindex,
                   tickmarks});

    const bool ended = page.EndDoc();
    guard.release();
    return ended ? PrintOutcome::Printed : PrintOutcome::Cancelled;
}
