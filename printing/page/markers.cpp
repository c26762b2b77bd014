// Placing and drawing markers and the distances between them.
#include "printing/page/markers.h"

#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"

#include <QStringView>

#include <algorithm>
#include <cmath>

namespace {

constexpr int labelGap = 30; // from a marker's line to its label

// Markers in the range, in sample order.
std::vector<std::size_t> inRange(const std::vector<Marker>& markers, const PageLayout& layout)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < markers.size(); ++i)
        if (markers[i].sample >= layout.rangefirst && markers[i].sample <= layout.rangelast)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return markers[a].sample < markers[b].sample;
    });
    return order;
}

// To twelve digits, so that a product or quotient a hair under a power of
// ten (1 / 1e-6 = 999999.99…) takes the unit it stands for.
double tidy(double value) { return QString::number(value, 'g', 12).toDouble(); }

bool onPage(int sample, const PageLayout& layout)
{
    return sample >= layout.first && sample <= layout.last;
}

// The lowest row whose texts all end before `left` or start after `right`.
int freeRow(const std::vector<std::vector<std::pair<int, int>>>& rows, int left, int right)
{
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const bool clear = std::all_of(rows[row].begin(), rows[row].end(), [&](const auto& taken) {
            return taken.second < left || taken.first > right;
        });
        if (clear)
            return int(row);
    }
    return int(rows.size());
}

} // namespace

QString markerLabel(const std::vector<Marker>& markers, std::size_t index)
{
    const QString& label = markers[index].label;
    if (!label.isEmpty())
        return oneLine(pageName(label));
    QString letter(QChar(char16_t(u'A' + index % maximumMarkers)));
    return index < std::size_t(maximumMarkers) ? letter
                                               : letter + QString::number(index / maximumMarkers);
}

QString frequencyText(double hertz)
{
    TimeUnit unit{1, QStringLiteral("Hz")};
    if (hertz >= 1e9)
        unit = {1e9, QStringLiteral("GHz")};
    else if (hertz >= 1e6)
        unit = {1e6, QStringLiteral("MHz")};
    else if (hertz >= 1e3)
        unit = {1e3, QStringLiteral("kHz")};
    return timeText(hertz, unit);
}

QString distanceText(const QString& from, const QString& to, qint64 samples, double period)
{
    const QString names = from + u'\u2192' + to + QStringLiteral("  ");
    const double seconds = tidy(double(samples) * period);
    // A billion seconds and more would print as dozens of digits.
    if (period > 0 && std::isfinite(seconds) && seconds > 0 && seconds < 1e9) {
        const QString time = timeText(seconds, timeUnit(seconds));
        if (!time.startsWith(QLatin1String("0 "))) {
            const QString frequency = frequencyText(tidy(1 / seconds));
            return names + time
                   + (frequency.startsWith(QLatin1String("0 "))
                          ? QString()
                          : QStringLiteral("  (%1)").arg(frequency));
        }
    }
    return names
           + (samples == 1 ? QStringLiteral("1 sample")
                           : QStringLiteral("%1 samples").arg(samples));
}

int textWidthEstimate(const QString& text, int points)
{
    // Hundredths of an em, at least DejaVu Sans's advances: the widest
    // letters and symbols, capitals and the rest of Latin, everything else.
    int hundredths = 0;
    for (const char32_t c : QStringView(text).toUcs4()) {
        if (c == U'M' || c == U'W' || c == U'm' || c == U'w' || c == U'@' || c == U'%'
            || c >= 0x2000)
            hundredths += 100;
        else if ((c >= U'A' && c <= U'Z') || c == U'&' || c >= 0x80)
            hundredths += 80;
        else
            hundredths += 65;
    }
    return int((qint64(hundredths) * textPixels(points) + 99) / 100);
}

