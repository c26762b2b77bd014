// The main window's settings as a page request.
#include "printing/windowsettings.h"

#include <algorithm>

std::vector<ChosenChannel> tickedChannels(const ChannelBoxes& boxes)
{
    std::vector<ChosenChannel> chosen;
    const std::size_t count = std::min(boxes.values.size(), boxes.captions.size());
    for (std::size_t c = 0; c < count; ++c)
        if (boxes.values[c] == 1)
            chosen.push_back({int(c), boxes.captions[c]});
    return chosen;
}

PageRequest pageRequest(const WindowSettings& settings, const PageOptions& options)
{
    PageRequest request;
    request.channels = tickedChannels(settings.channels);
    request.ticks = TickMarks::read(settings.tickmarks == 1, settings.tickfrequency);
    request.period = SamplePeriod::read(settings.resolution, settings.unitindex);
    request.heading = settings.heading;
    request.options = options;
    return request;
}
