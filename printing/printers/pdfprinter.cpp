// The PDF printer: records the page and writes it as a PDF at EndDoc.

#include "printing/printers/pdfprinter.h"

#include "printing/output/pdf/pdfpages.h"
#include "util/atomicfile.h"
#include "util/fault.h"

#include <memory>

PdfPrinter::PdfPrinter(TargetChooser chooser) : chooser_(std::move(chooser)) {}

bool PdfPrinter::Surface::EndDoc()
{
    // Whatever happens next, the next drawing starts a fresh document.
    const std::vector<SurfaceCall> calls = takeCalls();
    const QString path = owner_.chooser_ ? owner_.chooser_() : QString();
    if (path.isEmpty())
        return false;
    writePdf(path, calls);
    return true;
}

QByteArray pdfDocument(const std::vector<SurfaceCall>& calls)
{
    PdfPages pages;
    pages.add(pdfPage(calls));
    return pages.finish();
}

void writePdf(const QString& path, const std::vector<SurfaceCall>& calls)
{
    QByteArray document;
    try {
        document = pdfDocument(calls);
    } catch (Fault& fault) {
        fault.inFile(path);
        throw;
    }
    writeFileAtomically(path, document);
}

PrintingService makePrintingService(std::vector<PrinterRef> printers,
                                    PdfPrinter::TargetChooser chooser)
{
    PrintingService service(std::move(printers));
    service.addPrinter(std::make_shared<PdfPrinter>(std::move(chooser)));
    return service;
}
