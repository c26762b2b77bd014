// Choosing the printer a print goes to.

#include "printing/printers/printerchoice.h"

PrinterRef selectPrinter(PrintingService& service, PrinterRef& printerreference)
{
    for (const PrinterRef& printer : service.printers()) {
        if (printer && printer->deviceName().toLower() == wantedPrinterName) {
            service.setCurrent(printer);
            break;
        }
    }
    // Checked again on the current printer: it may bear the name although the
    // scan found nothing.
    if (service.currentDeviceName().toLower() != wantedPrinterName)
        return nullptr;

    printerreference = service.current();
    printerreference->surface().ScaleMode(pageScaleMode);
    setupPage(service.current()->surface());
    return printerreference;
}

void setupPage(PageSurface& page)
{
    page.PrintResolution(pageResolution);
    page.PageSettingA(pageSettingAValue);
    page.PageSettingB(pageSettingBValue);
    page.PageSettingC(pageSettingCValue);
}
