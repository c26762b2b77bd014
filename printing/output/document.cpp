// The one switch over the document formats.
#include "printing/output/document.h"

#include "printing/output/pdf/pdfpages.h"
#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"

QString extensionOf(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Svg: return QStringLiteral(".svg");
    case OutputFormat::Png: return QStringLiteral(".png");
    case OutputFormat::Pdf: break;
    }
    return QStringLiteral(".pdf");
}

QByteArray documentOf(OutputFormat format, const RecordedPage& page, int dpi)
{
    switch (format) {
    case OutputFormat::Svg: return svgDocument(page);
    case OutputFormat::Png: return pngDocument(page, dpi);
    case OutputFormat::Pdf: break;
    }
    return pdfDocument(page);
}
