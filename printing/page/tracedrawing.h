#pragma once

// The diagram part of the page: tick marks, guide lines and stepped traces.

#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"

#include <QLine>
#include <QRgb>
#include <QString>
#include <QtGlobal>

#include <vector>

inline constexpr int solidStyle = 0;
inline constexpr int dashedStyle = 1;
inline constexpr int dottedStyle = 2;
inline constexpr QRgb traceBlack = 0xff000000; // RGB (0, 0, 0)
inline constexpr QRgb guideGreen = 0xff008000; // RGB (0, 128, 0)

// Lines that share one width, style and colour, in drawing order.
struct LineGroup {
    int width;
    int style;
    QRgb colour;
    std::vector<QLine> lines;
};

// Everything the drawing puts on the page, computed before any of it is drawn.
struct TracePlan {
    std::vector<LineGroup> groups;
};

// The samples k = 0, T, 2T, ... whose tick falls on `layout`'s page: from its
// first sample to the right end after its last.
std::vector<int> tickSamples(qint32 spacing, const PageLayout& layout);

// Tick marks (when shown), then for each filled slot its guide line (a
// channel that never changes within the range) and its stepped trace, one
// segment per sample of the page and an edge wherever the level changes.
// Throws Fault(Overflow) for an undrawable tick spacing or level;
// `sourcefile` is named in the fault.
TracePlan planTraces(const LevelTable& levels, const TickMarks& ticks, const PageLayout& layout,
                     const QString& sourcefile = QString());

// Sets each group's attributes and draws its lines.
void paintTraces(PageSurface& page, const TracePlan& plan);

// planTraces() then paintTraces(): a fault leaves the page untouched.
// Design name.
void drawtraces(PageSurface& page, const LevelTable& levels, const TickMarks& ticks,
                const PageLayout& layout, const QString& sourcefile = QString());
