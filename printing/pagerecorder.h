#pragma once

#include "printing/printtiming.h"
#include "printing/page/recordingsurface.h"

#include <vector>

// Prints the request as the desktop would, to a printer that only keeps the
// page: the calls every output format renders from. Throws Fault as
// printtiming() does.
std::vector<SurfaceCall> recordPage(const PrintRequest& request);
