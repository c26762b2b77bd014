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
    // Inline: called once for every line of a page.
    void add(QPoint from, QPoint to, bool solid)
    {
        const int direction = directionOf(from, to);
        if (points_.empty() || from != points_.back()) {
            starts_.push_back(points_.size());
            points_.push_back(from);
            points_.push_back(to);
        } else if (solid && direction != 0 && direction == lastDirection_) {
            points_.back() = to;
        } else {
            points_.push_back(to);
        }
        lastDirection_ = direction;
    }
    bool empty() const { return points_.empty(); }
    void clear();

    // All polylines' points, one after another; polyline i runs from
    // starts()[i] up to the next start (or the end).
    const std::vector<QPoint>& points() const { return points_; }
    const std::vector<std::size_t>& starts() const { return starts_; }

    QPainterPath path() const;

private:
    // 1 right, 2 left, 3 down, 4 up, 0 anything else (diagonal or a point).
    static int directionOf(QPoint from, QPoint to)
    {
        if (from.y() == to.y() && from.x() != to.x())
            return to.x() > from.x() ? 1 : 2;
        if (from.x() == to.x() && from.y() != to.y())
            return to.y() > from.y() ? 3 : 4;
        return 0;
    }

    std::vector<QPoint> points_;
    std::vector<std::size_t> starts_;
    int lastDirection_ = 0;
};
