#pragma once

// The page font's widths and heights, so that text can be fitted where it
// is drawn without loading a font: every writer draws the page's text in
// DejaVu Sans (output/pagerenderer.h), at textPixels(points) to the em.

#include <QStringView>

// The advance of `text` at `points`, in 1200 dpi pixels. A character other
// than printable ASCII or the ellipsis counts as an em, as wide as the
// widest of them.
double pageTextWidth(QStringView text, int points);

// The advance of printable ASCII `c` (' ' … '~'), in 2048ths of the em.
int pageAsciiAdvance(char32_t c);

// How far the middle of the digits and capitals lies below the top of a
// text's cell (CurrentY) at `points`, in 1200 dpi pixels.
double pageCapitalMiddle(int points);
