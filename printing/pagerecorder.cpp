// Printing to a printer that keeps the page, for the converter.

#include "printing/pagerecorder.h"

#include "printing/printers/pdfprinter.h"
#include "printing/printers/recordingprinter.h"

#include <memory>

namespace {

// Prints through `print` to a printer that keeps the pages.
template <class Print>
std::vector<RecordedPage> keptPages(const PrintRequest& request, Print print)
{
    // Pages of one batch tend to be alike: room for as many calls as the last
    // page of this thread spares regrowing the list call by call.
    thread_local std::size_t lastSize = 0;
    std::vector<RecordedPage> kept;
    std::shared_ptr<RecordingPrinter> printer;
    // Answers to the PDF printer's name so the print goes through the usual
    // printer choice.
    printer = std::make_shared<RecordingPrinter>(PdfPrinter::name, [&](RecordedPage page) {
        lastSize = page.calls.size();
        page.paper = request.options.paper;
        kept.push_back(std::move(page));
        printer->reserve(lastSize);
        return true;
    });
    printer->reserve(lastSize);
    PrintingService service({printer});
    PrinterRef reference;
    print(service, reference);
    return kept;
}

} // namespace

std::vector<RecordedPage> recordPages(const PrintRequest& request)
{
    return keptPages(request, [&](PrintingService& service, PrinterRef& reference) {
        printtiming(request, service, reference);
    });
}

std::vector<RecordedPage> recordPages(const PrintRequest& request, const SampleTable& table)
{
    return keptPages(request, [&](PrintingService& service, PrinterRef& reference) {
        printtiming(request, table, service, reference);
    });
}

RecordedPage recordPage(const PrintRequest& request)
{
    std::vector<RecordedPage> pages = recordPages(request);
    return pages.empty() ? RecordedPage() : std::move(pages.front());
}
