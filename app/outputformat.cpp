#include "app/outputformat.h"

#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"
#include "printing/printers/pdfprinter.h"

QString extensionOf(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Svg: return QStringLiteral(".svg");
    case OutputFormat::Png: return QStringLiteral(".png");
    case OutputFormat::Pdf: break;
    }
    return QStringLiteral(".pdf");
}

QByteArray documentOf(OutputFormat format, const std::vector<SurfaceCall>& calls, int dpi)
{
    switch (format) {
    case OutputFormat::Svg: return svgDocument(calls);
    case OutputFormat::Png: return pngDocument(calls, dpi);
    case OutputFormat::Pdf: break;
    }
    return pdfDocument(calls);
}
