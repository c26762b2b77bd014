#include "printing/pdfprinter.h"

#include "printing/pagerenderer.h"
#include "util/atomicfile.h"
#include "util/fault.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

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
    // Drawn in memory first: the PDF engine does not check what its device
    // takes, so a short write would pass unnoticed on the way to a file.
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(renderResolution);
        writer.setCreator(QStringLiteral("zelmar-pdf"));
        const QPageLayout layout(QPageSize(QPageSize::Tabloid), QPageLayout::Landscape,
                                 QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!writer.setPageLayout(layout) || !painter.begin(&writer))
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("the 11 x 17 inch PDF page cannot be set up"));
        renderPage(painter, calls);
        painter.end();
    }
    return document;
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
