#pragma once

// One page of a request: its elements in the order they are drawn.
//
// A new element of the page (markers, bus lanes, decoded protocols) is a
// function of the surface, the request, the level table and the layout,
// called from drawPage(); it takes every position from the layout, and what
// it needs from the user comes in a field of the request's options. What it
// draws is recorded with the rest, so every writer and printer has it.

#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"

#include <QString>

// The traces and tick marks, then the text, the bus lanes and the decoded
// rows. Throws
// Fault as drawtraces(), writePageText() and drawBusLanes() do;
// `sourcefile` is named in a level's fault.
void drawPage(PageSurface& page, const PageRequest& request, const LevelTable& levels,
              const PageLayout& layout, const QString& sourcefile = QString());
