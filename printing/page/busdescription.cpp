// Reading and writing a bus's channels and radix.

#include "printing/page/busdescription.h"

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "util/fault.h"
#include "util/numbers.h"

#include <algorithm>

namespace {

using numbers::trimBlanks;

std::optional<int> channelNumber(QStringView text)
{
    text = trimBlanks(text);
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return text.toInt();
}

} // namespace

std::variant<std::vector<int>, QString> parseBusChannels(QStringView text)
{
    const QString numbering = QStringLiteral(" (use channel numbers 0-%1, most significant "
                                             "first, and ranges such as 7-0 or 15,11-8)")
                                  .arg(csv::channelCount - 1);
    std::vector<int> channels;
    for (const QStringView item : text.split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        const auto first = channelNumber(dash < 0 ? item : item.left(dash));
        const auto last = dash < 0 ? first : channelNumber(item.sliced(dash + 1));
        if (!first || !last)
            return QStringLiteral("bad channel %1").arg(quotedText(item)) + numbering;
        if (std::max(*first, *last) >= csv::channelCount)
            return QStringLiteral("the capture has no channel %1").arg(std::max(*first, *last))
                   + numbering;
        const int step = *first <= *last ? 1 : -1;
        for (int c = *first;; c += step) {
            if (std::find(channels.begin(), channels.end(), c) != channels.end())
                return QStringLiteral("channel %1 is in it twice").arg(c);
            channels.push_back(c);
            if (c == *last)
                break;
        }
    }
    if (channels.size() > std::size_t(widestBus))
        return QStringLiteral("%1 channels are more than a value of %2 bits holds")
            .arg(channels.size())
            .arg(widestBus);
    return channels;
}

QString busChannelsText(const std::vector<int>& channels)
{
    QStringList items;
    for (std::size_t k = 0; k < channels.size();) {
        // A run of neighbours, up or down; two make a list, not a range.
        std::size_t end = k + 1;
        if (end < channels.size() && std::abs(channels[end] - channels[k]) == 1) {
            const int step = channels[end] - channels[k];
            while (end < channels.size() && channels[end] - channels[end - 1] == step)
                ++end;
        }
        if (end - k > 2)
            items << QStringLiteral("%1-%2").arg(channels[k]).arg(channels[end - 1]);
        else
            for (std::size_t i = k; i < end; ++i)
                items << QString::number(channels[i]);
        k = end;
    }
    return items.join(u',');
}

QStringList radixNames()
{
    return {QStringLiteral("hex"), QStringLiteral("dec"), QStringLiteral("bin"),
            QStringLiteral("ascii")};
}

QString radixName(Radix radix) { return radixNames().at(int(radix)); }

std::optional<Radix> radixNamed(QStringView name)
{
    const qsizetype index = radixNames().indexOf(name.toString().toLower());
    return index < 0 ? std::nullopt : std::optional(Radix(index));
}
