#pragma once

// Which samples a page shows and where everything on it falls: the whole
// capture on one page, as the desktop prints it, or a range of samples
// spread over the same trace width and split over several pages. Drawing
// code takes every position from its layout, so that another arrangement of
// the page changes only the layout. A page is drawn on the sheet, which the
// writers fit to the paper (output/), or with LayoutKind::Fill on the paper
// itself, which they then take as it is.

#include "printing/page/diagramoptions.h"
#include "printing/page/paper.h"
#include "printing/page/sheet.h"

#include <QString>
#include <QStringList>

#include <limits>
#include <optional>
#include <vector>

struct PageOptions {
    // The capture's last sample, however many it has.
    static constexpr int lastOfCapture = std::numeric_limits<int>::max();

    int firstsample = 0; // the range, 0-based and inclusive
    int lastsample = lastOfCapture;
    int pages = 1;                // consecutive pages of equal sample count
    bool timeaxis = false;        // time labels under the tick marks
    Paper paper = Paper::Tabloid; // the sheet is fitted to it, or the page laid out on it
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

// Where everything falls on a page of one layout kind, in pixels at 1200 dpi
// from the top-left corner, y downwards: of the 17 x 11 inch sheet (the
// default values, the page the window prints), or of the paper itself.
struct PageGeometry {
    int width = sheetWidthPixels; // the page the positions are on
    int height = sheetHeightPixels;
    int textLeft = ::textLeft;
    int headingTop = ::headingTop;
    int tickLineTop = ::tickLineTop;
    int rangeLineTop = ::rangeLineTop;
    int tickTop = ::tickTop;
    int tickBottom = ::tickBottom;
    int timeAxisTop = ::timeAxisTop;
    int timeAxisShift = ::timeAxisShift; // the slots move down under time labels
    int timeLabelGap = ::timeLabelGap;   // from its tick to a label
    int traceLeft = ::traceLeft;
    int traceRight = ::traceRight;
    int firstBaseLine = ::firstBaseLine; // slot 0, level 0, without the time axis
    int slotPitch = ::slotPitch;
    int levelHeight = ::levelHeight;
    int nameAbove = ::firstBaseLine - ::firstNameTop; // a name's top above its base line
    int headingWidth = 0; // > 0: the heading breaks into lines this wide
    int textRight = 0;    // > 0: time labels kept left of this where they can be
    int headingLineHeight = ::headingLineHeight;
    int bottom = sheetBottom;        // the lowest the drawing reaches
    int textPoints = ::textPoints;   // heading, names, tick frequency line
    int labelPoints = ::labelPoints; // range line, time labels

    // Laid out on `paper` itself for `slotcount` traces and lanes under a
    // heading of `headinglines` lines, `room` pixels of the height kept from
    // the slots.
    static PageGeometry filling(Paper paper, int slotcount, bool timeaxis, int headinglines,
                                int room);
    friend bool operator==(const PageGeometry&, const PageGeometry&) = default;
};

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
    PageGeometry geometry;

    // The whole capture on one page, as the desktop prints it.
    static PageLayout wholeCapture(int samplecount);
    bool whole() const;
    // A level change from the sample before this page is drawn at its start.
    bool continues() const { return page > 0; }
    // The page ends with the capture's last sample: the sentinel row follows it.
    bool endsCapture() const { return last == samplecount - 1; }

    int width() const { return geometry.width; }
    int height() const { return geometry.height; }

    // x of the boundary before sample k (k = last + 1: the right end).
    int sampleX(int k) const;
    int traceLeft() const { return geometry.traceLeft; }
    int traceRight() const { return geometry.traceRight; }
    int baseLine(int slot) const;
    int levelHeight() const { return geometry.levelHeight; }
    int slotPitch() const { return geometry.slotPitch; }
    int tickTop() const { return geometry.tickTop + markerBand(); }
    int tickBottom() const { return geometry.tickBottom + markerBand(); }
    // The last slot's base line; the tick marks' foot when there is no slot.
    int slotsBottom() const { return slotcount > 0 ? baseLine(slotcount - 1) : tickBottom(); }

    int textLeft() const { return geometry.textLeft; }
    int nameTop(int slot) const { return baseLine(slot) - geometry.nameAbove; }
    int headingTop() const { return geometry.headingTop; }
    int tickLineTop() const { return geometry.tickLineTop; }
    int rangeLineTop() const { return geometry.rangeLineTop; }
    int timeAxisTop() const { return geometry.timeAxisTop + markerBand(); }
    int timeLabelGap() const { return geometry.timeLabelGap; }
    // Points of the heading and names, and of the smaller labels.
    int textPoints() const { return geometry.textPoints; }
    int labelPoints() const { return geometry.labelPoints; }

    // Marker label row `row`, counted upwards from the tick marks.
    int markerLabelTop(int row) const { return tickTop() - (row + 1) * markerRowPitch; }
    // Row `row` of the times between markers.
    int distanceTop(int row) const { return slotsBottom() + distanceGap + row * distanceRowPitch; }
    // No text reaches below this: the bottom margin.
    int textBottom() const { return geometry.bottom; }
    // What the label rows push the tick marks and slots down by.
    int markerBand() const { return markerrows * markerRowPitch; }
};

// "sheet", "fill".
QString layoutName(LayoutKind layout);
// Case-insensitive; nullopt for any other name.
std::optional<LayoutKind> layoutNamed(const QString& name);
QStringList layoutNames();

// The geometry `options` lays its pages out in, for `slotcount` traces and
// lanes under a heading of `headinglines` lines; a page laid out on its
// paper keeps `room` pixels of its height for the markers' rows.
PageGeometry pageGeometry(const PageOptions& options, int slotcount, bool timeaxis,
                          int headinglines = 1, int room = 0);

// The pages `options` asks for in a capture of `samplecount` samples, in
// order. Throws Fault(SubscriptOutOfRange) for a range outside the capture,
// reversed, or a page count below 1.
std::vector<PageLayout> pageLayouts(const PageOptions& options, int samplecount);
