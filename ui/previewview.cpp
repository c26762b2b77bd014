// Drawing a preview's pages: one rendering per change, kept as an image that
// scrolling only moves.

#include "ui/previewview.h"

#include "printing/output/pagerenderer.h"
#include "printing/page/paper.h"
#include "printing/page/sheet.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double zoomStep = 1.25;
constexpr double largestZoom = 40; // about the sheet's own 1200 dpi on a usual screen
constexpr int margin = 8;          // around the paper at fit
// A larger cache holds only the neighbourhood of what is shown.
constexpr qint64 largestCachePixels = 24LL * 1024 * 1024;

const QColor desk(0x80, 0x80, 0x80);

// Every line's ends moved to the corner of their pixel of `whole` sheet
// pixels. A thin line the one before it covers (the same pixels) is left
// out: on the busiest pages most lines fall on their neighbours.
std::vector<SurfaceCall> onPixelGrid(const std::vector<SurfaceCall>& calls, int whole)
{
    const auto corner = [whole](int at) {
        return at >= 0 ? at / whole * whole : -((-at + whole - 1) / whole * whole);
    };
    std::vector<SurfaceCall> grid;
    grid.reserve(calls.size());
    bool afterLine = false;
    std::array<int, 4> last{};
    for (const SurfaceCall& call : calls) {
        if (call.kind != SurfaceCallKind::Line) {
            grid.push_back(call);
            afterLine = false;
            continue;
        }
        std::array<int, 4> ends{corner(call.args[0]), corner(call.args[1]), corner(call.args[2]),
                                corner(call.args[3])};
        const std::array<int, 4> reversed{ends[2], ends[3], ends[0], ends[1]};
        const bool covered = afterLine
                             && (ends == last || reversed == last
                                 || (ends[0] == ends[2] && ends[1] == ends[3]
                                     && ((ends[0] == last[0] && ends[1] == last[1])
                                         || (ends[0] == last[2] && ends[1] == last[3]))));
        if (covered)
            continue;
        SurfaceCall moved = call;
        moved.args = ends;
        grid.push_back(std::move(moved));
        last = ends;
        afterLine = true;
    }
    return grid;
}

// Walks the calls as renderPage() does, `pixel` sheet pixels to a pixel of
// the view. A line thinner than a pixel is drawn one pixel wide at full
// strength, as a raster printer draws it (the painter would fade it). On the
// grid (onPixelGrid) a thin line across or down covers whole pixels: drawn
// without antialiasing it comes out the same, several times faster. Text
// is drawn as renderPage() draws it.
void renderForView(QPainter& painter, const std::vector<SurfaceCall>& calls, double pixel,
                   bool onGrid, double minimumWidth)
{
    walkPage(
        calls, minimumWidth,
        [&](const StrokeBatch& batch, const QPen& pagepen) {
            const std::vector<QPoint>& points = batch.points();
            const std::vector<std::size_t>& starts = batch.starts();
            QPen pen = pagepen;
            const bool thin = pen.widthF() <= pixel;
            if (thin) {
                pen.setCosmetic(true);
                pen.setWidth(1);
            }
            bool square = onGrid && thin;
            for (std::size_t i = 1; square && i < points.size(); ++i)
                square = points[i].x() == points[i - 1].x() || points[i].y() == points[i - 1].y();
            painter.setRenderHint(QPainter::Antialiasing, !square);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            for (std::size_t i = 0; i < starts.size(); ++i) {
                const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : points.size();
                painter.drawPolyline(points.data() + starts[i], int(end - starts[i]));
            }
        },
        [&](const SurfaceState& state, const QString& text) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setRenderHint(QPainter::TextAntialiasing, true);
            drawPageText(painter, state, text, true);
            painter.restore();
            return true;
        });
}

} // namespace

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("pageview"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::OpenHandCursor);
}

void PageView::setPages(std::vector<RecordedPage> pages)
{
    const bool samecount = pages.size() == pages_.size();
    pages_ = std::move(pages);
    if (!samecount || page_ >= int(pages_.size()))
        page_ = 0;
    dirty_ = true;
    updateScrollBars();
    viewport()->update();
    emit pageChanged(page_, int(pages_.size()));
}

void PageView::setPage(int page)
{
    page = std::clamp(page, 0, std::max(0, int(pages_.size()) - 1));
    if (page == page_)
        return;
    page_ = page;
    dirty_ = true;
    viewport()->update();
    emit pageChanged(page_, int(pages_.size()));
}

void PageView::setZoom(double zoom) { zoomAround(zoom, zoomAnchor()); }

void PageView::zoomIn() { setZoom(zoom_ * zoomStep); }
void PageView::zoomOut() { setZoom(zoom_ / zoomStep); }

void PageView::zoomAround(double zoom, QPointF anchor)
{
    zoom = std::clamp(zoom, 1.0, largestZoom);
    if (zoom == zoom_)
        return;
    // The point of the paper under `anchor` stays there.
    const QPointF onPaper = (anchor - QPointF(paperOrigin())) / scale();
    zoom_ = zoom;
    dirty_ = true;
    updateScrollBars();
    const QPointF content = onPaper * scale();
    horizontalScrollBar()->setValue(int(std::lround(content.x() - anchor.x())));
    verticalScrollBar()->setValue(int(std::lround(content.y() - anchor.y())));
    viewport()->update();
}

QPointF PageView::zoomAnchor() const
{
    const PaperFit fit = paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper);
    const QPointF corner =
        QPointF(paperOrigin())
        + (QPointF(fit.left, fit.top) + QPointF(textLeft, headingTop) * fit.scale) * scale();
    const QRectF view = viewport()->rect();
    return view.contains(corner) ? corner : view.center();
}

