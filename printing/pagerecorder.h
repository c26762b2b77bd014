#pragma once

// The page a request prints, kept instead of handed to a printer.

#include "printing/page/recordingsurface.h"
#include "printing/printtiming.h"

#include <vector>

// Prints the request as the desktop would, to a printer that only keeps the
// pages: the pages every output format is written from, one unless the
// request's options ask for more. Throws Fault as printtiming() does.
std::vector<RecordedPage> recordPages(const PrintRequest& request);
// The same from a table read before.
std::vector<RecordedPage> recordPages(const PrintRequest& request, const SampleTable& table);
// The one page of a request without page options.
RecordedPage recordPage(const PrintRequest& request);
