#include "printing/pdfprinter.h"

#include "printing/pagerenderer.h"
#include "printing/pdfstrokes.h"
#include "util/atomicfile.h"
#include "util/fault.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
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

namespace {

QByteArray engineDocument(const std::vector<SurfaceCall>& calls, const QPageLayout& layout,
                          std::size_t first)
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
        QPainter painter;
        if (!writer.setPageLayout(layout) || !painter.begin(&writer))
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("the 11 x 17 inch PDF page cannot be set up"));
        renderPage(painter, calls, first);
        painter.end();
    }
    return document;
}

} // namespace

QByteArray pdfDocument(const std::vector<SurfaceCall>& calls)
{
    const QPageLayout layout(QPageSize(QPageSize::Tabloid), QPageLayout::Landscape,
                             QMarginsF(0, 0, 0, 0));
    // The lines drawn before any text are written by pdfStrokeContent(), much
    // faster than the engine writes them, and go under the engine's page; the
    // rest keeps the engine's drawing order.
    const auto firstText = std::find_if(calls.begin(), calls.end(), [](const SurfaceCall& call) {
        return call.kind == SurfaceCallKind::Print;
    });
    const bool linesFirst = std::any_of(calls.begin(), firstText, [](const SurfaceCall& call) {
        return call.kind == SurfaceCallKind::Line;
    });
    if (linesFirst) {
        const auto split = static_cast<std::size_t>(firstText - calls.begin());
        // Packing the lines on a second core while the engine draws the text
        // was measured no faster, so it stays on this one.
        const QByteArray lines = flateEncoded(pdfStrokeContent(
            calls, split, 72.0 / renderResolution, layout.fullRectPoints().height()));
        const QByteArray engine = engineDocument(calls, layout, split);
        const QByteArray document = withContentUnderneath(engine, lines);
        if (!document.isEmpty())
            return document;
    }
    return engineDocument(calls, layout, 0);
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
