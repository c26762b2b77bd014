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

double laneLeastRoom(const PageLayout& layout)
{
    const int points = laneValuePoints(layout);
    return pageTextWidth(u"\u2026", points) + 2 * laneTextGap(points);
}

namespace {

// The lane's two lines, each a polyline that changes sides at every
// crossing, so that the writers stroke it in one piece.
struct LanePaths {
    std::vector<QPoint> paths[2];

    void reach(int path, int x, int y)
    {
        if (paths[path].empty() || paths[path].back() != QPoint(x, y))
            paths[path].emplace_back(x, y);
    }
    void flush(std::vector<QLine>& lines)
    {
        lines.reserve(lines.size() + paths[0].size() + paths[1].size());
        for (std::vector<QPoint>& path : paths) {
            for (std::size_t k = 1; k < path.size(); ++k)
                lines.emplace_back(path[k - 1], path[k]);
            path.clear();
        }
    }
};

struct Box {
    int left, right; // x of its edges on the page
    bool square[2];  // an edge cut by the page's
    bool joinsNext;  // the next stretch begins where it ends
    const QStringList* texts;
};

} // namespace

void planLane(LanePlan& plan, const std::vector<LaneStretch>& stretches, int slot,
              const PageLayout& layout)
{
    const int pageEnd = layout.last + 1;
    std::vector<Box> boxes;
    for (std::size_t j = 0; j < stretches.size(); ++j) {
        const LaneStretch& s = stretches[j];
        const int from = std::max(s.first, layout.first);
        const int to = std::min(s.end, pageEnd);
        if (from >= to)
            continue;
        const bool joins = j + 1 < stretches.size() && stretches[j + 1].first == s.end
                           && to == s.end && s.end < pageEnd;
        const bool cutLeft = s.first < layout.first;
        const bool cutRight = s.end > pageEnd;
        boxes.push_back(
            {layout.sampleX(from), layout.sampleX(to), {cutLeft, cutRight}, joins, &s.texts});
    }

    const int height = layout.levelHeight();
    const int base = layout.baseLine(slot);
    const int top = base - height;
    const int middle = base - height / 2;
    // Half the width of a crossing: it scales with the lane, and leaves every
    // box at least a point between its crossings.
    const int slant = height / 3;
    const std::size_t n = boxes.size();
    // Half the width of the crossing or closing at each box's left and right.
    std::vector<int> before(n), after(n);
    for (std::size_t j = 0; j < n; ++j) {
        const int room = (boxes[j].right - boxes[j].left) / 2;
        before[j] = boxes[j].square[0] ? 0 : std::min(slant, room);
        after[j] = boxes[j].square[1] ? 0 : std::min(slant, room);
        if (j > 0 && boxes[j - 1].joinsNext)
            before[j] = after[j - 1] = std::min(before[j], after[j - 1]);
    }

    LanePaths lane;
    for (std::vector<QPoint>& path : lane.paths)
        path.reserve(3 * n + 1);
    int side[2] = {top, base};
    const int points = laneValuePoints(layout);
    plan.points = points;
    const double ellipsis = pageTextWidth(u"\u2026", points);
    const double gap = laneTextGap(points);
    const int textTop = int(std::lround(middle - pageCapitalMiddle(points)));
    for (std::size_t j = 0; j < n; ++j) {
        const Box& box = boxes[j];
        const bool joined = j > 0 && boxes[j - 1].joinsNext;
        for (int path = 0; path < 2; ++path) {
            const int c = before[j];
            if (!joined) {
                side[path] = path == 0 ? top : base;
                if (c > 0)
                    lane.reach(path, box.left, middle);
            } else if (c > 0) {
                // Where two stretches meet, the lines change sides.
                side[path] = side[path] == top ? base : top;
            }
            lane.reach(path, box.left + c, side[path]);
            lane.reach(path, box.right - after[j], side[path]);
            if (!box.joinsNext && after[j] > 0)
                lane.reach(path, box.right, middle);
        }
        if (!box.joinsNext)
            lane.flush(plan.lines.lines);

        const double room = box.right - after[j] - box.left - before[j] - 2 * gap;
        if (room < ellipsis || box.texts->isEmpty())
            continue;
        QString text;
        for (const QString& candidate : *box.texts)
            if (pageTextWidth(candidate, points) <= room) {
                text = candidate;
                break;
            }
        if (text.isEmpty())
            text = fittedText(box.texts->back(), room, points);
        if (text.isEmpty())
            continue;
        const double centre = (box.left + before[j] + box.right - after[j]) / 2.0;
        const int textLeft = int(std::lround(centre - pageTextWidth(text, points) / 2));
        plan.texts.push_back({textLeft, textTop, std::move(text)});
    }
    lane.flush(plan.lines.lines);
}

void paintLanes(PageSurface& page, const LanePlan& plan)
{
    const LineGroup& group = plan.lines;
    page.DrawWidth(group.width);
    page.DrawStyle(group.style);
    page.ForeColor(group.colour);
    for (const QLine& line : group.lines)
        page.Line(line.x1(), line.y1(), line.x2(), line.y2());
    page.FontSize(plan.points);
    for (const LaneText& text : plan.texts) {
        page.CurrentX(text.x);
        page.CurrentY(text.y);
        page.Print(text.text);
    }
}

void drawLane(PageSurface& page, const std::vector<LaneStretch>& stretches, int slot,
              const PageLayout& layout)
{
    LanePlan plan;
    planLane(plan, stretches, slot, layout);
    paintLanes(page, plan);
}

namespace {

// A bus's stretches of one value on the page. One that goes on past the
// page's edge begins or ends beyond it, so that it is cut square there;
// the sentinel repeats the last sample, so the capture's end has no change.
std::vector<LaneStretch> busStretches(const std::vector<quint64>& values, const BusLane& bus,
                                      const PageLayout& layout)
{
    const int first = layout.first;
    const int last = layout.last;
    const auto at = [&](int k) { return values[std::size_t(k)]; };
    const bool changeIn = layout.continues() && at(first) != at(first - 1);
    const bool changeOut = at(last + 1) != at(last);
    const int width = int(bus.channels.size());
    // Too narrow for any text, a stretch is not given one: on a busy page
    // most are.
    const double least = laneLeastRoom(layout);
    std::vector<LaneStretch> stretches;
    int begin = changeIn ? first : first - 1;
    for (int k = first + 1; k <= last + 1; ++k) {
        if (k <= last && at(k) == at(k - 1))
            continue;
        const int end = k <= last || changeOut ? k : k + 1;
        stretches.push_back({begin, end, {}});
        if (layout.sampleX(k) - layout.sampleX(std::max(begin, first)) >= least)
            stretches.back().texts = QStringList{busValueText(at(k - 1), width, bus.radix)};
        begin = k;
    }
    return stretches;
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
        planLane(plan, busStretches(levels.busvalues[b], buses[b], layout), firstSlot + int(b),
                 layout);

    paintLanes(page, plan);
    page.FontSize(textPoints);
    for (std::size_t b = 0; b < buses.size(); ++b) {
        page.CurrentX(layout.textLeft());
        page.CurrentY(layout.nameTop(firstSlot + int(b)));
        page.Print(oneLine(pageName(buses[b].name)));
    }
}
