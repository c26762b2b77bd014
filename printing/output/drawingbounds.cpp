// The bounds of a page's drawing, for images cropped to it.
#include "printing/output/drawingbounds.h"

#include "printing/output/pagerenderer.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <map>

QRectF drawingBounds(const std::vector<SurfaceCall>& calls, double minimumWidth)
{
    double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
    const auto take = [&](const QRectF& box) {
        left = std::min(left, box.left());
        top = std::min(top, box.top());
        right = std::max(right, box.right());
        bottom = std::max(bottom, box.bottom());
    };
    // A page has a few sizes of text and many lines: one set of metrics a size.
    std::map<int, QFontMetricsF> metrics;
    SurfaceState state;
    for (const SurfaceCall& call : calls) {
        state.apply(call);
        if (call.kind == SurfaceCallKind::Line) {
            const double half = std::max(double(state.drawwidth), minimumWidth) / 2;
            const auto& a = call.args;
            take(QRectF(QPointF(std::min(a[0], a[2]) - half, std::min(a[1], a[3]) - half),
                        QPointF(std::max(a[0], a[2]) + half, std::max(a[1], a[3]) + half)));
        } else if (call.kind == SurfaceCallKind::Print && !call.text.isEmpty()) {
            auto found = metrics.find(state.fontsize);
            if (found == metrics.end())
                found =
                    metrics.emplace(state.fontsize, QFontMetricsF(pageFont(state.fontsize))).first;
            const QFontMetricsF& font = found->second;
            const QPointF at(state.currentx, state.currenty);
            take(QRectF(at, QSizeF(font.horizontalAdvance(call.text), font.height())));
            // Ink is measured from the baseline.
            take(font.boundingRect(call.text).translated(at + QPointF(0, font.ascent())));
        }
    }
    if (left > right)
        return {};
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QRectF croppedArea(const RecordedPage& page)
{
    const PaperFit fit = pageFit(page);
    const QRectF paper(0, 0, fit.width, fit.height);
    const QRectF drawn = drawingBounds(page.calls, fit.minimumWidth);
    if (drawn.isEmpty())
        return paper;
    const QRectF placed(fit.left + drawn.left() * fit.scale, fit.top + drawn.top() * fit.scale,
                        drawn.width() * fit.scale, drawn.height() * fit.scale);
    const QRectF margined = placed.adjusted(-cropMargin, -cropMargin, cropMargin, cropMargin);
    const QRectF whole(QPointF(std::floor(margined.left()), std::floor(margined.top())),
                       QPointF(std::ceil(margined.right()), std::ceil(margined.bottom())));
    const QRectF shown = whole.intersected(paper);
    return shown.isEmpty() ? paper : shown;
}
