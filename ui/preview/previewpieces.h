#pragma once

// What of a page a new drawing changes: the page cut into the pieces the
// walk draws one after another, each with a fingerprint and where it draws,
// so that only the pieces that differ are drawn again.

#include "printing/page/recordingsurface.h"

#include <QPoint>
#include <QRect>
#include <QRegion>

#include <cstddef>
#include <vector>

struct DrawnPiece {
    std::size_t first = 0, end = 0; // its calls
    SurfaceState state;             // before its first call
    quint64 hash = 0;               // of its calls and the state they start from
    QRect bounds;                   // the device pixels it may draw on
};

// The pieces of `calls` (a text, or lines of one pen) on the grid where a
// device pixel is `whole` sheet pixels and sheet pixel 0 falls on device
// pixel `origin`; a text may reach the right edge of an image `width` wide.
// No line is thinner than `minimumWidth` sheet pixels.
std::vector<DrawnPiece> piecesOnGrid(const std::vector<SurfaceCall>& calls, int whole,
                                     QPoint origin, int width, double minimumWidth);

// The pixels where `now` draws otherwise than `before`: those of the pieces
// one of them has and the other has not, in order.
QRegion changedBetween(const std::vector<DrawnPiece>& before, const std::vector<DrawnPiece>& now);

// The calls that draw `piece` alone: its state set up, then its own calls.
std::vector<SurfaceCall> callsOf(const std::vector<SurfaceCall>& calls, const DrawnPiece& piece);
