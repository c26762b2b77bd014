// The preview's drawing of a page. Far out, a busy trace has many edges to
// a pixel and a painter would go over the same pixels again and again; in
// close, a long trace stroked in one piece costs a painter's rasteriser time
// that grows with the square of its edges in a row.

#include "ui/preview/previewdrawing.h"

#include "printing/output/pagerenderer.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <utility>

namespace {

// Writes the pixels a painter draws for one-pixel lines across and down
// between pixel middles, both ends included, straight into a 32-bit image:
// in each column the rows a polyline covers there are one run, written once.
class ColumnFill {
public:
    // Within `clip`, which must lie in the image.
    ColumnFill(QImage& image, const QRect& clip, QPoint origin, int whole, QRgb colour)
        : bits_(image.bits()), stride_(image.bytesPerLine()), clip_(clip), origin_(origin),
          whole_(whole), colour_(0xff000000u | colour)
    {
    }
    ColumnFill(const ColumnFill&) = delete;
    ColumnFill& operator=(const ColumnFill&) = delete;
    ~ColumnFill() { flush(); }

    // `points` on the grid, each line across or down.
    void polyline(const QPoint* points, std::size_t count)
    {
        QPoint from = pixelOf(points[0]);
        span(from.x(), from.y(), from.y());
        for (std::size_t i = 1; i < count; ++i) {
            const QPoint to = pixelOf(points[i]);
            if (to.x() == from.x()) {
                span(to.x(), std::min(from.y(), to.y()), std::max(from.y(), to.y()));
            } else {
                // The columns between the ends take the line's row alone.
                const int left = std::min(from.x(), to.x());
                const int right = std::max(from.x(), to.x());
                if (right - left > 1)
                    fillRow(to.y(), left + 1, right - 1);
                span(to.x(), to.y(), to.y());
            }
            from = to;
        }
    }

private:
    QPoint pixelOf(QPoint p) const { return origin_ + QPoint(p.x() / whole_, p.y() / whole_); }

    // Rows top to bottom of column x: joined to the column's run when they
    // touch it.
    void span(int x, int top, int bottom)
    {
        if (x == column_ && top <= bottom_ + 1 && bottom >= top_ - 1) {
            top_ = std::min(top_, top);
            bottom_ = std::max(bottom_, bottom);
            return;
        }
        flush();
        column_ = x;
        top_ = top;
        bottom_ = bottom;
    }

    void flush()
    {
        if (column_ == INT_MIN)
            return;
        if (column_ >= clip_.left() && column_ <= clip_.right()) {
            const int last = std::min(bottom_, clip_.bottom());
            for (int y = std::max(top_, clip_.top()); y <= last; ++y)
                line(y)[column_] = colour_;
        }
        column_ = INT_MIN;
    }

    void fillRow(int y, int left, int right)
    {
        if (y < clip_.top() || y > clip_.bottom())
            return;
        left = std::max(left, clip_.left());
        right = std::min(right, clip_.right());
        if (left <= right)
            std::fill(line(y) + left, line(y) + right + 1, colour_);
    }

    quint32* line(int y) { return reinterpret_cast<quint32*>(bits_ + y * stride_); }

    uchar* bits_;
    qsizetype stride_;
    QRect clip_;
    QPoint origin_;
    int whole_;
    quint32 colour_;
    int column_ = INT_MIN;
    int top_ = 0, bottom_ = 0;
};

void drawPolylines(QPainter& painter, const StrokeBatch& batch)
{
    const std::vector<QPoint>& points = batch.points();
    const std::vector<std::size_t>& starts = batch.starts();
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : points.size();
        painter.drawPolyline(points.data() + starts[i], int(end - starts[i]));
    }
}

// Device pixels wide: the rasteriser's time grows with the square of the
// edges a row of one stroke crosses.
constexpr int stripWidth = 128;

// A batch stroked `width` sheet pixels wide, strip by strip: each strip
// takes the runs of lines that reach it, clipped to it. Within a strip the
// runs' outline is the whole polyline's, so the pixels come out the same.
void strokeInStrips(QPainter& painter, const StrokeBatch& batch, double width)
{
    const QTransform transform = painter.transform();
    const int deviceWidth = painter.device()->width();
    const int strips = (deviceWidth + stripWidth - 1) / stripWidth;
    if (strips <= 1 || transform.type() > QTransform::TxScale) {
        drawPolylines(painter, batch);
        return;
    }
    // A round cap reaches half the width past a line's end; antialiasing one more pixel.
    const double reach = width * transform.m11() / 2 + 2;
    const std::vector<QPoint>& points = batch.points();
    const std::vector<std::size_t>& starts = batch.starts();
    // Per strip, the first and last point of each run, in drawing order.
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> runs{};
    runs.resize(std::size_t(strips));
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : points.size();
        for (std::size_t i = starts[k] + 1; i < end; ++i) {
            const double a = transform.m11() * points[i - 1].x() + transform.dx();
            const double b = transform.m11() * points[i].x() + transform.dx();
            const double low = std::min(a, b) - reach;
            const double high = std::max(a, b) + reach;
            if (high < 0 || low >= deviceWidth)
                continue;
            const int first = int(std::max(low, 0.0)) / stripWidth;
            const int last = int(std::min(high, deviceWidth - 1.0)) / stripWidth;
            for (int s = first; s <= last; ++s) {
                auto& strip = runs[std::size_t(s)];
                if (!strip.empty() && strip.back().second == i - 1)
                    strip.back().second = i;
                else
                    strip.emplace_back(i - 1, i);
            }
        }
    }
    for (int s = 0; s < strips; ++s) {
        const auto& strip = runs[std::size_t(s)];
        if (strip.empty())
            continue;
        painter.save();
        painter.resetTransform();
        painter.setClipRect(QRect(s * stripWidth, 0, stripWidth, painter.device()->height()));
        painter.setTransform(transform);
        for (const auto& [first, last] : strip)
            painter.drawPolyline(points.data() + first, int(last - first + 1));
        painter.restore();
    }
}

