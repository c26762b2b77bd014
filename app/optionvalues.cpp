// Reading the converter's option values.

#include "app/optionvalues.h"

#include "capture/csvcapture.h"
#include "printing/page/busdescription.h"
#include "util/fault.h"
#include "util/numbers.h"

#include <QList>

#include <algorithm>
#include <limits>

namespace {

using numbers::trimBlanks;

bool allDigits(QStringView text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return !text.isEmpty();
}

std::optional<int> channelNumber(QStringView text)
{
    const auto value = wholeNumber(trimBlanks(text));
    if (!value || *value >= csv::channelCount)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> wholeNumber(QStringView text)
{
    if (text.size() > 9 || !allDigits(text))
        return std::nullopt;
    return text.toInt();
}

std::optional<ChannelList> parseChannelList(const QString& list)
{
    ChannelList chosen{};
    const QStringView trimmed = trimBlanks(list);
    if (trimmed == QLatin1String("all")) {
        chosen.fill(true);
        return chosen;
    }
    if (trimmed == QLatin1String("none"))
        return chosen;
    if (trimmed.isEmpty())
        return std::nullopt;

    for (const QStringView item : trimmed.split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        if (dash < 0) {
            const auto channel = channelNumber(item);
            if (!channel)
                return std::nullopt;
            chosen[static_cast<std::size_t>(*channel)] = true;
            continue;
        }
        const auto first = channelNumber(item.left(dash));
        const auto last = channelNumber(item.mid(dash + 1));
        if (!first || !last || *first > *last)
            return std::nullopt;
        for (int c = *first; c <= *last; ++c)
            chosen[static_cast<std::size_t>(c)] = true;
    }
    return chosen;
}

std::optional<std::pair<int, int>> parseSampleRange(const QString& range)
{
    const qsizetype dash = range.indexOf(u'-');
    if (dash < 0)
        return std::nullopt;
    const auto first = wholeNumber(QStringView(range).left(dash));
    const auto last = wholeNumber(QStringView(range).sliced(dash + 1));
    if (!first || !last)
        return std::nullopt;
    return std::pair{*first, *last};
}

std::optional<int> parseUnit(const QString& unit)
{
    if (unit == QLatin1String("ns"))
        return 0;
    if (unit == QLatin1String("us"))
        return 1;
    if (unit == QLatin1String("ms"))
        return 2;
    if (unit == QLatin1String("none"))
        return -1;
    return std::nullopt;
}

bool isTickSpacing(const QString& text)
{
    return text.size() <= 10 && allDigits(text)
           && text.toLongLong() <= std::numeric_limits<qint32>::max();
}

bool isResolution(const QString& text)
{
    return text.isEmpty() || numbers::wholeDecimal(text).has_value();
}

namespace {

bool hasLineBreak(QStringView text)
{
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if ((code >= 0xa && code <= 0xd) || code == 0x85 || code == 0x2028 || code == 0x2029)
            return true;
    }
    return false;
}

} // namespace

std::variant<BusLane, QString> parseBus(const QString& text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return QStringLiteral("no channels (NAME=CHANNELS[:hex|dec|bin|ascii], such as DATA=7-0)");
    BusLane bus;
    bus.name = text.left(equals);
    if (trimBlanks(bus.name).isEmpty())
        return QStringLiteral("a bus needs a name (NAME=CHANNELS[:hex|dec|bin|ascii], such as "
                              "DATA=7-0)");
    if (hasLineBreak(bus.name))
        return QStringLiteral("its name is more than one line");
    QStringView channels = QStringView(text).sliced(equals + 1);
    if (const qsizetype colon = channels.lastIndexOf(u':'); colon >= 0) {
        const auto radix = radixNamed(trimBlanks(channels.sliced(colon + 1)));
        if (!radix)
            return QStringLiteral("unknown radix %1 (use hex, dec, bin or ascii)")
                .arg(quotedText(channels.sliced(colon + 1)));
        bus.radix = *radix;
        channels = channels.left(colon);
    }
    auto parsed = parseBusChannels(channels);
    if (QString* error = std::get_if<QString>(&parsed))
        return std::move(*error);
    bus.channels = std::move(std::get<std::vector<int>>(parsed));
    return bus;
}
