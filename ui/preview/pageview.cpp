// Drawing a preview's pages: one rendering per change, kept as an image that
// scrolling only moves and a new page of the same view mends where it differs.

#include "ui/preview/pageview.h"

#include "printing/page/paper.h"
#include "printing/page/sheet.h"
#include "ui/preview/previewdrawing.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double zoomStep = 1.25;
constexpr double largestZoom = 40; // about the sheet's own 1200 dpi on a usual screen
constexpr int margin = 8;          // around the paper at fit
// A larger cache holds only the neighbourhood of what is shown.
constexpr qint64 largestCachePixels = 24LL * 1024 * 1024;

const QColor desk(0x80, 0x80, 0x80);

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
    updateScrollBars();
    // On the same grid, only the pieces the page changed are drawn again.
    const Grid now = grid();
    if (!dirty_ && !cache_.isNull() && now.whole > 0 && now == drawnGrid_ && !pages_.empty()) {
        std::vector<DrawnPiece> pieces =
            piecesOnGrid(pages_[page_].calls, now.whole, now.origin, now.size.width(),
                         paperFit(pages_[page_].paper).minimumWidth);
        const QRegion changed = changedBetween(pieces_, pieces) & QRect(QPoint(0, 0), now.size);
        const QRect box = changed.boundingRect();
        // Past half the paper, drawing it whole is as quick.
        if (qint64(box.width()) * box.height() * 2 < qint64(now.size.width()) * now.size.height()) {
            pieces_ = std::move(pieces);
            damage_ += changed;
            const qreal ratio = devicePixelRatioF();
            viewport()->update(QRectF(box.topLeft() / ratio, box.size() / ratio)
                                   .toAlignedRect()
                                   .adjusted(-1, -1, 1, 1)
                                   .translated(paperOrigin()));
            emit pageChanged(page_, int(pages_.size()));
            return;
        }
    }
    dirty_ = true;
    viewport()->update();
    emit pageChanged(page_, int(pages_.size()));
}

