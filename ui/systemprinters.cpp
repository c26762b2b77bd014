// The system's printers as printers of the printing service.

#include "ui/systemprinters.h"

#include "printing/output/pagerenderer.h"
#include "printing/page/recordingsurface.h"
#include "printing/printers/recordingprinter.h"
#include "util/fault.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// Records the pages, then sends them to the system printer at EndDoc, so a
// fault half-way through a drawing never reaches the print queue.
class SystemPrinter : public RecordingPrinter {
public:
    explicit SystemPrinter(const QPrinterInfo& info)
        : RecordingPrinter(info.printerName(), [info](const std::vector<RecordedPage>& pages) {
              QPrinter printer(info, QPrinter::HighResolution);
              return printOnSheet(printer, info.printerName(), pages);
          })
    {
    }
};

} // namespace

bool printOnSheet(QPrinter& printer, const QString& name, const std::vector<RecordedPage>& pages)
{
    if (pages.empty())
        return false;
    const RecordedPage& page = pages.front();
    printer.setResolution(sheetDpi);
    // The page's origin is the printable area's corner, as on any printer;
    // the driver keeps its own margins. A page laid out on its paper has
    // margins of its own, measured from the paper's corner.
    printer.setFullPage(page.layout == LayoutKind::Fill);
    const QPageSize paper = pageSizeOf(page.paper);
    if (!printer.setPageSize(paper) || !printer.setPageOrientation(QPageLayout::Landscape)
        || !printer.pageLayout().pageSize().isEquivalentTo(paper)) {
        // Another sheet would silently print a page of another size.
        throw Fault(
            FaultKind::CannotOpenFile,
            page.paper == Paper::Tabloid
                ? QStringLiteral("the printer \"%1\" does not take an 11 x 17 inch sheet").arg(name)
                : QStringLiteral("the printer \"%1\" does not take %2 paper")
                      .arg(name, paper.name()));
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw Fault(FaultKind::CannotOpenFile,
                    QStringLiteral("the printer \"%1\" cannot be opened").arg(name));
    // The page is drawn in 1200 dpi device pixels whatever the driver chose.
    const qreal scale = static_cast<qreal>(printer.resolution()) / sheetDpi;
    painter.scale(scale, scale);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage())
            return false;
        renderOnPaper(painter, pages[i].calls, pageFit(pages[i]));
    }
    return painter.end();
}

std::vector<PrinterRef> systemPrinters()
{
    std::vector<PrinterRef> printers;
    const QList<QPrinterInfo> infos = QPrinterInfo::availablePrinters();
    for (const QPrinterInfo& info : infos)
        printers.push_back(std::make_shared<SystemPrinter>(info));
    return printers;
}

PrinterRef defaultSystemPrinter(const std::vector<PrinterRef>& printers)
{
    const QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty())
        return nullptr;
    for (const PrinterRef& printer : printers)
        if (printer->deviceName() == name)
            return printer;
    return nullptr;
}
