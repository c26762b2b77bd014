#pragma once

// Drawing the pages of a request from a capture, with no printer involved.
// The converter and the preview write what it draws; the window's Print
// replays it on the printer it chooses.

#include "capture/capture.h"
#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/recordingsurface.h"

#include <QString>

#include <vector>

// Each page recorded with the calls printtiming makes on a printer: the
// first page's set-up with ScaleMode, every further page's without it, then
// the drawing; each on the request's paper. Its decoders run here unless the
// request holds what they decoded. Throws Fault as choosing the channels,
// decoding, laying out the pages and drawing them do.
std::vector<RecordedPage> drawPages(const PageRequest& request, const Capture& capture);

// The same from levels chosen before and pages laid out before: a fault
// here is one of drawing (a level or a tick spacing that cannot be drawn).
// `sourcefile` is named in it.
std::vector<RecordedPage> drawPages(const PageRequest& request, const LevelTable& levels,
                                    const std::vector<PageLayout>& layouts,
                                    const QString& sourcefile);

// Where the drawing of a page recorded by drawPages() begins, after its set-up.
std::size_t drawingStart(const RecordedPage& page);
