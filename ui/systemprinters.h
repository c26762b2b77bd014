#pragma once

#include "printing/printingservice.h"

#include <vector>

// The system's installed printers, in Qt's enumeration order, as printers of
// the printing service.
std::vector<PrinterRef> systemprinters();

// The system's default printer among `printers`, or nullptr.
PrinterRef defaultsystemprinter(const std::vector<PrinterRef>& printers);
