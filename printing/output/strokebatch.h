#pragma once

#include <QPoint>

#include <cstddef>
#include <vector>

class QPainterPath;

// Consecutive lines drawn with one pen, joined into polylines so the page is
// stroked once per group instead of once per line. A line that starts where
// the previous one ended continues the same polyline, and a solid line that
// carries on in the same direction just extends it.
class StrokeBatch {
public:
    void add(QPoint from, QPoint to, bool solid);
    bool empty() const { return points_.empty(); }
    void clear();

    // All polylines' points, one after another; polyline i runs from
    // starts()[i] up to the next start (or the end).
    const std::vector<QPoint>& points() const { return points_; }
    const std::vector<std::size_t>& starts() const { return starts_; }

    QPainterPath path() const;

private:
    std::vector<QPoint> points_;
    std::vector<std::size_t> starts_;
    int lastDirection_ = 0;
};
