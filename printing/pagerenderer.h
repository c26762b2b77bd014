#pragma once

#include "printing/recordingsurface.h"

#include <QFont>
#include <QPen>

#include <cstddef>
#include <vector>

class QPainter;

// The sheet the PDF printer prints on: 17 x 11 inches at 1200 dots per inch.
inline constexpr int renderResolution = 1200;
inline constexpr int sheetWidthPixels = 17 * renderResolution;
inline constexpr int sheetHeightPixels = 11 * renderResolution;

// The page surface's default typeface at `points` on a 1200 dpi page.
QFont pageFont(int points);
// Its size in pixels.
int pagePixelSize(int points);

// Draws recorded calls on `painter`, whose user units must be device pixels
// at 1200 dpi with the origin at the top-left of the page. Lines are real
// strokes DrawWidth pixels wide; DrawStyle 2 is dotted; a text's first
// character cell has its top-left corner at (CurrentX, CurrentY).
// Only calls[first] onwards are drawn, in the state the earlier calls set.
void renderPage(QPainter& painter, const std::vector<SurfaceCall>& calls, std::size_t first = 0);

// The pen a line is stroked with in `state`.
QPen pagePen(const SurfaceState& state);

// True when lines drawn in `a` and in `b` take different pens: a batch of
// lines must be stroked before the pen changes.
bool penChanges(const SurfaceState& a, const SurfaceState& b);
