// Pages drawn by Qt's PDF engine into a document in memory.
#include "printing/output/pdf/pdfbook.h"

#include "printing/output/pagerenderer.h"
#include "printing/page/sheet.h"
#include "util/fault.h"

#include <QGuiApplication>
#include <QMarginsF>
#include <QPageSize>

#include <utility>

namespace {

std::function<void()> engineSetUp;

} // namespace

PdfEngineSetUp::PdfEngineSetUp(std::function<void()> setUp) { engineSetUp = std::move(setUp); }

PdfEngineSetUp::~PdfEngineSetUp() { engineSetUp = nullptr; }

PdfBook::PdfBook() : buffer_(&document_)
{
    if (engineSetUp)
        engineSetUp();
    if (!qGuiApp)
        throw Fault(FaultKind::CannotWriteFile,
                    QStringLiteral("the PDF engine's fonts need a GUI application"));
    // Drawn in memory first: the PDF engine does not check what its device
    // takes, so a short write would pass unnoticed on the way to a file.
    buffer_.open(QIODevice::WriteOnly);
    writer_ = std::make_unique<QPdfWriter>(&buffer_);
    writer_->setResolution(sheetDpi);
    writer_->setCreator(QStringLiteral("zelmar-pdf"));
}

PdfBook::~PdfBook()
{
    if (painter_.isActive())
        painter_.end();
}

void PdfBook::addPage(const std::vector<SurfaceCall>& calls, QSize points)
{
    // The sheet by its name, as printers know it.
    const bool sheet = points == QSize(sheetWidthPoints, sheetHeightPoints);
    const QPageLayout page = sheet
                                 ? sheetLayout()
                                 : QPageLayout(QPageSize(points, QString(), QPageSize::ExactMatch),
                                               QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    const auto cannot = [&] {
        return Fault(FaultKind::CannotWriteFile,
                     sheet ? QStringLiteral("the 11 x 17 inch PDF page cannot be set up")
                           : QStringLiteral("the %1 x %2 point PDF page cannot be set up")
                                 .arg(points.width())
                                 .arg(points.height()));
    };
    if (pages_ == 0) {
        if (!writer_->setPageLayout(page) || !painter_.begin(writer_.get()))
            throw cannot();
    } else {
        if (!writer_->pageLayout().isEquivalentTo(page) && !writer_->setPageLayout(page))
            throw cannot();
        if (!writer_->newPage())
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("no further PDF page can be begun"));
    }
    renderPage(painter_, calls);
    ++pages_;
}

QByteArray PdfBook::finish()
{
    if (painter_.isActive())
        painter_.end();
    writer_.reset();
    buffer_.close();
    pages_ = 0;
    return std::exchange(document_, QByteArray());
}
