// A PDF drawn page by page by Qt's PDF engine, for text the page font
// cannot draw alone.
#pragma once

#include "printing/page/recordingsurface.h"
#include "printing/page/sheet.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QPdfWriter>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

// Qt's PDF engine draws with Qt's fonts, which need a GUI application. A
// program that makes one only once text needs it names, for as long as this
// lives, what makes it: each PdfBook calls that first, on its own thread.
class PdfEngineSetUp {
public:
    explicit PdfEngineSetUp(std::function<void()> setUp);
    ~PdfEngineSetUp();
    PdfEngineSetUp(const PdfEngineSetUp&) = delete;
    PdfEngineSetUp& operator=(const PdfEngineSetUp&) = delete;
};

// A PDF of pages at 1200 dpi with no margins, 17 x 11 inches unless said
// otherwise, built in memory one page at a time, so a long document never
// holds more than one page's calls. Each page is drawn exactly as a document
// of that page alone.
class PdfBook {
public:
    // Throws Fault(CannotWriteFile) when there is no GUI application.
    PdfBook();
    ~PdfBook();
    PdfBook(const PdfBook&) = delete;
    PdfBook& operator=(const PdfBook&) = delete;

    // Draws the calls (see renderPage()) on a page of `points` (whole
    // points, width first). Throws Fault(CannotWriteFile) when the page
    // cannot be set up.
    void addPage(const std::vector<SurfaceCall>& calls,
                 QSize points = QSize(sheetWidthPoints, sheetHeightPoints));
    int pageCount() const { return pages_; }
    // The finished document; the book is empty afterwards.
    QByteArray finish();

private:
    QByteArray document_;
    QBuffer buffer_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    int pages_ = 0;
};