bool drawText(QPainter& painter, const SurfaceState& state, const QString& text)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    drawPageText(painter, state, text, true);
    painter.restore();
    return true;
}

// The pen a line of `pagepen` is drawn with where a pixel is `pixel` sheet
// pixels: a line thinner than a pixel is one pixel wide at full strength,
// as a raster printer draws it (the painter would fade it).
QPen viewPen(QPen pen, double pixel)
{
    if (pen.widthF() <= pixel) {
        pen.setCosmetic(true);
        pen.setWidth(1);
    }
    return pen;
}

// Moves every line's ends to the corner of their pixel of `whole` sheet
// pixels, and leaves out a line the one before it covers (the same pixels):
// on the busiest pages most lines fall on their neighbours.
class PixelGrid {
public:
    explicit PixelGrid(int whole) : whole_(whole) {}

    bool operator()(std::size_t index, std::array<int, 4>& ends)
    {
        const bool afterLine = index == next_;
        next_ = index + 1;
        const int x1 = corner(ends[0]), y1 = corner(ends[1]);
        const int x2 = corner(ends[2]), y2 = corner(ends[3]);
        ends = {x1, y1, x2, y2};
        if (afterLine) {
            const bool startsLast = x1 == last_[0] && y1 == last_[1];
            const bool endsLast = x1 == last_[2] && y1 == last_[3];
            const bool same = startsLast && x2 == last_[2] && y2 == last_[3];
            const bool reversed = endsLast && x2 == last_[0] && y2 == last_[1];
            const bool point = x1 == x2 && y1 == y2 && (startsLast || endsLast);
            if (same || reversed || point)
                return false;
        }
        last_ = ends;
        return true;
    }

private:
    int corner(int at) const
    {
        const qint64 k = at / whole_ - (at % whole_ < 0 ? 1 : 0);
        return int(std::max<qint64>(k * whole_, INT_MIN));
    }

    int whole_;
    // The index a line must have to follow the last one with no other call
    // between them, and the last line's ends.
    std::size_t next_ = std::size_t(-1);
    std::array<int, 4> last_{};
};

} // namespace

// Sheet pixels a device pixel from which a slanting hair line is drawn plainly.
constexpr int plainFrom = 4;

void renderOnGrid(QPainter& painter, QImage& image, const std::vector<SurfaceCall>& calls,
                  int whole, QPoint origin, double minimumWidth, const QRect& clip)
{
    walkPage(
        calls, minimumWidth,
        [&](const StrokeBatch& batch, const QPen& pagepen) {
            const QPen pen = viewPen(pagepen, whole);
            const std::vector<QPoint>& points = batch.points();
            const std::vector<std::size_t>& starts = batch.starts();
            // On the grid (PixelGrid), a thin line across or down covers whole pixels: drawn
            // without antialiasing it comes out the same, several times faster.
            bool square = pen.isCosmetic();
            for (std::size_t i = 1, next = 1; square && i < points.size(); ++i) {
                if (next < starts.size() && starts[next] == i) {
                    ++next;
                    continue;
                }
                square = points[i].x() == points[i - 1].x() || points[i].y() == points[i - 1].y();
            }
            if (square && pen.style() == Qt::SolidLine && image.depth() == 32) {
                ColumnFill fill(image, clip, origin, whole, pen.color().rgb());
                for (std::size_t i = 0; i < starts.size(); ++i) {
                    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : points.size();
                    fill.polyline(points.data() + starts[i], end - starts[i]);
                }
                return;
            }
            // A hair line slanting across a view zoomed out (a bus lane's
            // crossings, one every pixel or two) is as clear drawn plainly,
            // and many times faster than with antialiasing.
            const bool plain =
                square || (pen.isCosmetic() && pen.style() == Qt::SolidLine && whole >= plainFrom);
            painter.setRenderHint(QPainter::Antialiasing, !plain);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            drawPolylines(painter, batch);
        },
        [&](const SurfaceState& state, const QString& text) {
            return drawText(painter, state, text);
        },
        PixelGrid(whole));
}

void renderScaled(QPainter& painter, const std::vector<SurfaceCall>& calls, double pixel,
                  double minimumWidth)
{
    walkPage(
        calls, minimumWidth,
        [&](const StrokeBatch& batch, const QPen& pagepen) {
            const QPen pen = viewPen(pagepen, pixel);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            if (!pen.isCosmetic() && pen.style() == Qt::SolidLine)
                strokeInStrips(painter, batch, pen.widthF());
            else
                drawPolylines(painter, batch);
        },
        [&](const SurfaceState& state, const QString& text) {
            return drawText(painter, state, text);
        });
}