MarkerPlan planMarkers(const std::vector<Marker>& markers, const PageLayout& layout, double period)
{
    MarkerPlan plan;
    const std::vector<std::size_t> order = inRange(markers, layout);
    for (const std::size_t i : order)
        if (onPage(markers[i].sample, layout))
            plan.markers.push_back({markers[i].sample, layout.sampleX(markers[i].sample), -1,
                                    markerLabel(markers, i)});
    // Right to left: a label right of its line then never meets the lines
    // and labels to its right in a lower row. One that would pass the right
    // end of the traces ends there instead.
    std::vector<std::pair<int, int>> spans(plan.markers.size()); // each label's left and right
    for (std::size_t n = plan.markers.size(); n-- > 0;) {
        PlacedMarker& marker = plan.markers[n];
        const int width = textWidthEstimate(marker.label, markerLabelPoints);
        const int left = std::min(marker.x + labelGap, layout.traceRight() - width);
        const int right = left + width;
        spans[n] = {left, right};
        const auto meets = [&](int x, std::size_t j) {
            return x >= spans[j].first - labelGap && x <= spans[j].second + labelGap;
        };
        for (int row = 0; row < maximumLabelRows && marker.row < 0; ++row) {
            bool clear = true;
            for (std::size_t j = n + 1; j < plan.markers.size() && clear; ++j) {
                const PlacedMarker& other = plan.markers[j];
                if (other.row == row)
                    clear = spans[j].second + labelGap < left || spans[j].first - labelGap > right;
                else if (other.row > row) // its line passes this row
                    clear = other.x < left - labelGap || other.x > right + labelGap;
                else if (other.row >= 0) // this line passes its row
                    clear = !meets(marker.x, j);
            }
            if (clear)
                marker.row = row;
        }
        plan.labelRows = std::max(plan.labelRows, marker.row + 1);
    }

    const int em = textPixels(distancePoints);
    int rowsRoom = 0;
    while (layout.distanceTop(rowsRoom) + distanceRowPitch <= layout.textBottom())
        ++rowsRoom;
    std::vector<std::vector<std::pair<int, int>>> rows;
    for (std::size_t n = 1; n < order.size(); ++n) {
        const Marker& a = markers[order[n - 1]];
        const Marker& b = markers[order[n]];
        if (!onPage(b.sample, layout) || a.sample == b.sample)
            continue;
        const QString text =
            distanceText(markerLabel(markers, order[n - 1]), markerLabel(markers, order[n]),
                         qint64(b.sample) - a.sample, period);
        const int width = textWidthEstimate(text, distancePoints);
        const int from = onPage(a.sample, layout) ? layout.sampleX(a.sample) : layout.traceLeft();
        const int to = layout.sampleX(b.sample);
        const int left = std::max(layout.textLeft(),
                                  std::min((from + to - width) / 2, layout.traceRight() - width));
        const int row = freeRow(rows, left - em, left + width + em);
        if (row >= rowsRoom)
            continue;
        if (std::size_t(row) == rows.size())
            rows.emplace_back();
        rows[std::size_t(row)].emplace_back(left, left + width);
        plan.distances.push_back({left, row, text});
    }
    return plan;
}

int markerRows(const std::vector<Marker>& markers, const std::vector<PageLayout>& layouts)
{
    int rows = 0;
    if (!markers.empty())
        for (const PageLayout& layout : layouts)
            rows = std::max(rows, planMarkers(markers, layout, 0).labelRows);
    return rows;
}

void drawMarkers(PageSurface& page, const PageRequest& request, const PageLayout& layout)
{
    if (request.options.markers.empty())
        return;
    const MarkerPlan plan = planMarkers(request.options.markers, layout, request.period.seconds);
    if (plan.markers.empty() && plan.distances.empty())
        return;
    page.DrawWidth(markerWidth);
    page.DrawStyle(dashedStyle);
    page.ForeColor(markerBlue);
    const int bottom = layout.slotsBottom() + distanceGap / 2;
    // The time labels' row stays clear.
    const int timeLabelsTop = layout.timeAxisTop();
    const int timeLabelsFoot = timeLabelsTop + textPixels(timeAxisPoints) * 5 / 4;
    for (const PlacedMarker& marker : plan.markers) {
        const int top = layout.tickTop() - std::max(marker.row, 0) * markerRowPitch;
        if (layout.timeaxis && timeLabelsFoot < bottom) {
            page.Line(marker.x, top, marker.x, timeLabelsTop);
            page.Line(marker.x, timeLabelsFoot, marker.x, bottom);
        } else {
            page.Line(marker.x, top, marker.x, bottom);
        }
    }
    page.FontSize(markerLabelPoints);
    for (const PlacedMarker& marker : plan.markers) {
        if (marker.row < 0)
            continue;
        page.CurrentX(marker.x + labelGap);
        page.CurrentY(layout.markerLabelTop(marker.row));
        page.Print(marker.label);
    }
    page.FontSize(distancePoints);
    for (const PlacedText& distance : plan.distances) {
        page.CurrentX(distance.left);
        page.CurrentY(layout.distanceTop(distance.row));
        page.Print(distance.text);
    }
    page.DrawWidth(1);
    page.DrawStyle(solidStyle);
    page.ForeColor(traceBlack);
}
