// Printing one capture as a timing page: the steps from table to ended document.

#include "printing/printtiming.h"

#include "capture/sampletable.h"
#include "capture/valuechangedump.h"
#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"
#include "printing/printers/printerchoice.h"

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

} // namespace

PrintOutcome printtiming(const PrintRequest& request, PrintingService& service,
                         PrinterRef& printerreference)
{
    return printtiming(request, SampleTable::read(request.filepath, request.filebytes), service,
                       printerreference);
}

PrintOutcome printtiming(const PrintRequest& request, const SampleTable& table,
                         PrintingService& service, PrinterRef& printerreference)
{
    const LevelTable levels = selectChannels(table, channelBoxes(request));

    std::vector<PageLayout> layouts = pageLayouts(request.options);
    // Time labels stand under tick marks: without them the traces keep their place.
    if (request.values[tickMarksBox] != 1)
        for (PageLayout& layout : layouts)
            layout.timeaxis = false;

    const PrinterRef printer = selectPrinter(service, printerreference);
    if (!printer)
        return PrintOutcome::NoPrinter;

    PageSurface& page = printer->surface();
    const bool tickmarks = request.values[tickMarksBox] == 1;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        // Every further page is set up as the first was.
        if (i > 0)
            setupPage(page);
        DocumentGuard guard(page);
        drawtraces(page, levels, tickmarks, request.tickfrequency, request.filepath, layouts[i]);
        writePageText(page, levels,
                      {request.heading, request.tickfrequency, request.resolution,
                       request.unitindex, tickmarks},
                      layouts[i]);
        const bool ended = page.EndDoc();
        guard.release();
        if (!ended)
            return PrintOutcome::Cancelled;
    }
    return PrintOutcome::Printed;
}

ChannelBoxes channelBoxes(const PrintRequest& request)
{
    ChannelBoxes boxes;
    for (std::size_t c = 0; c < std::size_t(channelCount); ++c) {
        boxes.values[c] = request.values[c];
        boxes.captions[c] = request.captions[c];
    }
    return boxes;
}

QByteArray valueChangeDumpOf(const PrintRequest& request, const SampleTable& table)
{
    return valueChangeDump(selectChannels(table, channelBoxes(request)),
                           {request.heading, request.resolution, request.unitindex,
                            request.options.firstsample, request.options.lastsample});
}
