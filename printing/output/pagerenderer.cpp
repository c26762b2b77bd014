#include "printing/output/pagerenderer.h"

#include "printing/output/strokebatch.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTextLayout>

QPen pagePen(const SurfaceState& state, double minimumWidth)
{
    QPen pen(QColor::fromRgb(state.forecolor));
    pen.setCosmetic(false);
    pen.setWidthF(qMax(double(state.drawwidth), minimumWidth));
    if (state.drawstyle == 2) {
        pen.setStyle(Qt::DotLine);
        pen.setCapStyle(Qt::FlatCap);
    } else if (state.drawstyle == 1) {
        // In pen widths: dashes of a millimetre on the sheet, wider pens longer.
        pen.setDashPattern({16, 8});
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
    QFont font(QString::fromLatin1(pageFontFamily));
    font.setStyleHint(QFont::SansSerif);
    // Plain glyph by glyph: no ligatures, so the PDF's text reads back as typed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPixelSize(pagePixelSize(points));
    return font;
}

int pagePixelSize(int points) { return textPixels(points); }

namespace {

// Lines drawn in `a` and in `b` take different pens.
bool penChanges(const SurfaceState& a, const SurfaceState& b)
{
    return a.drawwidth != b.drawwidth || a.drawstyle != b.drawstyle || a.forecolor != b.forecolor;
}

// Every character of `text` is in the page font itself, not left to a
// fallback font or to none.
bool inPageFont(const QFontMetricsF& metrics, const QString& text)
{
    for (const char32_t c : QStringView(text).toUcs4())
        if (c != U'\t' && !metrics.inFontUcs4(c))
            return false;
    return true;
}

} // namespace

bool walkPage(const std::vector<SurfaceCall>& calls, double minimumWidth,
              const std::function<void(const StrokeBatch& batch, const QPen& pen)>& stroke,
              const std::function<bool(const SurfaceState& state, const QString& text)>& print,
              const LinePlacer& place)
{
    SurfaceState state;
    QPen pen = pagePen(state, minimumWidth);
    StrokeBatch batch;
    const auto flush = [&] {
        if (!batch.empty()) {
            stroke(batch, pen);
            batch.clear();
        }
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const SurfaceCall& call = calls[i];
        switch (call.kind) {
        case SurfaceCallKind::Line: {
            // A line leaves the state as it was; most of a busy page is lines.
            std::array<int, 4> ends = call.args;
            if (!place || place(i, ends))
                batch.add(QPoint(ends[0], ends[1]), QPoint(ends[2], ends[3]), state.drawstyle == 0);
            continue;
        }
        case SurfaceCallKind::Print:
            flush();
            if (!print(state, call.text))
                return false;
            break;
        case SurfaceCallKind::DrawWidth:
        case SurfaceCallKind::DrawStyle:
        case SurfaceCallKind::ForeColor: {
            SurfaceState next = state;
            next.apply(call);
            if (penChanges(state, next)) {
                flush();
                pen = pagePen(next, minimumWidth);
            }
            break;
        }
        default: break;
        }
        state.apply(call);
    }
    flush();
    return true;
}

void drawPageText(QPainter& painter, const SurfaceState& state, const QString& text, bool outlines)
{
    const QFont font = pageFont(state.fontsize);
    const QFontMetricsF metrics(font, painter.device());
    const QPointF baseline(state.currentx, state.currenty + metrics.ascent());
    if (outlines && !inPageFont(metrics, text)) {
        // An outline has no tab stops: each run between tabs goes
        // where the device's layout puts it.
        const QFont laidOut(font, painter.device());
        QTextLayout layout(text, laidOut, painter.device());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        QPainterPath path;
        for (qsizetype start = 0; start <= text.size();) {
            qsizetype end = text.indexOf(u'\t', start);
            if (end < 0)
                end = text.size();
            path.addText(baseline + QPointF(line.cursorToX(int(start)), 0), laidOut,
                         text.mid(start, end - start));
            start = end + 1;
        }
        painter.fillPath(path, QColor::fromRgb(state.forecolor));
        return;
    }
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(state.forecolor));
    painter.drawText(baseline, text);
}

void renderPage(QPainter& painter, const std::vector<SurfaceCall>& calls, bool outlines,
                double minimumWidth)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);
    walkPage(
        calls, minimumWidth,
        [&](const StrokeBatch& batch, const QPen& pen) { painter.strokePath(batch.path(), pen); },
        [&](const SurfaceState& state, const QString& text) {
            drawPageText(painter, state, text, outlines);
            return true;
        });
    painter.restore();
}

void renderOnPaper(QPainter& painter, const std::vector<SurfaceCall>& calls, const PaperFit& fit,
                   bool outlines)
{
    if (fit.identity()) {
        renderPage(painter, calls, outlines, fit.minimumWidth);
        return;
    }
    painter.save();
    painter.translate(fit.left, fit.top);
    painter.scale(fit.scale, fit.scale);
    renderPage(painter, calls, outlines, fit.minimumWidth);
    painter.restore();
}