void PageView::releaseCalls()
{
    for (RecordedPage& page : pages_)
        std::vector<SurfaceCall>().swap(page.calls);
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
    // The room without scroll bars, so that their coming and going moves nothing.
    const QSize room = maximumViewportSize() - QSize(2 * margin, 2 * margin);
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
    const QSize room = maximumViewportSize() - QSize(2 * margin, 2 * margin);
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

PageView::Grid PageView::grid() const
{
    Grid grid;
    const QSize paper = paperSize();
    const qreal ratio = devicePixelRatioF();
    grid.whole = sheetPixelsPerPixel();
    if (pages_.empty()
        || qint64(paper.width()) * paper.height() * ratio * ratio > largestCachePixels)
        grid.whole = 0;
    if (grid.whole == 0)
        return grid;
    // Where ensureCached() puts the sheet's corner for the whole paper.
    const PaperFit fit = paperFit(pages_[page_].paper);
    const QPointF corner = QPointF(fit.left, fit.top) * scale() * ratio;
    grid.origin = QPoint(int(std::round(corner.x())), int(std::round(corner.y())));
    grid.size = paper * ratio;
    grid.page = page_;
    return grid;
}

void PageView::paintOnGrid(QPainter& painter, const Grid& grid) const
{
    const PaperFit fit = paperFit(pages_[page_].paper);
    const double q = scale() * fit.scale * devicePixelRatioF();
    painter.translate(grid.origin);
    painter.scale(q, q);
    // Lines as a raster printer at the view's resolution draws them, as
    // the PNG writer does: on the middle of a pixel, at least one wide.
    painter.translate(grid.whole / 2.0, grid.whole / 2.0);
}

void PageView::ensureCached(const QRect& visible)
{
    if (!dirty_ && cached_.contains(visible)) {
        if (!damage_.isEmpty())
            repairCache();
        return;
    }
    const QRect paper(QPoint(0, 0), paperSize());
    const qreal ratio = devicePixelRatioF();
    QRect wanted = paper;
    if (qint64(paper.width()) * paper.height() * ratio * ratio > largestCachePixels)
        wanted =
            visible.adjusted(-visible.width(), -visible.height(), visible.width(), visible.height())
                .intersected(paper);
    pieces_.clear();
    drawnGrid_ = Grid();
    damage_ = QRegion();
    // The last image's memory serves again while it is the same size.
    QImage image = std::move(cache_);
    cache_ = QImage();
    if (image.size() != wanted.size() * ratio)
        image = QImage(wanted.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    if (image.isNull() || !image.bits()) {
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
        QPainter painter(&image);
        // In device pixels: the sheet's corner on a whole pixel, so that
        // lines put on the sheet's pixel grid fall on the view's.
        const QPointF corner =
            (QPointF(fit.left, fit.top) * scale() - QPointF(wanted.topLeft())) * ratio;
        const QPoint origin(int(std::round(corner.x())), int(std::round(corner.y())));
        const Grid drawn{sheetPixelsPerPixel(), origin, image.size(), page_};
        if (drawn.whole > 0) {
            paintOnGrid(painter, drawn);
            renderOnGrid(painter, image, page.calls, drawn.whole, origin, fit.minimumWidth,
                         image.rect());
            if (wanted == paper) {
                pieces_ =
                    piecesOnGrid(page.calls, drawn.whole, origin, image.width(), fit.minimumWidth);
                drawnGrid_ = drawn;
            }
        } else {
            painter.translate(origin);
            const double q = scale() * fit.scale * ratio;
            painter.scale(q, q);
            renderScaled(painter, page.calls, 1 / q, fit.minimumWidth);
        }
    }
    image.setDevicePixelRatio(ratio);
    cache_ = std::move(image);
    cached_ = wanted;
    dirty_ = false;
    ++renders_;
}

void PageView::repairCache()
{
    const QRegion damage = damage_ & cache_.rect();
    damage_ = QRegion();
    const qreal ratio = cache_.devicePixelRatio();
    cache_.setDevicePixelRatio(1);
    // Written into straight: it must be the cache's own.
    if (!cache_.bits()) {
        dirty_ = true;
        return;
    }
    const RecordedPage& page = pages_[page_];
    const double minimumWidth = paperFit(page.paper).minimumWidth;
    QPainter painter(&cache_);
    for (const QRect& r : damage) {
        painter.resetTransform();
        painter.setClipRect(r);
        painter.fillRect(r, Qt::white);
        paintOnGrid(painter, drawnGrid_);
        for (const DrawnPiece& piece : pieces_)
            if (piece.bounds.intersects(r))
                renderOnGrid(painter, cache_, callsOf(page.calls, piece), drawnGrid_.whole,
                             drawnGrid_.origin, minimumWidth, r);
    }
    painter.end();
    cache_.setDevicePixelRatio(ratio);
    ++renders_;
}

QPointF PageView::sheetAt(QPointF point) const
{
    const PaperFit fit = paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper);
    return ((point - QPointF(paperOrigin())) / scale() - QPointF(fit.left, fit.top)) / fit.scale;
}

QPointF PageView::viewAt(QPointF sheet) const
{
    const PaperFit fit = paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper);
    return QPointF(paperOrigin()) + (QPointF(fit.left, fit.top) + sheet * fit.scale) * scale();
}

double PageView::sheetScale() const
{
    return scale() * paperFit(pages_.empty() ? Paper::Tabloid : pages_[page_].paper).scale;
}

void PageView::setHighlight(QLineF line)
{
    if (line == highlight_)
        return;
    highlight_ = line;
    viewport()->update();
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
    if (!highlight_.isNull() && !pages_.empty()) {
        painter.setPen(QPen(QColor(0, 70, 200, 64), 7, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QLineF(viewAt(highlight_.p1()), viewAt(highlight_.p2())));
    }
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
