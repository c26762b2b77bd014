// The installed printers and the current one.

#include "printing/printers/printingservice.h"

PrintingService::PrintingService(std::vector<PrinterRef> printers) : printers_(std::move(printers))
{
}

void PrintingService::addPrinter(PrinterRef printer) { printers_.push_back(std::move(printer)); }

QString PrintingService::currentDeviceName() const
{
    return current_ ? current_->deviceName() : QString();
}
