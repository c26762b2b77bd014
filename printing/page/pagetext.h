#pragma once

#include "capture/sampletable.h"
#include "printing/page/pagesurface.h"
#include "printing/page/sheet.h"

#include <QString>

inline constexpr int nameLength = 12;          // characters of a name that fit left of the trace

// What the window's controls hold for the page text.
struct PageTextSettings {
    QString heading;
    QString tickfrequency;
    QString resolution;
    int unitindex = 0;        // 0 ns, 1 us, 2 ms, anything else no unit
    bool tickmarks = false;
};

// "ns", "us", "ms" for 0, 1, 2; "" otherwise.
QString unittext(int unitindex);

// The first 12 characters of a name; a character pair that the cut would
// split is dropped whole.
QString pagename(const QString& name);

// "Tick frequency:" + spacing as typed + " samples", and, when the resolution
// text is not empty, " @ " + resolution + unit + "/sample =" + product + unit.
QString tickfrequencyline(const QString& tickfrequency, const QString& resolution, int unitindex);

// The names beside the traces, the heading, and with tick marks the
// tick-frequency line, each placed explicitly at 12 points.
void writepagetext(PageSurface& page, const LevelTable& levels, const PageTextSettings& settings);
