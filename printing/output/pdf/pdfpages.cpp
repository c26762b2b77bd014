#include "printing/output/pdf/pdfpages.h"

#include "printing/output/pagerenderer.h"
#include "printing/output/pdf/pdfbook.h"
#include "printing/output/pdf/pdffont.h"
#include "printing/output/pdf/pdfimport.h"
#include "printing/output/pdf/pdfstrokes.h"
#include "printing/output/pdf/subsettags.h"
#include "util/fault.h"

#include <QColor>
#include <QDateTime>

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

// Objects written last at numbers kept from the start: the page tree, the
// shared resources and the font (five objects) they name.
enum : int {
    pagesObject = 1,
    resourcesObject,
    fontObject,
    firstFreeObject = fontObject + 5,
};


QByteArray reference(int object) { return QByteArray::number(object) + " 0 R"; }

QByteArray creationDate()
{
    const std::optional<QDateTime> fixed = sourceDateEpoch();
    const QDateTime time = fixed ? *fixed : QDateTime::currentDateTimeUtc();
    return "D:" + time.toString(u"yyyyMMddHHmmss").toLatin1() + 'Z';
}

// Without a page font (none with TrueType outlines), the engine draws all
// text and the resources name no font.
QByteArray resources(const QByteArray& extra = {})
{
    const QByteArray font = PdfFont::page() ? " /Font << /F1 " + reference(fontObject) + " >>" : "";
    return "<< /ColorSpace << /CSp /DeviceRGB >> /ExtGState << /GSa << /Type /ExtGState /SA true "
           "/ca 1 /CA 1 /AIS false >> >>"
           + font + extra + " >>";
}

} // namespace

std::optional<QDateTime> sourceDateEpoch()
{
    // The latest time a PDF date can hold: the end of the year 9999.
    constexpr qint64 latest = 253402300799;
    const QByteArray value = qgetenv("SOURCE_DATE_EPOCH");
    if (value.isEmpty())
        return std::nullopt;
    qint64 seconds = 0;
    const auto [end, error] = std::from_chars(value.constData(), value.constData() + value.size(), seconds);
    if (error == std::errc() && end == value.constData() + value.size() && seconds >= 0 && seconds <= latest)
        return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    QString shown;
    for (const char c : value.left(40))
        shown += c > ' ' && c < 127 && c != '"' && c != '\\'
                     ? QString(QLatin1Char(c))
                     : QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    if (value.size() > 40)
        shown += QStringLiteral("...");
    throw Fault(FaultKind::TypeMismatch,
                QStringLiteral("SOURCE_DATE_EPOCH \"%1\" is not a whole number of seconds since 1970 from 0 "
                               "to %2 (the end of the year 9999)")
                    .arg(shown, QString::number(latest)));
}

PdfPage pdfPage(const RecordedPage& recorded)
{
    const std::vector<SurfaceCall>& calls = recorded.calls;
    const PdfFont* font = PdfFont::page();
    PdfPage page;
    std::vector<std::uint16_t> glyphs;
    bool engineText = false;
    const PdfTextWriter text = [&](QByteArray& out, const SurfaceState& state, const QString& line) {
        glyphs.clear();
        if (!font || !font->glyphsFor(line, glyphs)) {
            engineText = true;
            return true;
        }
        if (glyphs.empty())
            return true;
        // The text's top at the current point, upright in the page's
        // downward user space.
        const QColor colour = QColor::fromRgb(state.forecolor);
        out.append("/CSp cs ");
        appendPdfReal(out, colour.redF());
        appendPdfReal(out, colour.greenF());
        appendPdfReal(out, colour.blueF());
        out.append("scn\nBT\n/F1 ");
        appendPdfReal(out, pagePixelSize(state.fontsize));
        out.append("Tf 1 0 0 -1 ");
        appendPdfReal(out, state.currentx);
        appendPdfReal(out, state.currenty + font->ascent(state.fontsize));
        out.append("Tm\n");
        out.append('<');
        for (const std::uint16_t glyph : glyphs)
            appendPdfHex16(out, glyph);
        out.append("> Tj\nET\n");
        page.glyphs.insert(page.glyphs.end(), glyphs.begin(), glyphs.end());
        return true;
    };
    page.content = flateEncoded(pdfPageContent(calls, pointsPerPixel, sheetHeightPoints, text));
    std::sort(page.glyphs.begin(), page.glyphs.end());
    page.glyphs.erase(std::unique(page.glyphs.begin(), page.glyphs.end()), page.glyphs.end());

    if (engineText) {
        // The engine draws that text alone, over the rest of the page.
        std::vector<SurfaceCall> rest;
        for (const SurfaceCall& call : calls) {
            if (call.kind == SurfaceCallKind::Line)
                continue;
            glyphs.clear();
            if (call.kind == SurfaceCallKind::Print && font && font->glyphsFor(call.text, glyphs))
                continue;
            rest.push_back(call);
        }
        PdfBook book;
        book.addPage(rest);
        page.engineText = book.finish();
    }
    return page;
}

