#pragma once

// The page a request prints, kept instead of handed to a printer.

#include "printing/page/recordingsurface.h"
#include "printing/printtiming.h"

// Prints the request as the desktop would, to a printer that only keeps the
// page: the page every output format is written from. Throws Fault as
// printtiming() does.
RecordedPage recordPage(const PrintRequest& request);
