#include "printing/pdfpages.h"

#include "printing/pagerenderer.h"
#include "printing/pdffont.h"
#include "printing/pdfstrokes.h"

#include <QColor>
#include <QDateTime>

#include <algorithm>
#include <iterator>

namespace {

// Objects at fixed numbers; page i is object firstPage + 2i and its content
// the next one.
enum : int {
    catalogObject = 1,
    pagesObject,
    infoObject,
    resourcesObject,
    graphicsStateObject,
    fontObject,          // and the four after it
    firstPage = fontObject + 5,
};

constexpr double pointsPerPixel = 72.0 / renderResolution;
constexpr double pageWidthPoints = 17 * 72;
constexpr double pageHeightPoints = 11 * 72;

void appendHexGlyphs(QByteArray& out, const std::vector<std::uint16_t>& glyphs)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out.append('<');
    for (const std::uint16_t glyph : glyphs)
        for (int shift = 12; shift >= 0; shift -= 4)
            out.append(digits[(glyph >> shift) & 15]);
    out.append('>');
}

QByteArray reference(int object) { return QByteArray::number(object) + " 0 R"; }

} // namespace

std::optional<PdfPage> directPdfPage(const std::vector<SurfaceCall>& calls)
{
    const PdfFont* font = PdfFont::page();
    if (!font)
        return std::nullopt;
    PdfPage page;
    std::vector<std::uint16_t> glyphs;
    const PdfTextWriter text = [&](QByteArray& out, const SurfaceState& state, const QString& line) {
        glyphs.clear();
        if (!font->glyphsFor(line, glyphs))
            return false;
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
        appendHexGlyphs(out, glyphs);
        out.append(" Tj\nET\n");
        page.glyphs.insert(page.glyphs.end(), glyphs.begin(), glyphs.end());
        return true;
    };
    const QByteArray content = pdfPageContent(calls, pointsPerPixel, pageHeightPoints, text);
    if (content.isEmpty())
        return std::nullopt;
    page.content = flateEncoded(content);
    std::sort(page.glyphs.begin(), page.glyphs.end());
    page.glyphs.erase(std::unique(page.glyphs.begin(), page.glyphs.end()), page.glyphs.end());
    return page;
}

void PdfPages::add(PdfPage page)
{
    const int number = firstPage + 2 * pageCount();
    pageOffsets_.push_back(body_.size());
    body_ += QByteArray::number(number) + " 0 obj\n<< /Type /Page /Parent " + reference(pagesObject)
             + " /Contents " + reference(number + 1) + " /Resources " + reference(resourcesObject)
             + " /MediaBox [0 0 " + QByteArray::number(pageWidthPoints) + ' '
             + QByteArray::number(pageHeightPoints) + "] >>\nendobj\n";
    contentOffsets_.push_back(body_.size());
    body_ += QByteArray::number(number + 1) + " 0 obj\n<< /Length "
             + QByteArray::number(page.content.size()) + " /Filter /FlateDecode >>\nstream\n";
    body_ += page.content;
    body_ += "\nendstream\nendobj\n";

    std::vector<std::uint16_t> merged;
    merged.reserve(glyphs_.size() + page.glyphs.size());
    std::set_union(glyphs_.begin(), glyphs_.end(), page.glyphs.begin(), page.glyphs.end(),
                   std::back_inserter(merged));
    glyphs_.swap(merged);
}

QByteArray PdfPages::finish()
{
    const int pages = pageCount();
    const int objects = firstPage + 2 * pages;
    std::vector<qint64> offsets(std::size_t(objects), 0);

    // The binary comment marks the file as binary for programs that copy it.
    QByteArray out("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    for (int i = 0; i < pages; ++i) {
        offsets[std::size_t(firstPage + 2 * i)] = out.size() + pageOffsets_[std::size_t(i)];
        offsets[std::size_t(firstPage + 2 * i + 1)] = out.size() + contentOffsets_[std::size_t(i)];
    }
    out += body_;
    body_.clear();

    const auto object = [&](int number, const QByteArray& body) {
        offsets[std::size_t(number)] = out.size();
        out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    object(catalogObject, "<< /Type /Catalog /Pages " + reference(pagesObject) + " >>");
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += reference(firstPage + 2 * i) + ' ';
    object(pagesObject, "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
    object(infoObject, "<< /Creator (zelmar-pdf) /Producer (zelmar-pdf) /CreationDate (D:"
                           + QDateTime::currentDateTimeUtc().toString(u"yyyyMMddHHmmss").toLatin1()
                           + "Z) >>");
    object(resourcesObject, "<< /ColorSpace << /CSp /DeviceRGB >> /ExtGState << /GSa "
                                + reference(graphicsStateObject) + " >> /Font << /F1 "
                                + reference(fontObject) + " >> >>");
    object(graphicsStateObject, "<< /Type /ExtGState /SA true /ca 1 /CA 1 /AIS false >>");
    const PdfFont* font = PdfFont::page();
    const std::vector<QByteArray> fontObjects =
        font ? font->objects(fontObject, glyphs_) : std::vector<QByteArray>(5, "null");
    for (int i = 0; i < 5; ++i)
        object(fontObject + i, fontObjects[std::size_t(i)]);

    const qint64 xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects) + "\n0000000000 65535 f \n";
    for (int i = 1; i < objects; ++i)
        out += QByteArray::number(offsets[std::size_t(i)]).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects) + " /Root " + reference(catalogObject)
           + " /Info " + reference(infoObject) + " >>\nstartxref\n" + QByteArray::number(xref)
           + "\n%%EOF\n";
    pageOffsets_.clear();
    contentOffsets_.clear();
    glyphs_.clear();
    return out;
}
