// The PDF printer: the recorded page written as a PDF file where the user says.

#include "printing/printers/pdfprinter.h"

#include "printing/output/pdf/pdfpages.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <memory>

PdfPrinter::PdfPrinter(TargetChooser chooser)
    : RecordingPrinter(name, {}), chooser_(std::move(chooser))
{
    setPageEnded([this](const RecordedPage& page) {
        const QString path = chooser_ ? chooser_() : QString();
        if (path.isEmpty())
            return false;
        writePdf(path, page);
        return true;
    });
}

void writePdf(const QString& path, const RecordedPage& page)
{
    writeFileAtomically(path, inFile(path, [&] { return pdfDocument(page); }));
}

PrintingService makePrintingService(std::vector<PrinterRef> printers,
                                    PdfPrinter::TargetChooser chooser)
{
    PrintingService service(std::move(printers));
    service.addPrinter(std::make_shared<PdfPrinter>(std::move(chooser)));
    return service;
}
