#pragma once

#include "printing/recordingsurface.h"

#include <QByteArray>

#include <vector>

inline constexpr int lowestPngDpi = 10;
inline constexpr int highestPngDpi = 1200;

// The calls as a PNG of the whole 17 x 11 inch sheet at `dpi` (10 ... 1200)
// on white. Every line is at least one output pixel wide. The sheet is drawn
// and compressed a band of rows at a time, so memory stays bounded at any
// resolution. Throws Fault(CannotWriteFile) when it cannot be made.
QByteArray pngDocument(const std::vector<SurfaceCall>& calls, int dpi);

// The calls with every line width raised to at least one pixel at `dpi`.
std::vector<SurfaceCall> atLeastOnePixelWide(std::vector<SurfaceCall> calls, int dpi);
