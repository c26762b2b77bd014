// The elements of a page, in drawing order.
#include "printing/page/pagedrawing.h"

#include "printing/page/buslanes.h"
#include "printing/page/decodedlanes.h"
#include "printing/page/markers.h"
#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"

void drawPage(PageSurface& page, const PageRequest& request, const LevelTable& levels,
              const PageLayout& layout, const QString& sourcefile)
{
    drawtraces(page, levels, request.ticks, layout, sourcefile);
    writePageText(page, levels, request, layout);
    drawBusLanes(page, request, levels, layout);
    drawDecodedLanes(page, request, layout);
    drawMarkers(page, request, layout);
}
