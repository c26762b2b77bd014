#pragma once

#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"

#include <QString>

#include <vector>

class QPrinter;

// The system's installed printers, in Qt's enumeration order, as printers of
// the printing service.
std::vector<PrinterRef> systemPrinters();

// The system's default printer among `printers`, or nullptr.
PrinterRef defaultSystemPrinter(const std::vector<PrinterRef>& printers);

// Draws the recorded pages on `printer`, one document: each an 11 x 17 inch
// landscape sheet fitted to its paper, origin at the printable area's
// corner, or a page laid out on its paper, origin at the paper's corner;
// 1200 dpi units. A printer that does not take the first page's
// paper throws Fault naming `name`. False if the driver failed.
bool printOnSheet(QPrinter& printer, const QString& name, const std::vector<RecordedPage>& pages);
