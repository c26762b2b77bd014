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

// The pixels of an em at `points` on the sheet, at least one.
constexpr int textPixels(int points)
{
    return points <= 0 ? 1
                       : std::max(1, (points * sheetDpi * 2 + pointsPerInch) / (2 * pointsPerInch));
}
