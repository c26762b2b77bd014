#pragma once

// The pages of a preview, drawn as the writers draw them and fitted to the
// view: zoom, panning and paging.

#include "printing/page/recordingsurface.h"
#include "ui/preview/previewpieces.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QLineF>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>

#include <vector>

class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    // Keeps the page number when there are still as many pages.
    void setPages(std::vector<RecordedPage> pages);
    // Lets go of the pages' calls while new ones are recorded, so that their
    // memory serves again (fresh memory is much of a busy page's time); the
    // page number stays for setPages(), which must follow.
    void releaseCalls();
    const std::vector<RecordedPage>& pages() const { return pages_; }
    int page() const { return page_; } // 0-based
    void setPage(int page);

    // 1 fits the paper to the view; each step in or out is a factor of 1.25,
    // about the drawing's top-left corner while it is in view.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void fit() { setZoom(1); }

    // The sheet point (1200-dpi pixels) at `point` of the viewport, and
    // back; the viewport's pixels a sheet pixel takes.
    QPointF sheetAt(QPointF point) const;
    QPointF viewAt(QPointF sheet) const;
    double sheetScale() const;
    // A band over the page along the sheet's `line` (a chosen marker's),
    // not part of the page; none when null.
    void setHighlight(QLineF line);

    // The paper as the view draws it now, for tests and the benchmark:
    // rendering it afresh when a change asks for it.
    QImage drawnImage();
    // How often the page was rendered.
    int renders() const { return renders_; }

signals:
    void pageChanged(int page, int pages);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Pixels of the view a paper pixel (1200 dpi) takes.
    double scale() const;
    // Sheet pixels a device pixel of the view takes when that is a whole
    // number the lines can be put on; 0 when it is not.
    int sheetPixelsPerPixel() const;
    QSize paperSize() const;
    void updateScrollBars();
    // The drawn paper in content coordinates (the paper's top-left at 0, 0).
    QRect visibleContent() const;
    // Where the paper's top-left corner is in the viewport.
    QPoint paperOrigin() const;
    // What the keys zoom about: the heading's and the names' corner while
    // it is in view (the middle of the sheet is mostly blank), else the
    // middle of the view.
    QPointF zoomAnchor() const;
    // Where the cache would hold the whole paper on the grid: sheet pixels a
    // device pixel, where sheet pixel 0 falls, the image's size; whole is 0
    // off the grid or when the paper is too large for one image.
    struct Grid {
        int whole = 0;
        QPoint origin;
        QSize size;
        int page = -1;
        friend bool operator==(const Grid&, const Grid&) = default;
    };
    Grid grid() const;
    // Renders the part of the paper around `visible` unless the cache has it.
    void ensureCached(const QRect& visible);
    // Draws again what a new page changed (damage_).
    void repairCache();
    void paintOnGrid(QPainter& painter, const Grid& grid) const;
    void zoomAround(double zoom, QPointF anchor);

    std::vector<RecordedPage> pages_;
    int page_ = 0;
    double zoom_ = 1;
    QImage cache_;      // device pixels
    QRect cached_;      // what it holds, in content coordinates
    bool dirty_ = true; // the cache no longer shows the page
    // The pieces of the page in the cache when it holds the whole paper on
    // `drawnGrid_`, and what of the cache no longer shows the page.
    std::vector<DrawnPiece> pieces_;
    Grid drawnGrid_;
    QRegion damage_;
    QPoint dragFrom_;
    bool dragging_ = false;
    int renders_ = 0;
    QLineF highlight_;
};
