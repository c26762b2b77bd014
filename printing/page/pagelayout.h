#pragma once

// Which samples a page shows and where they fall: the whole capture on one
// page, as the desktop prints it, or a range of samples spread over the same
// trace width and split over several pages. The drawing never depends on
// the paper: the writers fit the sheet to it (output/).

#include "capture/sampletable.h"
#include "printing/page/paper.h"
#include "printing/page/sheet.h"

#include <QString>

#include <vector>

struct PageOptions {
    int firstsample = 0; // the range, 0-based and inclusive
    int lastsample = sampleCount - 1;
    int pages = 1;                // consecutive pages of equal sample count
    bool timeaxis = false;        // time labels under the tick marks
    Paper paper = Paper::Tabloid; // the writers fit the sheet to it

    // The page the desktop prints: the whole capture, one page, no axis.
    bool whole() const;
};

// Time labels need room under the tick marks: the slots move down by this much.
inline constexpr int timeAxisTop = tickBottom + 25;
inline constexpr int timeAxisPoints = 9;
inline constexpr int timeAxisShift = 200;
inline constexpr int timeLabelGap = 20; // from its tick to a label
// The line naming a page's samples, between the tick-frequency line and the ticks.
inline constexpr int rangeLineTop = 1060;
inline constexpr int rangeLinePoints = 9;

struct PageLayout {
    int first = 0; // samples on this page
    int last = sampleCount - 1;
    int perpage = sampleCount; // samples that fill the trace width
    int rangefirst = 0;        // the whole range the pages split
    int rangelast = sampleCount - 1;
    int page = 0; // 0-based
    int pages = 1;
    bool timeaxis = false;

    bool whole() const;
    // x of the boundary before sample k (k = last + 1: the right end).
    int sampleX(int k) const;
    int baseLine(int slot) const;
    int nameTop(int slot) const;
    // A level change from the sample before this page is drawn at its start.
    bool continues() const { return page > 0; }
};

// The pages `options` asks for, in order. Throws Fault(SubscriptOutOfRange)
// for a range outside 0 ... 2047, reversed, or a page count below 1.
std::vector<PageLayout> pageLayouts(const PageOptions& options);
