#pragma once

// What the main window's specified controls hand over to Print, and the one
// place it becomes a page request: which boxes count as ticked, which
// captions are printed and how the typed numbers are read.

#include "capture/leveltable.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"

#include <QString>

#include <vector>

// The channel check boxes; channel k's box at index k.
struct ChannelBoxes {
    std::vector<int> values; // 0 unticked, 1 ticked, 2 greyed (not ticked)
    std::vector<QString> captions;
};

struct WindowSettings {
    ChannelBoxes channels;
    int tickmarks = 0; // the "Tick marks" box, valued as a channel's
    QString tickfrequency;
    QString resolution;
    int unitindex = 0; // the chosen entry of `units`; -1 none
    QString heading;
};

// The ticked channels in box order, each named by its caption.
std::vector<ChosenChannel> tickedChannels(const ChannelBoxes& boxes);

// The request Print makes of the settings; `options` lay out the pages (by
// default the one page the window prints).
PageRequest pageRequest(const WindowSettings& settings, const PageOptions& options = {});
