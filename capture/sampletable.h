#pragma once

#include "capture/header.h"
#include "util/basicutilities.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

inline constexpr int sampleCount = 2048;
inline constexpr int firstSampleLine = 6; // sample row r is line 6 + r

// Sample rows 0 … 2047 of a capture file plus the sentinel row 2048 (a copy
// of row 2047). Cells are kept as text, exactly as the field cut them.
class SampleTable {
public:
    // Reads lines 1 … 2053, of `preloaded` when the file's bytes were read
    // already (LineReader). Throws Fault on an open or read failure.
    static SampleTable read(const QString& path,
                            const std::optional<QByteArray>& preloaded = std::nullopt);

    // Inline: a page reads tens of thousands of cells.
    QStringView cell(int row, int column) const
    {
        if (row < 0 || row > sampleCount || column < 0 || column >= channelCount)
            noCell(row, column);
        const Span& span = spans_[std::size_t(row)][std::size_t(column)];
        return QStringView(rows_[std::size_t(std::min(row, sampleCount - 1))])
            .sliced(span.start, span.length);
    }
    const QString& path() const { return path_; }

private:
    SampleTable() = default;
    [[noreturn]] void noCell(int row, int column) const;

    using Span = basicutilities::FieldSpan;
    QString path_;
    std::vector<QString> rows_;                         // 2048 lines
    std::vector<std::array<Span, channelCount>> spans_; // 2049 rows
};

// What the window hands over: the sixteen channel check boxes.
struct ChannelBoxes {
    std::array<int, channelCount> values{}; // 0 unticked, 1 ticked, 2 greyed
    std::array<QString, channelCount> captions;
};

// The ticked channels compacted into slots, in check-box order.
struct LevelTable {
    qint16 lastslot = -1;
    std::array<QString, channelCount> slotnames;
    std::array<int, channelCount> channels{}; // channel number held by each slot
    std::array<std::array<quint8, sampleCount + 1>, channelCount> levels{};
    std::array<qint16, channelCount> sums{};
};

// Converts only the ticked columns. Throws Fault(TypeMismatch / Overflow)
// naming the file, line, field and text that failed, or Fault(Overflow) when
// a level sum leaves the signed 16-bit range.
LevelTable selectChannels(const SampleTable& table, const ChannelBoxes& boxes);
