// The list of output formats and the one switch to their writers.
#include "printing/output/formats.h"

#include "printing/output/pdf/pdfbook.h"
#include "printing/output/pdf/pdffont.h"
#include "printing/output/pdf/pdfpages.h"
#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"
#include "printing/output/valuechangedump.h"
#include "util/fault.h"

namespace {

QString fileOf(const QStringList& files, std::size_t i)
{
    return i < std::size_t(files.size()) ? files[qsizetype(i)] : QString();
}

std::vector<QByteArray> pdfDocuments(DocumentSource source, const QStringList& files)
{
    return {inFile(fileOf(files, 0), [&] {
        PdfPages book;
        for (RecordedPage& page : source.pages) {
            book.add(pdfPage(page));
            page = RecordedPage();
        }
        return book.finish();
    })};
}

// A document a page, made by `write`.
template <QByteArray (*write)(const RecordedPage&, int, bool)>
std::vector<QByteArray> pageDocuments(DocumentSource source, const QStringList& files)
{
    std::vector<QByteArray> documents;
    for (std::size_t i = 0; i < source.pages.size(); ++i) {
        documents.push_back(inFile(fileOf(files, i), [&] {
            return write(source.pages[i], source.dpi, source.crop);
        }));
        source.pages[i] = RecordedPage();
    }
    return documents;
}

QByteArray svgPage(const RecordedPage& page, int, bool crop) { return svgDocument(page, crop); }

std::vector<QByteArray> dumpDocuments(DocumentSource source, const QStringList& files)
{
    if (!source.levels || !source.request)
        throw Fault(FaultKind::SubscriptOutOfRange, QStringLiteral("no channels to dump"))
            .inFile(fileOf(files, 0));
    return {valueChangeDump(*source.levels, *source.request)};
}

} // namespace

const std::vector<DocumentFormat>& documentFormats()
{
    static const std::vector<DocumentFormat> formats{
        {OutputFormat::Pdf, QStringLiteral("pdf"), QStringLiteral("PDF document (*.pdf)"), true,
         false, true, false, pdfDocuments},
        {OutputFormat::Svg, QStringLiteral("svg"), QStringLiteral("SVG image (*.svg)"), true, true,
         false, true, pageDocuments<svgPage>},
        {OutputFormat::Png, QStringLiteral("png"), QStringLiteral("PNG image (*.png)"), true, true,
         false, true, pageDocuments<pngDocument>},
        {OutputFormat::Vcd, QStringLiteral("vcd"), QStringLiteral("Value change dump (*.vcd)"),
         false, false, false, false, dumpDocuments},
    };
    return formats;
}

const DocumentFormat& documentFormat(OutputFormat id)
{
    for (const DocumentFormat& format : documentFormats())
        if (format.id == id)
            return format;
    return documentFormats().front();
}

const DocumentFormat* formatNamed(const QString& name)
{
    for (const DocumentFormat& format : documentFormats())
        if (name == format.name)
            return &format;
    return nullptr;
}

QString formatNames(const QString& prefix)
{
    QStringList names;
    for (const DocumentFormat& format : documentFormats())
        names << prefix + format.name;
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QString croppingFormats()
{
    QStringList names;
    for (const DocumentFormat& format : documentFormats())
        if (format.crops)
            names << format.name.toUpper();
    return names.join(QStringLiteral(" and "));
}

WriterSetUp::WriterSetUp(OutputFormat id, bool oneCapture, const std::function<void()>& startGui)
{
    const bool pdf = id == OutputFormat::Pdf;
    if (startGui) {
        if (pdf && oneCapture && PdfFont::readFromFile())
            lateGui_ = std::make_unique<PdfEngineSetUp>(startGui);
        else
            startGui();
    }
    if (pdf)
        PdfFont::page();
}

WriterSetUp::~WriterSetUp() = default;

std::vector<QByteArray> writeDocuments(const DocumentFormat& format, DocumentSource source,
                                       const QStringList& files)
{
    return format.write(std::move(source), files);
}
