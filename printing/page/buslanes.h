#pragma once

// Bus lanes: channels read together as one value, a lane each after the
// single traces, drawn as two lines that cross where the value changes, with
// the value written between the crossings.

#include "capture/leveltable.h"
#include "printing/page/diagramoptions.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"
#include "printing/page/tracedrawing.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// `value` of a bus `width` channels wide: hex, a digit each four channels
// ("0A5", upper case); dec, unsigned ("165"); bin, a digit a channel
// ("10100101"); ascii, a byte each eight channels, most significant first,
// "!" … "~" as themselves but "\" as "\\", any other byte as "\xHH".
QString busValueText(quint64 value, int width, Radix radix);

// `text` as it fits `room` pixels at `points`: whole, else as many of its
// first characters as fit followed by "…", else nothing.
QString fittedText(const QString& text, double room, int points);

// The size of a lane's values: 9 points, smaller when a lane is lower than
// their em.
int laneValuePoints(const PageLayout& layout);
// Between a lane's text and the slants beside it.
inline double laneTextGap(int points) { return textPixels(points) / 8.0; }
// The narrowest stretch, in pixels, that may hold a text: narrower ones
// need none.
double laneLeastRoom(const PageLayout& layout);

// Samples first … end - 1 of a lane, one box: written in it is the first of
// `texts` (longest first) that fits whole, else the last cut short, else
// nothing.
struct LaneStretch {
    int first;
    int end;
    QStringList texts;
};

struct LaneText {
    int x, y;
    QString text;
};

// Lanes' lines and texts, gathered so that all are drawn with one setting.
struct LanePlan {
    LineGroup lines{3, solidStyle, traceBlack, {}};
    std::vector<LaneText> texts;
    int points = 9;
};

// One lane of boxes in `slot`, from `stretches` in order and not
// overlapping: two lines that cross where one stretch meets the next and
// close to a point at a stretch's free edge, nothing between stretches that
// do not meet. An edge exactly on the page's first sample or after its last
// closes there too (the other half is on the page that joins it); a stretch
// reaching past the page is cut square at its edge.
void planLane(LanePlan& plan, const std::vector<LaneStretch>& stretches, int slot,
              const PageLayout& layout);
void paintLanes(PageSurface& page, const LanePlan& plan);
// Both, for a lane drawn on its own.
void drawLane(PageSurface& page, const std::vector<LaneStretch>& stretches, int slot,
              const PageLayout& layout);

// Each bus of the request in its slot after the traces, its name beside
// it as a trace's. Throws Fault(SubscriptOutOfRange) when `levels` lacks
// the values of a bus; nothing is drawn then.
void drawBusLanes(PageSurface& page, const PageRequest& request, const LevelTable& levels,
                  const PageLayout& layout);
