#pragma once

// Bus lanes: channels read together as one value, a lane each after the
// single traces, drawn as two lines that cross where the value changes, with
// the value written between the crossings.

#include "capture/leveltable.h"
#include "printing/page/diagramoptions.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"

#include <QString>
#include <QtGlobal>

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

// Each bus of the request in its slot after the traces, its name beside
// it as a trace's. Throws Fault(SubscriptOutOfRange) when `levels` lacks
// the values of a bus; nothing is drawn then.
void drawBusLanes(PageSurface& page, const PageRequest& request, const LevelTable& levels,
                  const PageLayout& layout);
