#include "printing/pdfprinter.h"

#include "printing/pagerenderer.h"
#include "util/fault.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

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

[[noreturn]] void cannotWrite(const QString& path, const QString& reason)
{
    throw Fault(FaultKind::CannotOpenFile,
                QStringLiteral("cannot write the PDF document: %1").arg(reason))
        .inFile(path);
}

} // namespace

void writePdf(const QString& path, const std::vector<SurfaceCall>& calls)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file.errorString());

    {
        QPdfWriter writer(&file);
        writer.setResolution(renderResolution);
        writer.setCreator(QStringLiteral("zelmar-pdf"));
        const QPageLayout layout(QPageSize(QPageSize::Tabloid), QPageLayout::Landscape,
                                 QMarginsF(0, 0, 0, 0));
        if (!writer.setPageLayout(layout))
            cannotWrite(path, QStringLiteral("the 11 x 17 inch sheet cannot be set up"));

        QPainter painter;
        if (!painter.begin(&writer))
            cannotWrite(path, file.errorString());
        renderPage(painter, calls);
        if (!painter.end())
            cannotWrite(path, file.errorString());
    }

    if (!file.commit())
        cannotWrite(path, file.errorString());
}

PrintingService makePrintingService(std::vector<PrinterRef> printers,
                                    PdfPrinter::TargetChooser chooser)
{
    PrintingService service(std::move(printers));
    service.addPrinter(std::make_shared<PdfPrinter>(std::move(chooser)));
    return service;
}