double PageView::scale() const
{
    const PaperFit fit = paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper);
    const QSize room = viewport()->size() - QSize(2 * margin, 2 * margin);
    const double fitted =
        std::min(std::max(1, room.width()) / fit.width, std::max(1, room.height()) / fit.height);
    const int whole = sheetPixelsPerPixel();
    if (whole > 0)
        return 1 / (whole * fit.scale * devicePixelRatioF());
    return fitted * zoom_;
}

int PageView::sheetPixelsPerPixel() const
{
    const PaperFit fit = paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper);
    const QSize room = viewport()->size() - QSize(2 * margin, 2 * margin);
    const double fitted =
        std::min(std::max(1, room.width()) / fit.width, std::max(1, room.height()) / fit.height);
    const double perPixel = 1 / (fitted * zoom_ * fit.scale * devicePixelRatioF());
    // Closer in, the zoom steps would fall together.
    return perPixel >= 4 ? int(std::ceil(perPixel - 1e-9)) : 0;
}

QSize PageView::paperSize() const
{
    const PaperFit fit = paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper);
    const double s = scale();
    return {std::max(1, int(std::lround(fit.width * s))),
            std::max(1, int(std::lround(fit.height * s)))};
}

void PageView::updateScrollBars()
{
    const QSize paper = paperSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, paper.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, paper.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(std::max(1, view.width() / 20));
    verticalScrollBar()->setSingleStep(std::max(1, view.height() / 20));
}

QPoint PageView::paperOrigin() const
{
    // The paper at fit is centred; a larger one starts at the scroll position.
    const QSize paper = paperSize();
    const QSize view = viewport()->size();
    return {paper.width() < view.width() ? (view.width() - paper.width()) / 2
                                         : -horizontalScrollBar()->value(),
            paper.height() < view.height() ? (view.height() - paper.height()) / 2
                                           : -verticalScrollBar()->value()};
}

QRect PageView::visibleContent() const
{
    const QRect view = viewport()->rect();
    const QRect paper(QPoint(0, 0), paperSize());
    return paper.intersected(
        view.translated(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void PageView::ensureCached(const QRect& visible)
{
    if (!dirty_ && cached_.contains(visible))
        return;
    const QRect paper(QPoint(0, 0), paperSize());
    const qreal ratio = devicePixelRatioF();
    QRect wanted = paper;
    if (qint64(paper.width()) * paper.height() * ratio * ratio > largestCachePixels)
        wanted =
            visible.adjusted(-visible.width(), -visible.height(), visible.width(), visible.height())
                .intersected(paper);
    QImage image(wanted.size() * ratio, QImage::Format_RGB32);
    if (image.isNull()) {
        cache_ = QImage();
        cached_ = QRect();
        return;
    }
    // Text lays out for its device's resolution (tab stops): the sheet's,
    // as every writer has it.
    image.setDotsPerMeterX(qRound(sheetDpi / 0.0254));
    image.setDotsPerMeterY(qRound(sheetDpi / 0.0254));
    image.fill(Qt::white);
    if (!pages_.empty()) {
        const RecordedPage& page = pages_[page_];
        const PaperFit fit = paperFit(page.paper);
        const double s = scale();
        const int whole = sheetPixelsPerPixel();
        QPainter painter(&image);
        // In device pixels: the sheet's corner on a whole pixel, so that
        // lines put on the sheet's pixel grid fall on the view's.
        const QPointF corner = (QPointF(fit.left, fit.top) * s - QPointF(wanted.topLeft())) * ratio;
        painter.translate(std::round(corner.x()), std::round(corner.y()));
        const double q = s * fit.scale * ratio;
        painter.scale(q, q);
        // Lines as a raster printer at the view's resolution draws them, as
        // the PNG writer does: on the middle of a pixel, at least one wide.
        if (whole > 0) {
            painter.translate(whole / 2.0, whole / 2.0);
            renderForView(painter, onPixelGrid(page.calls, whole), whole, true, fit.minimumWidth);
        } else {
            renderForView(painter, page.calls, 1 / q, false, fit.minimumWidth);
        }
    }
    image.setDevicePixelRatio(ratio);
    cache_ = std::move(image);
    cached_ = wanted;
    dirty_ = false;
    ++renders_;
}

QImage PageView::drawnImage()
{
    ensureCached(visibleContent());
    return cache_;
}

void PageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect visible = visibleContent();
    ensureCached(visible);
    const QPoint origin = paperOrigin();
    const QRegion around = QRegion(event->rect()) - QRect(origin, paperSize());
    for (const QRect& r : around)
        painter.fillRect(r, desk);
    if (!cache_.isNull())
        painter.drawImage(origin + cached_.topLeft(), cache_);
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    dirty_ = true;
    updateScrollBars();
}

void PageView::scrollContentsBy(int dx, int dy) { viewport()->scroll(dx, dy); }

void PageView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        zoomAround(zoom_ * std::pow(zoomStep, steps), event->position());
    event->accept();
}

void PageView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomIn(); break;
    case Qt::Key_Minus: zoomOut(); break;
    case Qt::Key_PageDown: setPage(page_ + 1); break;
    case Qt::Key_PageUp: setPage(page_ - 1); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

void PageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void PageView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint at = event->position().toPoint();
    const QPoint moved = at - dragFrom_;
    dragFrom_ = at;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
}

void PageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
        viewport()->setCursor(Qt::OpenHandCursor);
    }
}
