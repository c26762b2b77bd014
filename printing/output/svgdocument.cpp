#include "printing/output/svgdocument.h"

#include "printing/output/drawingbounds.h"
#include "printing/output/pagerenderer.h"
#include "printing/page/sheet.h"
#include "util/fault.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

namespace {

// XML 1.0 cannot hold C0 controls (but tab, line feed and carriage return),
// not even as references, nor lone surrogates, U+FFFE or U+FFFF. A control
// shows as its picture (U+2400 + code), the others as U+FFFD.
QString xmlText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (code < 0x20 && code != 0x9 && code != 0xa && code != 0xd) {
            out += QChar(char16_t(0x2400 + code));
        } else if (c.isSurrogate() || code == 0xfffe || code == 0xffff) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

// The generator's size is whole pixels; the paper's is exact.
void setPaperSize(QByteArray& document, const QSizeF& size)
{
    const qsizetype start = document.indexOf("<svg width=\"");
    const qsizetype end = start < 0 ? -1 : document.indexOf('\n', start);
    if (end < 0)
        return;
    const auto millimetres = [](double pixels) {
        return QByteArray::number(pixels * 25.4 / sheetDpi, 'g', 6);
    };
    document.replace(start, end - start,
                     "<svg width=\"" + millimetres(size.width()) + "mm\" height=\""
                         + millimetres(size.height()) + "mm\"");
}

} // namespace

QByteArray svgDocument(const RecordedPage& recorded, bool crop)
{
    const std::vector<SurfaceCall>& page = recorded.calls;
    std::vector<SurfaceCall> changed;
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i].kind != SurfaceCallKind::Print)
            continue;
        QString text = xmlText(page[i].text);
        if (text == page[i].text)
            continue;
        if (changed.empty())
            changed = page;
        changed[i].text = std::move(text);
    }
    const std::vector<SurfaceCall>& calls = changed.empty() ? page : changed;
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(sheetDpi);
    const PaperFit fit = pageFit(recorded);
    const QRectF area = crop ? croppedArea(recorded) : QRectF(0, 0, fit.width, fit.height);
    const bool sheet = area == QRectF(0, 0, sheetWidthPixels, sheetHeightPixels);
    if (fit.identity() && sheet) {
        generator.setSize(QSize(sheetWidthPixels, sheetHeightPixels));
        generator.setViewBox(QRect(0, 0, sheetWidthPixels, sheetHeightPixels));
    } else {
        // User units stay the page's pixels; the view is the part of the
        // paper shown.
        generator.setSize(QSize(qRound(area.width()), qRound(area.height())));
        generator.setViewBox(QRectF((area.left() - fit.left) / fit.scale,
                                    (area.top() - fit.top) / fit.scale, area.width() / fit.scale,
                                    area.height() / fit.scale));
    }
    generator.setTitle(QStringLiteral("Timing diagram"));
    generator.setDescription(QStringLiteral("Made by zelmar-pdf"));
    QPainter painter;
    if (!painter.begin(&generator))
        throw Fault(FaultKind::CannotWriteFile, QStringLiteral("the SVG page cannot be set up"));
    renderPage(painter, calls, false, fit.minimumWidth);
    painter.end();
    if (!fit.identity() || !sheet)
        setPaperSize(document, area.size());
    return document;
}
