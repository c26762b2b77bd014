// The PDF printer: the recorded page written as a PDF file where the user says.

#include "printing/printers/pdfprinter.h"

#include "printing/output/pdf/pdfpages.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <memory>

PdfPrinter::PdfPrinter(TargetChooser chooser)
    : RecordingPrinter(name, {}), chooser_(std::move(chooser))
{
    setDocumentEnded([this](const std::vector<RecordedPage>& pages) {
        const QString path = chooser_ ? chooser_() : QString();
        if (path.isEmpty())
            return false;
        writePdf(path, pages);
        return true;
    });
}

void writePdf(const QString& path, const std::vector<RecordedPage>& pages)
{
    writeFileAtomically(path, inFile(path, [&] {
                            PdfPages book;
                            for (const RecordedPage& page : pages)
                                book.add(pdfPage(page));
                            return book.finish();
                        }));
}

PrintingService makePrintingService(std::vector<PrinterRef> printers,
                                    PdfPrinter::TargetChooser chooser)
{
    PrintingService service(std::move(printers));
    service.addPrinter(std::make_shared<PdfPrinter>(std::move(chooser)));
    return service;
}
