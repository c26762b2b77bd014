#pragma once

#include "printing/page/recordingsurface.h"

#include <QByteArray>

#include <vector>

inline constexpr int lowestPngDpi = 10;
inline constexpr int highestPngDpi = 1200;

// The calls as a PNG of the page's paper at `dpi` (10 ... 1200) on white,
// the 17 x 11 inch sheet fitted to it. Every line is at least one output
// pixel wide, on whole pixels. The image is drawn and compressed a band of
// rows at a time, so memory stays bounded at any resolution. Throws
// Fault(CannotWriteFile) when it cannot be made. `crop`: only the part of
// the paper that holds the drawing (croppedArea()), out to whole pixels, the
// pixels exactly those of the whole image there.
QByteArray pngDocument(const RecordedPage& page, int dpi, bool crop = false);

// The calls as a raster printer at `dpi` draws them on a paper the sheet is
// fitted to: every line width raised to at least one output pixel, and line
// ends moved to the middle of their pixel, so a thin line is one crisp pixel
// wide rather than two faint ones.
std::vector<SurfaceCall> onOutputPixels(std::vector<SurfaceCall> calls, int dpi,
                                        const PaperFit& fit = {});
