// Reading a capture's sample rows, and turning the ticked channels into levels.

#include "capture/sampletable.h"

#include "capture/linereader.h"
#include "util/basicutilities.h"
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

SampleTable SampleTable::read(const QString& path, const std::optional<QByteArray>& preloaded)
{
    LineReader reader(path, preloaded);
    for (int line = 1; line < firstSampleLine; ++line)
        reader.readLine();

    SampleTable table;
    table.path_ = path;
    table.rows_.reserve(sampleCount);
    table.spans_.resize(sampleCount + 1);
    for (int r = 0; r < sampleCount; ++r) {
        table.rows_.push_back(reader.readLine());
        // Exactly the fields getfield(row, c + 1, ",") cuts, in one pass.
        basicutilities::cutFields(table.rows_.back(), QLatin1Char(','), table.spans_[r]);
    }
    table.spans_[sampleCount] = table.spans_[sampleCount - 1];
    return table;
}

void SampleTable::noCell(int row, int column) const
{
    throw Fault(FaultKind::SubscriptOutOfRange,
                QStringLiteral("no sample cell at row %1, column %2").arg(row).arg(column))
        .inFile(path_);
}

LevelTable selectChannels(const SampleTable& table, const ChannelBoxes& boxes)
{
    LevelTable levels;
    for (int c = 0; c < channelCount; ++c) {
        if (boxes.values[c] != 1)
            continue;
        const int slot = ++levels.lastslot;
        levels.slotnames[slot] = boxes.captions[c];
        levels.channels[slot] = c;
        for (int r = 0; r <= sampleCount; ++r) {
            const QStringView text = table.cell(r, c);
            const numbers::ByteResult result = numbers::toUnsignedByte(text);
            if (result.error != numbers::ConversionError::None) {
                const FaultKind kind = result.error == numbers::ConversionError::Overflow
                                           ? FaultKind::Overflow
                                           : FaultKind::TypeMismatch;
                // The sentinel row is row 2047 again: report the line it came from.
                const int line = firstSampleLine + std::min(r, sampleCount - 1);
                throw Fault(kind, conversionDetail(result.error, text))
                    .inFile(table.path())
                    .atLine(line)
                    .atField(c + 1)
                    .onChannel(c)
                    .withText(text.toString());
            }
            levels.levels[slot][r] = result.value;
        }
    }

    for (int s = 0; s <= levels.lastslot; ++s) {
        int sum = 0;
        for (int r = 0; r < sampleCount; ++r) {
            sum += levels.levels[s][r];
            if (sum > 32767) {
                throw Fault(FaultKind::Overflow,
                            QStringLiteral("the level sum of channel %1 passes 32767")
                                .arg(levels.channels[s]))
                    .inFile(table.path())
                    .atLine(firstSampleLine + r)
                    .onChannel(levels.channels[s]);
            }
        }
        levels.sums[s] = qint16(sum);
    }
    return levels;
}
