// The one switch over the document formats.
#include "printing/output/document.h"

#include "printing/output/pdf/pdfpages.h"
#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"
#include "util/fault.h"

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

std::vector<QByteArray> documentsOf(OutputFormat format, std::vector<RecordedPage> pages, int dpi,
                                    const QStringList& files)
{
    const auto fileOf = [&](std::size_t i) {
        return i < std::size_t(files.size()) ? files[qsizetype(i)] : QString();
    };
    std::vector<QByteArray> documents;
    if (format == OutputFormat::Pdf) {
        documents.push_back(inFile(fileOf(0), [&] {
            PdfPages book;
            for (RecordedPage& page : pages) {
                book.add(pdfPage(page));
                page = RecordedPage();
            }
            return book.finish();
        }));
        return documents;
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        documents.push_back(inFile(fileOf(i), [&] { return documentOf(format, pages[i], dpi); }));
        pages[i] = RecordedPage();
    }
    return documents;
}
