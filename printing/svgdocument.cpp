#include "printing/svgdocument.h"

#include "printing/pagerenderer.h"
#include "util/fault.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

QByteArray svgDocument(const std::vector<SurfaceCall>& calls)
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(renderResolution);
    generator.setSize(QSize(sheetWidthPixels, sheetHeightPixels));
    generator.setViewBox(QRect(0, 0, sheetWidthPixels, sheetHeightPixels));
    generator.setTitle(QStringLiteral("Timing diagram"));
    generator.setDescription(QStringLiteral("Made by zelmar-pdf"));
    QPainter painter;
    if (!painter.begin(&generator))
        throw Fault(FaultKind::CannotWriteFile, QStringLiteral("the SVG page cannot be set up"));
    renderPage(painter, calls);
    painter.end();
    return document;
}
