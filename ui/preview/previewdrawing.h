#pragma once

// Drawing a recorded page for the preview's view, as the writers draw it but
// at the view's resolution.

#include "printing/page/recordingsurface.h"

#include <QPoint>

#include <vector>

class QImage;
class QPainter;

// Draws `calls` on `image` through `painter`, which is open on it and maps
// sheet pixel k * whole + whole / 2 to the middle of device pixel origin + k,
// with every line's ends on the corner of their pixel. A line thinner than a pixel is
// one pixel wide at full strength, as a raster printer draws it.
// Written straight into the image, a line's pixels stay within `clip`,
// which the painter must clip to as well.
void renderOnGrid(QPainter& painter, QImage& image, const std::vector<SurfaceCall>& calls,
                  int whole, QPoint origin, double minimumWidth, const QRect& clip);

// The same between the grid's steps, where `painter` maps sheet pixels to
// device pixels with any scale: lines thinner than `pixel` sheet pixels
// are one pixel wide, the rest antialiased strokes.
void renderScaled(QPainter& painter, const std::vector<SurfaceCall>& calls, double pixel,
                  double minimumWidth);
