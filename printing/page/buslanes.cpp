// Where a bus lane's lines and values go, and drawing them.
#include "printing/page/buslanes.h"

#include "printing/page/pagefontmetrics.h"
#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"
#include "util/fault.h"

#include <algorithm>
#include <cmath>

QString busValueText(quint64 value, int width, Radix radix)
{
    switch (radix) {
    case Radix::Hex:
        return QString::number(value, 16).toUpper().rightJustified((width + 3) / 4, u'0');
    case Radix::Dec: return QString::number(value);
    case Radix::Bin: return QString::number(value, 2).rightJustified(width, u'0');
    case Radix::Ascii: break;
    }
    QString text;
    for (int shift = (width + 7) / 8 * 8 - 8; shift >= 0; shift -= 8) {
        const int byte = int(value >> shift & 0xff);
        if (byte == '\\')
            text += QStringLiteral("\\\\");
        else if (byte > 0x20 && byte < 0x7f)
            text += QChar(byte);
        else
            text +=
                QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
    }
    return text;
}

QString fittedText(const QString& text, double room, int points)
{
    if (pageTextWidth(text, points) <= room)
        return text;
    const double ellipsis = pageTextWidth(u"\u2026", points);
    double width = 0;
    qsizetype fit = 0;
    for (qsizetype n = 1; n < text.size(); ++n) {
        width += pageTextWidth(QStringView(text).sliced(n - 1, 1), points);
        if (width + ellipsis > room)
            break;
        if (!text.at(n - 1).isHighSurrogate())
            fit = n;
    }
    return fit > 0 ? text.left(fit) + u'\u2026' : QString();
}

int laneValuePoints(const PageLayout& layout)
{
    int points = 9;
    while (points > 1 && textPixels(points) > layout.levelHeight())
        --points;
    return points;
}

namespace {

struct LaneText {
    int x, y;
    QString text;
};

struct LanePlan {
    LineGroup lines{3, solidStyle, traceBlack, {}};
    std::vector<LaneText> values;
};

// The lines and values of one lane, in `slot`.
void planLane(LanePlan& plan, const std::vector<quint64>& values, const BusLane& bus, int slot,
              const PageLayout& layout)
{
    const int first = layout.first;
    const int last = layout.last;
    // The stretches of one value begin at these samples; the page ends the last.
    std::vector<int> starts{first};
    for (int k = first + 1; k <= last; ++k)
        if (values[std::size_t(k)] != values[std::size_t(k) - 1])
            starts.push_back(k);
    std::vector<int> xs;
    xs.reserve(starts.size() + 1);
    for (const int k : starts)
        xs.push_back(layout.sampleX(k));
    xs.push_back(layout.sampleX(last + 1));

    const int height = layout.levelHeight();
    const int base = layout.baseLine(slot);
    const int top = base - height;
    const int middle = base - height / 2;
    // Half the width of a crossing: it scales with the lane, and leaves every
    // stretch at least a point between its crossings.
    const int slant = height / 3;
    const std::size_t n = starts.size();
    // A change at a page's edge is drawn half on each of the pages it joins;
    // the sentinel repeats the last sample, so the capture's end has none.
    const bool changeIn =
        layout.continues() && values[std::size_t(first)] != values[std::size_t(first) - 1];
    const bool changeOut = values[std::size_t(last) + 1] != values[std::size_t(last)];
    std::vector<int> half(n + 1, 0);
    for (std::size_t i = 0; i <= n; ++i) {
        if ((i == 0 && !changeIn) || (i == n && !changeOut))
            continue;
        int c = slant;
        if (i > 0)
            c = std::min(c, (xs[i] - xs[i - 1]) / 2);
        if (i < n)
            c = std::min(c, (xs[i + 1] - xs[i]) / 2);
        half[i] = c;
    }

    // Two lines, each a polyline that changes sides at every crossing, so
    // that the writers stroke each in one piece.
    std::vector<QPoint> paths[2];
    int side[2] = {top, base};
    const auto reach = [&](int path, int x, int y) {
        if (paths[path].empty() || paths[path].back() != QPoint(x, y))
            paths[path].emplace_back(x, y);
    };
    const int points = laneValuePoints(layout);
    const double ellipsis = pageTextWidth(u"\u2026", points);
    const double gap = textPixels(points) / 8.0; // the slants lean away from the text
    const int textTop = int(std::lround(middle - pageCapitalMiddle(points)));
    for (std::size_t i = 0; i <= n; ++i) {
        const int x = xs[i];
        const int c = half[i];
        for (int path = 0; path < 2; ++path) {
            // The two lines cross at the change, or at a page's edge meet there.
            if (c > 0 && i == 0)
                reach(path, x, middle);
            else if (c > 0)
                reach(path, x - c, side[path]);
            if (c > 0 && i == n)
                reach(path, x, middle);
            else if (c > 0)
                side[path] = side[path] == top ? base : top;
            if (i < n)
                reach(path, x + c, side[path]);
        }
        if (i == n)
            break;
        const int from = x + c;
        const int to = xs[i + 1] - half[i + 1];
        const double room = to - from - 2 * gap;
        if (room < ellipsis)
            continue;
        const int width = int(bus.channels.size());
        QString text = fittedText(busValueText(values[std::size_t(starts[i])], width, bus.radix),
                                  room, points);
        if (text.isEmpty())
            continue;
        const double centre = (from + to) / 2.0;
        const int textLeft = int(std::lround(centre - pageTextWidth(text, points) / 2));
        plan.values.push_back({textLeft, textTop, std::move(text)});
    }
    for (const std::vector<QPoint>& path : paths)
        for (std::size_t k = 1; k < path.size(); ++k)
            plan.lines.lines.emplace_back(path[k - 1], path[k]);
}

} // namespace

void drawBusLanes(PageSurface& page, const PageRequest& request, const LevelTable& levels,
                  const PageLayout& layout)
{
    const std::vector<BusLane>& buses = request.options.buses;
    if (buses.empty())
        return;
    if (levels.busvalues.size() != buses.size() || !levels.complete())
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("%1 buses asked for, values read for %2")
                        .arg(buses.size())
                        .arg(levels.busvalues.size()));
    const int firstSlot = int(request.channels.size());
    LanePlan plan;
    for (std::size_t b = 0; b < buses.size(); ++b)
        planLane(plan, levels.busvalues[b], buses[b], firstSlot + int(b), layout);

    paintTraces(page, TracePlan{{std::move(plan.lines)}});
    for (std::size_t b = 0; b < buses.size(); ++b) {
        page.CurrentX(layout.textLeft());
        page.CurrentY(layout.nameTop(firstSlot + int(b)));
        page.FontSize(textPoints);
        page.Print(oneLine(pageName(buses[b].name)));
    }
    const int points = laneValuePoints(layout);
    page.FontSize(points);
    for (const LaneText& value : plan.values) {
        page.CurrentX(value.x);
        page.CurrentY(value.y);
        page.Print(value.text);
    }
}
