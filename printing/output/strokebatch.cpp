#include "printing/output/strokebatch.h"

#include <QPainterPath>

namespace {

// 1 right, 2 left, 3 down, 4 up, 0 anything else (diagonal or a point).
int directionOf(QPoint from, QPoint to)
{
    if (from.y() == to.y() && from.x() != to.x())
        return to.x() > from.x() ? 1 : 2;
    if (from.x() == to.x() && from.y() != to.y())
        return to.y() > from.y() ? 3 : 4;
    return 0;
}

} // namespace

void StrokeBatch::add(QPoint from, QPoint to, bool solid)
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

void StrokeBatch::clear()
{
    points_.clear();
    starts_.clear();
    lastDirection_ = 0;
}

QPainterPath StrokeBatch::path() const
{
    QPainterPath path;
    path.reserve(static_cast<int>(points_.size()));
    std::size_t next = 0;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        if (next < starts_.size() && starts_[next] == i) {
            path.moveTo(points_[i]);
            ++next;
        } else {
            path.lineTo(points_[i]);
        }
    }
    return path;
}
