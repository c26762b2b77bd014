#pragma once

// What a cropped image holds: the drawing of a page, worked out from its
// recorded calls, with a small margin round it.

#include "printing/page/recordingsurface.h"
#include "printing/page/sheet.h"

#include <QRectF>

#include <vector>

// Round the drawing in a cropped image: an eighth of an inch of the paper.
inline constexpr double cropMargin = sheetDpi / 8.0;

// Where the calls draw, in the page's own pixels: every line with its pen
// (at least `minimumWidth` wide, round caps) and every text's box in the
// page font (its advance and line height, and any ink beyond them). Empty
// when nothing is drawn. Needs a GUI application for the font's metrics.
QRectF drawingBounds(const std::vector<SurfaceCall>& calls, double minimumWidth = 1);

// The part of the page's paper a cropped image shows, in pixels at 1200 dpi
// of the paper: the drawing placed as the paper fit puts it, cropMargin
// round it, out to whole pixels and within the paper. The whole paper when
// nothing is drawn.
QRectF croppedArea(const RecordedPage& page);
