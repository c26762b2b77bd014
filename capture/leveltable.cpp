// Turning the chosen channels' cells into levels.

#include "capture/leveltable.h"

#include "util/fault.h"
#include "util/numbers.h"

#include <algorithm>

namespace {

QString conversionDetail(numbers::ConversionError error, QStringView text)
{
    const QString quoted = quotedText(text);
    if (error == numbers::ConversionError::Overflow)
        return quoted + QStringLiteral(" is outside 0 … 255");
    return quoted + QStringLiteral(" is not a number");
}

} // namespace

bool LevelTable::complete() const
{
    const std::size_t filled = std::size_t(slotCount());
    if (lastslot < -1 || slotnames.size() < filled || channels.size() < filled
        || levels.size() < filled || sums.size() < filled)
        return false;
    for (std::size_t s = 0; s < filled; ++s)
        if (levels[s].size() != std::size_t(samplecount) + 1)
            return false;
    for (const std::vector<quint64>& bus : busvalues)
        if (bus.size() != std::size_t(samplecount) + 1)
            return false;
    return true;
}

namespace {

// The levels of column `c`, the sentinel row included.
std::vector<quint8> columnLevels(const SampleTable& table, int c)
{
    if (c < 0 || c >= table.channelCount())
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("the capture has no channel %1").arg(c))
            .inFile(table.path());
    const int count = table.sampleCount();
    std::vector<quint8> column(std::size_t(count) + 1);
    for (int r = 0; r <= count; ++r) {
        const QStringView text = table.cell(r, c);
        const numbers::ByteResult result = numbers::toUnsignedByte(text);
        if (result.error != numbers::ConversionError::None) {
            const FaultKind kind = result.error == numbers::ConversionError::Overflow
                                       ? FaultKind::Overflow
                                       : FaultKind::TypeMismatch;
            // The sentinel row is the last row again: report the line it came from.
            throw Fault(kind, conversionDetail(result.error, text))
                .inFile(table.path())
                .atLine(table.lineOf(std::min(r, count - 1)))
                .atField(c + 1)
                .onChannel(c)
                .withText(text.toString());
        }
        column[std::size_t(r)] = result.value;
    }
    return column;
}

// A bus's value at every row; a channel also printed as a trace is not read twice.
std::vector<quint64> busValues(const SampleTable& table, const LevelTable& levels,
                               const std::vector<int>& bus)
{
    if (bus.size() > std::size_t(widestBus))
        throw Fault(FaultKind::Overflow,
                    QStringLiteral("a bus of %1 channels is wider than %2 bits")
                        .arg(bus.size())
                        .arg(widestBus))
            .inFile(table.path());
    const int count = table.sampleCount();
    std::vector<quint64> values(std::size_t(count) + 1, 0);
    for (const int c : bus) {
        const auto slot = std::find(levels.channels.begin(), levels.channels.end(), c);
        const std::vector<quint8> column =
            slot != levels.channels.end()
                ? levels.levels[std::size_t(slot - levels.channels.begin())]
                : columnLevels(table, c);
        for (int r = 0; r <= count; ++r) {
            const quint8 bit = column[std::size_t(r)];
            if (bit > 1) {
                const int row = std::min(r, count - 1);
                throw Fault(FaultKind::TypeMismatch,
                            quotedText(table.cell(row, c))
                                + QStringLiteral(" is not 0 or 1, as a bus's channel must be"))
                    .inFile(table.path())
                    .atLine(table.lineOf(row))
                    .atField(c + 1)
                    .onChannel(c)
                    .withText(table.cell(row, c).toString());
            }
            values[std::size_t(r)] = values[std::size_t(r)] << 1 | bit;
        }
    }
    return values;
}

} // namespace

LevelTable selectChannels(const SampleTable& table, const std::vector<ChosenChannel>& chosen,
                          const std::vector<std::vector<int>>& buses)
{
    const int count = table.sampleCount();
    LevelTable levels;
    levels.samplecount = count;
    levels.firstline = table.lineOf(0);
    for (const ChosenChannel& pick : chosen) {
        std::vector<quint8> column = columnLevels(table, pick.channel);
        ++levels.lastslot;
        levels.slotnames.push_back(pick.name);
        levels.channels.push_back(pick.channel);
        levels.levels.push_back(std::move(column));
    }
    for (int s = 0; s <= levels.lastslot; ++s) {
        int sum = 0;
        const std::vector<quint8>& slot = levels.levels[std::size_t(s)];
        for (int r = 0; r < count; ++r) {
            sum += slot[std::size_t(r)];
            if (sum > 32767) {
                throw Fault(FaultKind::Overflow,
                            QStringLiteral("the level sum of channel %1 passes 32767")
                                .arg(levels.channels[std::size_t(s)]))
                    .inFile(table.path())
                    .atLine(table.lineOf(r))
                    .onChannel(levels.channels[std::size_t(s)]);
            }
        }
        levels.sums.push_back(qint16(sum));
    }
    for (const std::vector<int>& bus : buses)
        levels.busvalues.push_back(busValues(table, levels, bus));
    return levels;
}
