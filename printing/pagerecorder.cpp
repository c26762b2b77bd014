// Printing to a printer that keeps the page, for the converter.
#include "printing/pagerecorder.h"

#include "printing/printers/pdfprinter.h"
#include "printing/printers/recordingprinter.h"

#include <memory>

RecordedPage recordPage(const PrintRequest& request)
{
    // Pages of one batch tend to be alike: room for as many calls as the last
    // page of this thread spares regrowing the list call by call.
    thread_local std::size_t lastSize = 0;
    RecordedPage kept;
    // Answers to the PDF printer's name so the print goes through the usual
    // printer choice.
    const auto printer = std::make_shared<RecordingPrinter>(PdfPrinter::name, [&kept](RecordedPage page) {
        kept = std::move(page);
        return true;
    });
    printer->reserve(lastSize);
    PrintingService service({printer});
    PrinterRef reference;
    printtiming(request, service, reference);
    lastSize = kept.calls.size();
    return kept;
}
