#pragma once

// A capture's samples as the file gives them: a cell of text for each
// channel at each sample, converted to a level only when the channel is
// chosen (leveltable.h), so that a channel nobody prints may hold anything.

#include "util/basicutilities.h"

#include <QString>
#include <QStringView>

#include <vector>

class SampleTable {
public:
    // No rows yet, `channels` cells a row, for the file at `path`, whose
    // sample row r is line `firstline` + r; both are named in faults.
    SampleTable(QString path, int channels, int firstline);

    void reserve(int rows);
    // The next sample row; its cells are the fields `separator` cuts, exactly
    // as getfield() cuts them, "" where the row has too few.
    void addRow(QString row, QChar separator);

    int channelCount() const { return channels_; }
    int sampleCount() const { return int(rows_.size()); }
    const QString& path() const { return path_; }
    // The file's line that holds sample row `row`.
    int lineOf(int row) const { return firstline_ + row; }

    // Row sampleCount() is the sentinel after the last sample: a copy of it.
    // Inline: a page reads tens of thousands of cells.
    QStringView cell(int row, int column) const
    {
        const int count = sampleCount();
        if (row < 0 || row > count || column < 0 || column >= channels_ || count == 0)
            noCell(row, column);
        const int kept = row == count ? count - 1 : row;
        const Span& span = spans_[std::size_t(kept) * std::size_t(channels_) + std::size_t(column)];
        return QStringView(rows_[std::size_t(kept)]).sliced(span.start, span.length);
    }

private:
    [[noreturn]] void noCell(int row, int column) const;

    using Span = basicutilities::FieldSpan;
    QString path_;
    int channels_;
    int firstline_;
    std::vector<QString> rows_;
    std::vector<Span> spans_; // channels_ a row
};
