#pragma once

// Shared by the sample table and level table tests: the window's check boxes,
// a capture read into its table, and a level pattern that differs by channel.

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "printing/windowsettings.h"
#include "tests/support/capturefixture.h"

#include <QList>

using capturefixture::CaptureRecipe;
using csv::channelCount;
using csv::sampleCount;
using Channels = QList<int>;

// The window's boxes, `ticked` ticked.
inline ChannelBoxes boxes(const Channels& ticked)
{
    ChannelBoxes b{std::vector<int>(channelCount, 0), std::vector<QString>(channelCount)};
    for (int c = 0; c < channelCount; ++c)
        b.captions[c] = QStringLiteral("name %1").arg(c);
    for (int c : ticked)
        b.values[c] = 1;
    return b;
}

inline LevelTable selectChannels(const SampleTable& table, const ChannelBoxes& b)
{
    return selectChannels(table, tickedChannels(b));
}

inline SampleTable readTable(const QString& path) { return readCapture(path).samples(); }

inline Channels allChannels()
{
    Channels all;
    for (int c = 0; c < channelCount; ++c)
        all << c;
    return all;
}

// A different pattern on every channel, so a slot holding the wrong column shows.
inline int pattern(int row, int channel)
{
    return (row / (channel + 1) + channel) % 3 == 0 ? 1 : 0;
}
