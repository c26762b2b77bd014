#pragma once

// Markers on a page: a dashed line at each marker's sample from the tick
// marks through the last slot, its label in a row above the tick marks, and
// under the last slot the distance from each marker to the next, as time
// and frequency.

#include "printing/page/diagramoptions.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"

#include <QRgb>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <vector>

inline constexpr int maximumMarkers = 26; // A to Z
inline constexpr int maximumLabelRows = 8;
inline constexpr int markerWidth = 3;
inline constexpr QRgb markerBlue = 0xff0046c8; // RGB (0, 70, 200)

// The label of markers[index] as printed: its own, one line cut to 12
// characters, or the letter of its place among the markers (A for the first).
QString markerLabel(const std::vector<Marker>& markers, std::size_t index);

// "31.25 kHz": in the largest of Hz, kHz, MHz and GHz it reaches, with at
// most four decimals.
QString frequencyText(double hertz);

// "A→B  32 µs  (31.25 kHz)", the time in the time axis's units rule; with
// no usable period (0), or a time too short or too long to print,
// "A→B  256 samples".
QString distanceText(const QString& from, const QString& to, qint64 samples, double period);

// At least the width the page font gives `text` at `points`, in pixels, as
// far as can be told without the font: the page is laid out before any font
// is loaded.
int textWidthEstimate(const QString& text, int points);

struct PlacedMarker {
    int sample;
    int x;
    int row; // label row counted upwards from the tick marks; -1: no room for it
    QString label;
};

struct PlacedText {
    int left;
    int row;
    QString text;
};

// Where a page's markers and distances go. Markers outside the range are
// left out; the rest are taken in sample order (in the order given where
// two share a sample), and each pair of neighbours whose second marker is on
// this page has its distance here, centred between the two lines (between
// the left end and the second line when the first is on an earlier page).
// A label goes in the lowest row where it meets no other label or line and
// its own line crosses no label; a distance in the lowest row clear of the
// others. What finds no row within the limits is left out.
struct MarkerPlan {
    std::vector<PlacedMarker> markers;
    std::vector<PlacedText> distances;
    int labelRows = 0;
};
MarkerPlan planMarkers(const std::vector<Marker>& markers, const PageLayout& layout, double period);

// The rows of labels every page needs: the most any page of `layouts` needs.
int markerRows(const std::vector<Marker>& markers, const std::vector<PageLayout>& layouts);

// Draws the request's markers on the page, and leaves the surface drawing
// 1-pixel solid black lines, as a fresh one does.
void drawMarkers(PageSurface& page, const PageRequest& request, const PageLayout& layout);
