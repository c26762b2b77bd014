#include "printing/pdfprinter.h"

#include "printing/pagerenderer.h"
#include "printing/pdfbook.h"
#include "printing/pdfpages.h"
#include "printing/pdfstrokes.h"
#include "util/atomicfile.h"
#include "util/fault.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>

#include <algorithm>
#include <memory>
#include <optional>

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

QByteArray engineDocument(const std::vector<SurfaceCall>& calls, std::size_t first)
{
    PdfBook book;
    book.addPage(calls, first);
    return book.finish();
}

} // namespace

QByteArray pdfDocument(const std::vector<SurfaceCall>& calls)
{
    if (std::optional<PdfPage> page = directPdfPage(calls)) {
        PdfPages pages;
        pages.add(std::move(*page));
        return pages.finish();
    }
    // Text only the engine can draw: it writes the page, its lines excepted.
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
        const QByteArray engine = engineDocument(calls, split);
        const QByteArray document = withContentUnderneath(engine, lines);
        if (!document.isEmpty())
            return document;
    }
    return engineDocument(calls, 0);
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
