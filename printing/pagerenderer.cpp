#include "printing/pagerenderer.h"

#include "printing/strokebatch.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

bool penChanges(const SurfaceState& a, const SurfaceState& b)
{
    return a.drawwidth != b.drawwidth || a.drawstyle != b.drawstyle || a.forecolor != b.forecolor;
}

QPen pagePen(const SurfaceState& state)
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

QFont pageFont(int points)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    // Plain glyph by glyph: no ligatures, so the PDF's text reads back as typed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPixelSize(pagePixelSize(points));
    return font;
}

int pagePixelSize(int points)
{
    return qMax(1, qRound(points * renderResolution / 72.0));
}

namespace {

void stroke(QPainter& painter, StrokeBatch& batch, const QPen& pen)
{
    if (batch.empty())
        return;
    painter.strokePath(batch.path(), pen);
    batch.clear();
}

} // namespace

void renderPage(QPainter& painter, const std::vector<SurfaceCall>& calls, std::size_t first)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);

    SurfaceState state;
    for (std::size_t i = 0; i < first && i < calls.size(); ++i)
        state.apply(calls[i]);
    QPen pen = pagePen(state);
    StrokeBatch batch;

    for (std::size_t i = first; i < calls.size(); ++i) {
        const SurfaceCall& call = calls[i];
        switch (call.kind) {
        case SurfaceCallKind::Line:
            batch.add(QPoint(call.args[0], call.args[1]), QPoint(call.args[2], call.args[3]),
                      state.drawstyle != 2);
            break;
        case SurfaceCallKind::Print: {
            stroke(painter, batch, pen);
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
            if (penChanges(state, next)) {
                stroke(painter, batch, pen);
                pen = pagePen(next);
            }
            state = next;
            continue;
        }
        default:
            break;
        }
        state.apply(call);
    }
    stroke(painter, batch, pen);
    painter.restore();
}
