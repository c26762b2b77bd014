// Decoding a request's stacks once a capture, and drawing their rows.
#include "printing/page/decodedlanes.h"

#include "capture/leveltable.h"
#include "printing/page/buslanes.h"
#include "printing/page/pagefontmetrics.h"
#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"
#include "util/fault.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

bool shownRow(const decode::DecodedRow& row, int topDecoder)
{
    static const QRegularExpression repeats(QStringLiteral("bits|transfer|packet"));
    return row.decoder == topDecoder && !row.annotations.empty() && !row.rowId.contains(repeats);
}

QString laneName(const decode::DecodedRow& row)
{
    static const QRegularExpression lastData(QStringLiteral("[ /]data$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QString rowName = row.rowDescription;
    rowName.remove(lastData);
    if (rowName.isEmpty() || rowName == row.decoderName)
        return row.decoderName;
    return row.decoderName + u' ' + rowName;
}

QStringList channelNames(const Capture& capture)
{
    const std::vector<QString>& names = capture.header().names;
    QStringList all;
    for (std::size_t c = 0; c < std::size_t(capture.channelCount()); ++c)
        all << (c < names.size() ? names[c] : QString());
    return all;
}

quint64 sampleRate(const SamplePeriod& period)
{
    if (period.seconds <= 0)
        return 0;
    const double rate = std::round(1 / period.seconds);
    // Beyond what any decoder's arithmetic expects of a rate.
    if (!(rate >= 1 && rate <= double(std::numeric_limits<qint64>::max() / 1024)))
        return 0;
    return quint64(rate);
}

std::vector<DecodedLane> decodeLanes(const PageRequest& request, const Capture& capture)
{
    std::vector<DecodedLane> lanes;
    if (request.options.decoders.empty())
        return lanes;
    const QStringList names = channelNames(capture);
    const quint64 rate = sampleRate(request.period);
    for (const DecoderStack& wanted : request.options.decoders) {
        const decode::Checked<decode::ResolvedStack> stack =
            decode::resolveStack(wanted, names, rate > 0);
        if (!stack.ok())
            throw Fault(FaultKind::SubscriptOutOfRange, stack.error).inFile(capture.path());
        // Each channel read as a one-channel bus: 0 or 1, else a fault naming where.
        const QList<int> used = stack.value.channelsUsed();
        std::vector<std::vector<int>> singles;
        for (const int c : used)
            singles.push_back({c});
        const LevelTable levels = selectChannels(capture.samples(), {}, singles);
        decode::SampleInput input;
        input.levels.resize(std::size_t(capture.channelCount()));
        for (qsizetype j = 0; j < used.size(); ++j) {
            const std::vector<quint64>& values = levels.busvalues[std::size_t(j)];
            // Without the sentinel that repeats the last sample.
            input.levels[std::size_t(used[j])].assign(values.begin(), values.end() - 1);
        }
        input.sampleRate = rate;
        std::vector<decode::DecodedRow> rows =
            inFile(capture.path(), [&] { return decode::decodeStack(stack.value, input); });
        const int top = int(stack.value.decoders.size()) - 1;
        for (decode::DecodedRow& row : rows)
            if (shownRow(row, top))
                lanes.push_back({laneName(row), std::move(row.annotations)});
    }
    return lanes;
}

const PageRequest& decodedRequest(const PageRequest& request, const Capture& capture,
                                  PageRequest& storage)
{
    if (request.decoded || request.options.decoders.empty())
        return request;
    storage = request;
    storage.decoded = decodeLanes(request, capture);
    return storage;
}

QString fittingText(const QStringList& texts, double room, int points)
{
    for (const QString& text : texts)
        if (!text.isEmpty() && pageTextWidth(text, points) <= room)
            return text;
    return QString();
}

namespace {

// The boxes and texts of one lane in `slot`: annotations may overlap or
// stand for a point in time, so they are not a bus lane's stretches.
void planDecodedLane(LineGroup& lines, std::vector<LaneText>& texts, const DecodedLane& lane,
                     int slot, const PageLayout& layout)
{
    const quint64 first = quint64(layout.first);
    const quint64 end = quint64(layout.last) + 1;
    const int height = layout.levelHeight();
    const int base = layout.baseLine(slot);
    const int top = base - height;
    const int middle = base - height / 2;
    const int points = laneValuePoints(layout);
    const double gap = textPixels(points) / 8.0;
    const int textTop = int(std::lround(middle - pageCapitalMiddle(points)));
    // No text begins before the last one ends.
    double textEnd = -std::numeric_limits<double>::infinity();
    for (const decode::Annotation& a : lane.annotations) {
        const bool point = a.start >= a.end;
        if (a.start >= end || (point ? a.start < first : a.end <= first))
            continue;
        const bool cutLeft = a.start < first;
        const bool cutRight = a.end > end;
        const int x0 = layout.sampleX(int(std::max(a.start, first)));
        const int x1 = point ? x0 : layout.sampleX(int(std::min(a.end, end)));
        if (x1 - x0 < 2) {
            lines.lines.emplace_back(x0, top, x0, base);
            continue;
        }
        const int slant = std::min(height / 3, (x1 - x0) / 2);
        const int left = cutLeft ? x0 : x0 + slant;
        const int right = cutRight ? x1 : x1 - slant;
        for (const int y : {top, base}) {
            if (!cutLeft)
                lines.lines.emplace_back(x0, middle, left, y);
            lines.lines.emplace_back(left, y, right, y);
            if (!cutRight)
                lines.lines.emplace_back(right, y, x1, middle);
        }
        QString text = oneLine(fittingText(a.texts, right - left - 2 * gap, points));
        if (text.isEmpty())
            continue;
        const double width = pageTextWidth(text, points);
        const double textLeft = (left + right) / 2.0 - width / 2;
        if (textLeft < textEnd + 2 * gap)
            continue;
        textEnd = textLeft + width;
        texts.push_back({int(std::lround(textLeft)), textTop, std::move(text)});
    }
}

} // namespace

void drawDecodedLanes(PageSurface& page, const PageRequest& request, const PageLayout& layout)
{
    if (!request.decoded || request.decoded->empty())
        return;
    const std::vector<DecodedLane>& lanes = *request.decoded;
    const int firstSlot = int(request.channels.size() + request.options.buses.size());
    LineGroup lines{3, solidStyle, traceBlack, {}};
    std::vector<LaneText> texts;
    for (std::size_t i = 0; i < lanes.size(); ++i)
        planDecodedLane(lines, texts, lanes[i], firstSlot + int(i), layout);

    paintTraces(page, TracePlan{{std::move(lines)}});
    page.FontSize(textPoints);
    for (std::size_t i = 0; i < lanes.size(); ++i) {
        page.CurrentX(layout.textLeft());
        page.CurrentY(layout.nameTop(firstSlot + int(i)));
        page.Print(oneLine(pageName(lanes[i].name)));
    }
    page.FontSize(laneValuePoints(layout));
    for (const LaneText& text : texts) {
        page.CurrentX(text.x);
        page.CurrentY(text.y);
        page.Print(text.text);
    }
}
