#pragma once

// Which samples a page shows and where everything on it falls: the whole
// capture on one page, as the desktop prints it, or a range of samples
// spread over the same trace width and split over several pages. Drawing
// code takes every position from its layout, so that another arrangement of
// the sheet changes only the layout. The drawing never depends on the
// paper: the writers fit the sheet to it (output/).

#include "printing/page/diagramoptions.h"
#include "printing/page/paper.h"
#include "printing/page/sheet.h"

#include <QString>

#include <limits>
#include <vector>

struct PageOptions {
    // The capture's last sample, however many it has.
    static constexpr int lastOfCapture = std::numeric_limits<int>::max();

    int firstsample = 0; // the range, 0-based and inclusive
    int lastsample = lastOfCapture;
    int pages = 1;                // consecutive pages of equal sample count
    bool timeaxis = false;        // time labels under the tick marks
    Paper paper = Paper::Tabloid; // the writers fit the sheet to it
    std::vector<Marker> markers;
    std::vector<BusLane> buses;
    std::vector<DecoderStack> decoders; // a lane each row they show, after the buses
    LayoutKind layout = LayoutKind::Sheet;

    // The last sample of the range in a capture of `samplecount` samples.
    int lastIn(int samplecount) const
    {
        return lastsample == lastOfCapture ? samplecount - 1 : lastsample;
    }
    friend bool operator==(const PageOptions&, const PageOptions&) = default;
};

// Time labels need room under the tick marks: the slots move down by this much.
inline constexpr int timeAxisTop = tickBottom + 25;
inline constexpr int timeAxisPoints = 9;
inline constexpr int timeAxisShift = 200;
inline constexpr int timeLabelGap = 20; // from its tick to a label
// The line naming a page's samples, between the tick-frequency line and the ticks.
inline constexpr int rangeLineTop = 1060;
inline constexpr int rangeLinePoints = 9;
// Marker labels stand in rows above the tick marks, which move down to make
// room; the times between markers stand in rows under the last slot.
inline constexpr int markerLabelPoints = 12;
inline constexpr int markerRowPitch = 250;
inline constexpr int distancePoints = 9;
inline constexpr int distanceRowPitch = 200;
inline constexpr int distanceGap = 100; // from the last slot's base line to the first row

struct PageLayout {
    int samplecount = 0; // samples of the capture
    int first = 0;       // samples on this page
    int last = -1;
    int perpage = 1;    // samples that fill the trace width
    int rangefirst = 0; // the whole range the pages split
    int rangelast = -1;
    int page = 0; // 0-based
    int pages = 1;
    bool timeaxis = false;
    int slotcount = 0;  // traces and lanes, one slot each
    int markerrows = 0; // rows of marker labels above the tick marks

    // The whole capture on one page, as the desktop prints it.
    static PageLayout wholeCapture(int samplecount);
    bool whole() const;
    // A level change from the sample before this page is drawn at its start.
    bool continues() const { return page > 0; }
    // The page ends with the capture's last sample: the sentinel row follows it.
    bool endsCapture() const { return last == samplecount - 1; }

    // x of the boundary before sample k (k = last + 1: the right end).
    int sampleX(int k) const;
    int traceLeft() const { return ::traceLeft; }
    int traceRight() const { return ::traceRight; }
    int baseLine(int slot) const;
    int levelHeight() const { return ::levelHeight; }
    int tickTop() const { return ::tickTop + markerBand(); }
    int tickBottom() const { return ::tickBottom + markerBand(); }
    // The last slot's base line; the tick marks' foot when there is no slot.
    int slotsBottom() const { return slotcount > 0 ? baseLine(slotcount - 1) : tickBottom(); }

    int textLeft() const { return ::textLeft; }
    int nameTop(int slot) const;
    int headingTop() const { return ::headingTop; }
    int tickLineTop() const { return ::tickLineTop; }
    int rangeLineTop() const { return ::rangeLineTop; }
    int timeAxisTop() const { return ::timeAxisTop + markerBand(); }

    // Marker label row `row`, counted upwards from the tick marks.
    int markerLabelTop(int row) const { return tickTop() - (row + 1) * markerRowPitch; }
    // Row `row` of the times between markers.
    int distanceTop(int row) const { return slotsBottom() + distanceGap + row * distanceRowPitch; }
    // No text reaches below this: the heading's margin, kept at the foot.
    int textBottom() const { return sheetHeightPixels - ::headingTop; }
    // What the label rows push the tick marks and slots down by.
    int markerBand() const { return markerrows * markerRowPitch; }
};

// The pages `options` asks for in a capture of `samplecount` samples, in
// order. Throws Fault(SubscriptOutOfRange) for a range outside the capture,
// reversed, or a page count below 1.
std::vector<PageLayout> pageLayouts(const PageOptions& options, int samplecount);
