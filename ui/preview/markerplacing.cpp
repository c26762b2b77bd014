// Placing markers with the pointer, and editing them.
#include "ui/preview/markerplacing.h"

#include "printing/page/markers.h"

#include <algorithm>
#include <cmath>

namespace {

// The sample under `x`, the traces' ends included; none outside them.
std::optional<int> sampleUnder(const PageLayout& layout, double x)
{
    if (layout.last < layout.first || x < layout.sampleX(layout.first)
        || x > layout.sampleX(layout.last + 1))
        return std::nullopt;
    // The last sample whose boundary is at or left of x.
    int low = layout.first, high = layout.last;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (layout.sampleX(middle) <= x)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

bool changesAt(const LevelTable& levels, const std::vector<int>& traces, int k)
{
    const auto changes = [&](int slot) {
        const std::vector<quint8>& level = levels.levels[std::size_t(slot)];
        return k > 0 && std::size_t(k) < level.size()
               && level[std::size_t(k)] != level[std::size_t(k - 1)];
    };
    if (traces.empty()) {
        for (int slot = 0; slot < levels.slotCount(); ++slot)
            if (changes(slot))
                return true;
        return false;
    }
    return std::any_of(traces.begin(), traces.end(), changes);
}

} // namespace

std::optional<int> slotAt(const PageLayout& layout, double y)
{
    if (layout.slotcount <= 0)
        return std::nullopt;
    const int pitch =
        layout.slotcount > 1 ? layout.baseLine(1) - layout.baseLine(0) : 2 * layout.levelHeight();
    const double gap = (pitch - layout.levelHeight()) / 2.0;
    const double top = layout.baseLine(0) - layout.levelHeight() - gap;
    const int slot = int(std::floor((y - top) / pitch));
    if (slot < 0 || slot >= layout.slotcount)
        return std::nullopt;
    return slot;
}

std::optional<int> sampleForMarker(const LevelTable& levels, const std::vector<int>& traces,
                                   const PageLayout& layout, double x, double reach)
{
    const std::optional<int> under = sampleUnder(layout, x);
    if (!under)
        return std::nullopt;
    std::optional<int> nearest;
    double distance = reach;
    const auto consider = [&](int k) {
        const double d = std::abs(layout.sampleX(k) - x);
        if (d <= distance && changesAt(levels, traces, k)) {
            nearest = k;
            distance = d;
        }
    };
    for (int k = *under; k >= layout.first && layout.sampleX(k) >= x - reach; --k)
        consider(k);
    for (int k = *under + 1; k <= layout.last && layout.sampleX(k) <= x + reach; ++k)
        consider(k);
    return nearest ? nearest : under;
}

std::optional<std::size_t> markerNear(const std::vector<Marker>& markers, const PageLayout& layout,
                                      double x, double y, double reach)
{
    std::optional<std::size_t> nearest;
    double distance = reach;
    for (const PlacedMarker& placed : planMarkers(markers, layout, 0).markers) {
        const double d = std::abs(placed.x - x);
        if (d > distance || y < layout.markerLabelTop(std::max(placed.row, 0))
            || y > layout.distanceTop(0))
            continue;
        nearest = markerAt(markers, placed.sample);
        distance = d;
    }
    return nearest;
}

std::optional<std::size_t> markerAt(const std::vector<Marker>& markers, int sample)
{
    const auto found = std::find_if(markers.begin(), markers.end(),
                                    [&](const Marker& marker) { return marker.sample == sample; });
    if (found == markers.end())
        return std::nullopt;
    return std::size_t(found - markers.begin());
}

bool labelTaken(const std::vector<Marker>& markers, std::size_t index, const QString& label)
{
    std::vector<Marker> named = markers;
    named[index].label = label;
    const QString printed = markerLabel(named, index);
    for (std::size_t i = 0; i < named.size(); ++i)
        if (i != index && markerLabel(named, i) == printed)
            return true;
    return false;
}

std::vector<Marker> withMarker(std::vector<Marker> markers, int sample)
{
    markers.push_back({sample, QString()});
    const std::size_t added = markers.size() - 1;
    for (int letter = 0;
         letter < maximumMarkers && labelTaken(markers, added, markers[added].label); ++letter)
        markers[added].label = QString(QChar(char16_t(u'A' + letter)));
    return markers;
}

std::vector<Marker> withoutMarker(std::vector<Marker> markers, std::size_t index)
{
    for (std::size_t i = index + 1; i < markers.size(); ++i)
        if (markers[i].label.isEmpty())
            markers[i].label = markerLabel(markers, i);
    markers.erase(markers.begin() + std::ptrdiff_t(index));
    return markers;
}
