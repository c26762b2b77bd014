#pragma once

#include "printing/page/sheet.h"
#include "printing/printers/printingservice.h"

#include <QString>

// The one printer a print goes to, matched on its lower-cased device name.
inline const QString wantedPrinterName = QStringLiteral("adobe pdf");

inline constexpr int pageScaleMode = 3; // device pixels
inline constexpr int pageResolution = sheetDpi;
inline constexpr int pageSettingAValue = 4;
inline constexpr int pageSettingBValue = 2;
inline constexpr int pageSettingCValue = 1;

// Makes the first printer named "adobe pdf" (any case, nothing added) current,
// then checks the current printer's name. When it does not match, returns
// nullptr having touched nothing else: the print is given up silently.
// Otherwise sets `printerreference` to the current printer, sets up its page
// (ScaleMode, resolution, page settings A, B, C, in that order) and returns it.
PrinterRef selectPrinter(PrintingService& service, PrinterRef& printerreference);

// The page settings after ScaleMode: resolution, then settings A, B and C.
void setupPage(PageSurface& page);
