#pragma once

// The papers a page can be printed on. The drawing is made on the 17 x 11
// inch sheet (sheet.h); on other paper it is scaled uniformly to fit and
// centred, and no line gets thinner than the sheet's thinnest, one pixel at
// 1200 dpi, so nothing fades away on a smaller paper. A page laid out to
// fill its paper is drawn on the paper itself and taken as it is.

#include "printing/page/diagramoptions.h"

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>

enum class Paper { Tabloid, A3, A4, Letter, Legal };

// "tabloid", "a3", "a4", "letter", "legal".
QString paperName(Paper paper);
// Case-insensitive; nullopt for any other name.
std::optional<Paper> paperNamed(const QString& name);
QStringList paperNames();
QPageSize pageSizeOf(Paper paper);

// Where the sheet falls on a paper, landscape. Lengths are pixels at
// 1200 dpi on the paper.
struct PaperFit {
    double width = 0, height = 0; // the paper
    double scale = 1;             // paper pixels a sheet pixel takes, at most 1
    double left = 0, top = 0;     // the sheet's top-left corner on the paper
    // The thinnest line, in sheet pixels: one paper pixel.
    double minimumWidth = 1;

    // Tabloid, or a page drawn on its paper: nothing moves.
    bool identity() const { return scale == 1 && left == 0 && top == 0; }
};

PaperFit paperFit(Paper paper);
// A page of `layout` on `paper`: the sheet fitted to it, or a page drawn on
// the paper itself, which no scale or shift moves.
PaperFit paperFit(Paper paper, LayoutKind layout);
// The sheet fitted onto any area, such as a printer's page, given in
// 1200-dpi pixels: scaled uniformly to fill it and centred.
PaperFit fitSheetOnto(double width, double height);
// The same for a page of any size, such as one laid out on its paper.
PaperFit fitPageOnto(double pagewidth, double pageheight, double width, double height);
