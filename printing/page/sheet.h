#pragma once

// The one sheet every page is drawn on and where the diagram sits on it:
// every size and position of the page, in one place. Positions are device
// pixels, 1200 to the inch, from the top-left corner, y downwards.

#include <QPageLayout>

#include <algorithm>

// The sheet: 11 x 17 inches with its long side horizontal.
inline constexpr int sheetDpi = 1200;
inline constexpr int sheetWidthInches = 17;
inline constexpr int sheetHeightInches = 11;
inline constexpr int sheetWidthPixels = sheetWidthInches * sheetDpi;   // 20400
inline constexpr int sheetHeightPixels = sheetHeightInches * sheetDpi; // 13200
inline constexpr int pointsPerInch = 72;
inline constexpr int sheetWidthPoints = sheetWidthInches * pointsPerInch;   // 1224
inline constexpr int sheetHeightPoints = sheetHeightInches * pointsPerInch; // 792
inline constexpr double pointsPerPixel = double(pointsPerInch) / sheetDpi;

// The sheet as printers and Qt's PDF engine name it: Tabloid, landscape, no margins.
QPageLayout sheetLayout();

// The traces and tick marks.
inline constexpr int traceLeft = 3000;
inline constexpr int traceWidth = 16384; // 8 pixels a sample of a 2048-sample capture
inline constexpr int traceRight = traceLeft + traceWidth; // 19384
inline constexpr int levelHeight = 150;
inline constexpr int slotPitch = 350;
inline constexpr int firstBaseLine = 1550; // slot 0, level 0
inline constexpr int tickTop = 1250;
inline constexpr int tickBottom = 1300;

// Trace coordinates are 16-bit: 150 x level must stay below 32768.
inline constexpr int highestDrawableLevel = 32767 / levelHeight; // 218

// The text, all of it at 12 points from one left edge.
inline constexpr int textLeft = 1200;
inline constexpr int headingTop = 625;
inline constexpr int tickLineTop = 850;
inline constexpr int firstNameTop = 1350; // 200 above slot 0's base line
inline constexpr int textPoints = 12;
// The line naming a page's samples, between the tick-frequency line and the ticks.
inline constexpr int rangeLineTop = 1060;
// The smaller text: that line and the time labels.
inline constexpr int labelPoints = 9;
// Time labels need room under the tick marks: the slots move down by this much.
inline constexpr int timeAxisTop = tickBottom + 25;
inline constexpr int timeAxisShift = 200;
inline constexpr int timeLabelGap = 20; // from its tick to a label
// The lowest anything else under the slots may reach: the heading's margin,
// kept at the foot.
inline constexpr int sheetBottom = sheetHeightPixels - headingTop;
// Marker labels stand in rows above the tick marks, which move down to make
// room; the times between markers stand in rows under the last slot.
inline constexpr int markerLabelPoints = 12;
inline constexpr int markerRowPitch = 250;
inline constexpr int distancePoints = 9;
inline constexpr int distanceRowPitch = 200;
inline constexpr int distanceGap = 100; // from the last slot's base line to the first row

// Laid out on the paper itself (pixels at 1200 dpi of the paper): the text
// at its printed size and the same distances from the top as on the sheet,
// half-inch margins, a name column as wide as twelve characters of 12-point
// text take (about 0.8 em each), and the slots sharing the height below the
// tick marks, each at most an inch and a half, the trace 3/7 of it as on
// the sheet.
inline constexpr int fillMargin = 600;
inline constexpr int fillNameColumn = 1920;
inline constexpr int fillMostPitch = 1800;
inline constexpr int fillTraceParts = 3; // levelHeight : slotPitch
inline constexpr int fillPitchParts = 7;
// A name's capitals centred on its trace: their middle is this far below the
// name's top at 12 points.
inline constexpr int fillNameMiddle = 113;
// Under the last slot, room kept for at most this many rows of the times
// between markers; further rows take what room is left.
inline constexpr int fillDistanceRows = 3;
// A heading wider than the paper breaks into lines this far apart (the
// tick-frequency line's distance), at most this many.
inline constexpr int headingLineHeight = tickLineTop - headingTop;
inline constexpr int mostHeadingLines = 3;

// The pixels of an em at `points` on the sheet, at least one.
constexpr int textPixels(int points)
{
    return points <= 0 ? 1
                       : std::max(1, (points * sheetDpi * 2 + pointsPerInch) / (2 * pointsPerInch));
}
