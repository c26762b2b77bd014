#include "printing/output/strokebatch.h"

#include <QPainterPath>

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
