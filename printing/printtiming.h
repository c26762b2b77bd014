#pragma once

// Printing a capture as timing pages on the chosen printer: the window's Print.

#include "capture/capture.h"
#include "printing/page/pagerequest.h"
#include "printing/printers/printingservice.h"

#include <QString>

enum class PrintOutcome {
    Printed,   // the document was ended and handed on
    NoPrinter, // no printer named "adobe pdf": given up silently
    Cancelled, // the driver gave the job up (e.g. Save cancelled)
};

// Capture -> channels -> printer choice and page set-up -> drawing -> text ->
// end of document. The pages are drawn before the printer is chosen; a
// fault of reading or of the levels stops the print before the choice, one
// of drawing (a level too high to draw, a tick spacing beyond 32 bits) after
// it, dropping the document, and not at all when no printer is found.
// Several pages make one document. `printerreference` is the window's
// printer reference, set when a printer is found.
// Design name.
PrintOutcome printtiming(const PageRequest& request, const Capture& capture,
                         PrintingService& service, PrinterRef& printerreference);

// The same, reading the file at `filepath` first, whatever its line 1 holds.
PrintOutcome printtiming(const QString& filepath, const PageRequest& request,
                         PrintingService& service, PrinterRef& printerreference);
