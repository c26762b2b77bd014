#include "printing/pagerenderer.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace {

QPen penFor(const SurfaceState& state)
{
    QPen pen(QColor::fromRgb(state.forecolor));
    pen.setCosmetic(false);
    pen.setWidthF(qMax(state.drawwidth, 1));
    if (state.drawstyle == 2) {
        pen.setStyle(Qt::DotLine);
        pen.setCapStyle(Qt::FlatCap);
    } else {
        pen.setStyle(Qt::SolidLine);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

// Collects consecutive lines drawn with one pen into a single path, so the
// page is stroked once per group instead of once per line. A line that starts
// where the previous one ended continues the same subpath, and a solid
// line that carries on in the same direction just extends it.
class LineBatch {
public:
    void add(const SurfaceCall& call, bool solid)
    {
        const QPointF from(call.args[0], call.args[1]);
        const QPointF to(call.args[2], call.args[3]);
        const int direction = directionOf(from, to);
        if (path_.elementCount() == 0 || from != last_) {
            path_.moveTo(from);
            path_.lineTo(to);
        } else if (solid && direction != 0 && direction == lastDirection_) {
            path_.setElementPositionAt(path_.elementCount() - 1, to.x(), to.y());
        } else {
            path_.lineTo(to);
        }
        last_ = to;
        lastDirection_ = direction;
    }

    void flush(QPainter& painter, const QPen& pen)
    {
        if (path_.elementCount() == 0)
            return;
        painter.strokePath(path_, pen);
        path_.clear();
        lastDirection_ = 0;
    }

private:
    // 1 right, 2 left, 3 down, 4 up, 0 anything else (diagonal or a point).
    static int directionOf(const QPointF& from, const QPointF& to)
    {
        if (from.y() == to.y() && from.x() != to.x())
            return to.x() > from.x() ? 1 : 2;
        if (from.x() == to.x() && from.y() != to.y())
            return to.y() > from.y() ? 3 : 4;
        return 0;
    }

    QPainterPath path_;
    QPointF last_;
    int lastDirection_ = 0;
};

} // namespace

QFont pageFont(int points)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    // Plain glyph by glyph: no ligatures, so the PDF's text reads back as typed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPixelSize(qMax(1, qRound(points * renderResolution / 72.0)));
    return font;
}

void renderPage(QPainter& painter, const std::vector<SurfaceCall>& calls)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);

    SurfaceState state;
    QPen pen = penFor(state);
    LineBatch batch;

    for (const SurfaceCall& call : calls) {
        switch (call.kind) {
        case SurfaceCallKind::Line:
            batch.add(call, state.drawstyle != 2);
            break;
        case SurfaceCallKind::Print: {
            batch.flush(painter, pen);
            const QFont font = pageFont(state.fontsize);
            painter.setFont(font);
            painter.setPen(QColor::fromRgb(state.forecolor));
            const QFontMetricsF metrics(font, painter.device());
            painter.drawText(QPointF(state.currentx, state.currenty + metrics.ascent()), call.text);
            break;
        }
        case SurfaceCallKind::DrawWidth:
        case SurfaceCallKind::DrawStyle:
        case SurfaceCallKind::ForeColor: {
            SurfaceState next = state;
            next.apply(call);
            if (next.drawwidth != state.drawwidth || next.drawstyle != state.drawstyle
                || next.forecolor != state.forecolor) {
                batch.flush(painter, pen);
                pen = penFor(next);
            }
            state = next;
            continue;
        }
        default:
            break;
        }
        state.apply(call);
    }
    batch.flush(painter, pen);
    painter.restore();
}
