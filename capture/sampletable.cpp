// A capture's sample rows, kept as the text of their cells.

#include "capture/sampletable.h"

#include "util/fault.h"

#include <span>

SampleTable::SampleTable(QString path, int channels, int firstline)
    : path_(std::move(path)), channels_(channels), firstline_(firstline)
{
}

void SampleTable::reserve(int rows)
{
    rows_.reserve(std::size_t(rows));
    spans_.reserve(std::size_t(rows) * std::size_t(channels_));
}

void SampleTable::addRow(QString row, QChar separator)
{
    rows_.push_back(std::move(row));
    const std::size_t start = spans_.size();
    spans_.resize(start + std::size_t(channels_));
    // Exactly the fields getfield(row, c + 1, separator) cuts, in one pass.
    basicutilities::cutFields(rows_.back(), separator,
                              std::span<Span>(spans_.data() + start, std::size_t(channels_)));
}

void SampleTable::noCell(int row, int column) const
{
    throw Fault(FaultKind::SubscriptOutOfRange,
                QStringLiteral("no sample cell at row %1, column %2").arg(row).arg(column))
        .inFile(path_);
}