PdfPages::PdfPages() : offsets_(std::size_t(firstFreeObject - 1), 0) {}

int PdfPages::object(const QByteArray& body)
{
    offsets_.push_back(body_.size());
    const int number = int(offsets_.size());
    body_ += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    return number;
}

void PdfPages::add(PdfPage page)
{
    const int content = object("<< /Length " + QByteArray::number(page.content.size())
                               + " /Filter /FlateDecode >>\nstream\n" + page.content + "\nendstream");
    QByteArray resourcesEntry = reference(resourcesObject);
    QByteArray contents = reference(content);
    if (!page.engineText.isEmpty()) {
        const int form = int(offsets_.size()) + 1;
        const std::vector<QByteArray> objects = pageAsForm(page.engineText, form, tags_);
        if (objects.empty())
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("the PDF engine's text could not be added to the page"));
        for (const QByteArray& body : objects)
            object(body);
        // A stream of its own, so the page's content stays as it is alone.
        const int draw = object("<< /Length 10 >>\nstream\nq /X1 Do Q\nendstream");
        resourcesEntry = resources(" /XObject << /X1 " + reference(form) + " >>");
        contents = "[" + contents + ' ' + reference(draw) + "]";
    }
    pages_.push_back(object("<< /Type /Page /Parent " + reference(pagesObject) + " /Contents " + contents
                            + " /Resources " + resourcesEntry + " /MediaBox [0 0 "
                            + QByteArray::number(sheetWidthPoints) + ' '
                            + QByteArray::number(sheetHeightPoints) + "] >>"));

    std::vector<std::uint16_t> merged;
    merged.reserve(glyphs_.size() + page.glyphs.size());
    std::set_union(glyphs_.begin(), glyphs_.end(), page.glyphs.begin(), page.glyphs.end(),
                   std::back_inserter(merged));
    glyphs_.swap(merged);
}

QByteArray PdfPages::finish()
{
    const QByteArray date = creationDate();
    const auto at = [&](int number, const QByteArray& body) {
        offsets_[std::size_t(number - 1)] = body_.size();
        body_ += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    QByteArray kids;
    for (const int page : pages_)
        kids += reference(page) + ' ';
    at(pagesObject, "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pageCount()) + " >>");
    at(resourcesObject, resources());
    const PdfFont* font = PdfFont::page();
    const std::vector<QByteArray> fontObjects =
        font ? font->objects(fontObject, glyphs_, tags_) : std::vector<QByteArray>(5, "null");
    for (int i = 0; i < 5; ++i)
        at(fontObject + i, fontObjects[std::size_t(i)]);
    const int catalog = object("<< /Type /Catalog /Pages " + reference(pagesObject) + " >>");
    const int info = object("<< /Creator (zelmar-pdf) /Producer (zelmar-pdf) /CreationDate ("
                            + date + ") >>");

    // The binary comment marks the file as binary for programs that copy it.
    QByteArray out("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    const qint64 header = out.size();
    out.reserve(header + body_.size() + qsizetype(offsets_.size()) * 20 + 256);
    out += body_;
    const qint64 xref = out.size();
    const int objects = int(offsets_.size()) + 1;
    out += "xref\n0 " + QByteArray::number(objects) + "\n0000000000 65535 f \n";
    for (const qint64 offset : offsets_)
        out += QByteArray::number(header + offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects) + " /Root " + reference(catalog)
           + " /Info " + reference(info) + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";

    body_.clear();
    offsets_.assign(std::size_t(firstFreeObject - 1), 0);
    pages_.clear();
    glyphs_.clear();
    tags_ = SubsetTags();
    return out;
}

QByteArray pdfDocument(const RecordedPage& page)
{
    PdfPages pages;
    pages.add(pdfPage(page));
    return pages.finish();
}
