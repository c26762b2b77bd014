#pragma once

#include "printing/output/strokebatch.h"
#include "printing/page/paper.h"
#include "printing/page/recordingsurface.h"
#include "printing/page/sheet.h"

#include <QFont>
#include <QPen>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

class QPainter;

// The page surface's default typeface at `points` on a 1200 dpi page.
QFont pageFont(int points);
inline constexpr char pageFontFamily[] = "DejaVu Sans";
// Its size in pixels.
int pagePixelSize(int points);

// Draws recorded calls on `painter`, whose user units must be device pixels
// at 1200 dpi with the origin at the top-left of the page. Lines are real
// strokes DrawWidth pixels wide; DrawStyle 1 is dashed, 2 dotted; a text's first
// character cell has its top-left corner at (CurrentX, CurrentY).
// `outlines` fills the outline of a text the page font cannot draw alone
// instead, as the PDF engine draws what it cannot embed (glyphs no installed
// font has: solid boxes), laid out for the device's resolution, which must
// then be 1200 dpi. No line is thinner than `minimumWidth` pixels.
void renderPage(QPainter& painter, const std::vector<SurfaceCall>& calls, bool outlines = false,
                double minimumWidth = 1);

// One Print call's text as renderPage() draws it, in `state`.
void drawPageText(QPainter& painter, const SurfaceState& state, const QString& text,
                  bool outlines = false);

// The same on a paper: the painter's user units are device pixels at 1200
// dpi on the paper, and the sheet is drawn scaled and centred as `fit` says.
void renderOnPaper(QPainter& painter, const std::vector<SurfaceCall>& calls, const PaperFit& fit,
                   bool outlines = false);

// The pen a line is stroked with in `state`: at least `minimumWidth` wide.
QPen pagePen(const SurfaceState& state, double minimumWidth = 1);

// Where a line of calls[index] goes: its ends may be moved; false leaves it out.
using LinePlacer = std::function<bool(std::size_t index, std::array<int, 4>& ends)>;

// Walks the calls as every writer draws them: consecutive lines of one pen
// joined into a batch, handed to `stroke` before the pen changes, before a
// text and at the end (then cleared); each text handed to `print` with the
// state it is drawn in. Stops, returning false, when `print` does. No pen
// is thinner than `minimumWidth` pixels. Each line goes through `place`
// first when it is given.
bool walkPage(const std::vector<SurfaceCall>& calls, double minimumWidth,
              const std::function<void(const StrokeBatch& batch, const QPen& pen)>& stroke,
              const std::function<bool(const SurfaceState& state, const QString& text)>& print,
              const LinePlacer& place = {});
