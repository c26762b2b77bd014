// The converter's PDF: each page's content drawn on a worker thread, the
// document assembled from them with one font subset.
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
#include <cmath>
#include <iterator>

namespace {

QByteArray creationDate()
{
    const std::optional<QDateTime> fixed = sourceDateEpoch();
    const QDateTime time = fixed ? *fixed : QDateTime::currentDateTimeUtc();
    return "D:" + time.toString(u"yyyyMMddHHmmss").toLatin1() + 'Z';
}

// Without a page font (none with TrueType outlines), the engine draws all
// text and the resources name no font.
QByteArray resources(int fontObject, const QByteArray& extra = {})
{
    const QByteArray font =
        PdfFont::page() ? " /Font << /F1 " + pdfReference(fontObject) + " >>" : "";
    return "<< /ColorSpace << /CSp /DeviceRGB >> /ExtGState << /GSa << /Type /ExtGState /SA true "
           "/ca 1 /CA 1 /AIS false >> >>"
           + font + extra + " >>";
}

QByteArray mediaBox(const PaperFit& fit)
{
    QByteArray box("[0 0 ");
    appendPdfReal(box, pdfPoints(fit.width));
    appendPdfReal(box, pdfPoints(fit.height));
    box.back() = ']';
    return box;
}

// The engine's page: the sheet, or whole points that hold the paper a page
// is drawn on.
QSize enginePoints(const PaperFit& fit, LayoutKind layout)
{
    if (layout == LayoutKind::Sheet)
        return {sheetWidthPoints, sheetHeightPoints};
    return {int(std::ceil(pdfPoints(fit.width) - 1e-6)),
            int(std::ceil(pdfPoints(fit.height) - 1e-6))};
}

// Draws the engine's page, made on the sheet or on `engine`, where the
// page's own content puts the drawing on the paper.
QByteArray placedForm(const PaperFit& fit, QSize engine)
{
    if (fit.identity() && engine.height() == sheetHeightPoints)
        return "q /X1 Do Q";
    QByteArray out("q ");
    appendPdfReal(out, fit.scale);
    out.append("0 0 ");
    appendPdfReal(out, fit.scale);
    appendPdfReal(out, pdfPoints(fit.left));
    appendPdfReal(out, pdfPoints(fit.height - fit.top) - fit.scale * engine.height());
    out.append("cm /X1 Do Q");
    return out;
}

} // namespace

PdfPage pdfPage(const RecordedPage& recorded)
{
    const std::vector<SurfaceCall>& calls = recorded.calls;
    const PdfFont* font = PdfFont::page();
    PdfPage page;
    std::vector<std::uint16_t> glyphs;
    bool engineText = false;
    const PdfTextWriter text = [&](QByteArray& out, const SurfaceState& state,
                                   const QString& line) {
        glyphs.clear();
        if (!font || !font->glyphsFor(line, glyphs)) {
            engineText = true;
            return true;
        }
        if (glyphs.empty())
            return true;
        // The text's top at the current point, upright in the page's
        // downward user space.
        out.append("/CSp cs ");
        appendPdfColour(out, QColor::fromRgb(state.forecolor));
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
    page.paper = recorded.paper;
    page.layout = recorded.layout;
    const PaperFit fit = pageFit(recorded);
    page.content = flateEncoded(pdfPageContent(calls, fit, text));
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
        book.addPage(rest, enginePoints(fit, page.layout));
        page.engineText = book.finish();
    }
    return page;
}

PdfPages::PdfPages() { start(); }

void PdfPages::start()
{
    pagesObject_ = objects_.reserve();
    resourcesObject_ = objects_.reserve();
    fontObject_ = objects_.reserve();
    for (int i = 1; i < 5; ++i)
        objects_.reserve();
}

void PdfPages::add(PdfPage page)
{
    const PaperFit fit = paperFit(page.paper, page.layout);
    const int content = objects_.writeStream(page.content, PdfObjects::Data::deflated);
    QByteArray resourcesEntry = pdfReference(resourcesObject_);
    QByteArray contents = pdfReference(content);
    if (!page.engineText.isEmpty()) {
        const int form = objects_.nextNumber();
        const std::vector<QByteArray> objects = pageAsForm(page.engineText, form, tags_);
        if (objects.empty())
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("the PDF engine's text could not be added to the page"));
        for (const QByteArray& body : objects)
            objects_.write(body);
        // A stream of its own, so the page's content stays as it is alone.
        const int draw = objects_.writeStream(placedForm(fit, enginePoints(fit, page.layout)),
                                              PdfObjects::Data::plain);
        resourcesEntry = resources(fontObject_, " /XObject << /X1 " + pdfReference(form) + " >>");
        contents = "[" + contents + ' ' + pdfReference(draw) + "]";
    }
    pages_.push_back(objects_.write("<< /Type /Page /Parent " + pdfReference(pagesObject_)
                                    + " /Contents " + contents + " /Resources " + resourcesEntry
                                    + " /MediaBox " + mediaBox(fit) + " >>"));

    std::vector<std::uint16_t> merged;
    merged.reserve(glyphs_.size() + page.glyphs.size());
    std::set_union(glyphs_.begin(), glyphs_.end(), page.glyphs.begin(), page.glyphs.end(),
                   std::back_inserter(merged));
    glyphs_.swap(merged);
}

QByteArray PdfPages::finish()
{
    const QByteArray date = creationDate();
    QByteArray kids;
    for (const int page : pages_)
        kids += pdfReference(page) + ' ';
    objects_.write(pagesObject_, "<< /Type /Pages /Kids [" + kids + "] /Count "
                                     + QByteArray::number(pageCount()) + " >>");
    objects_.write(resourcesObject_, resources(fontObject_));
    if (const PdfFont* font = PdfFont::page()) {
        font->write(objects_, fontObject_, glyphs_, tags_);
    } else {
        for (int i = 0; i < 5; ++i)
            objects_.write(fontObject_ + i, "null");
    }
    const int catalog =
        objects_.write("<< /Type /Catalog /Pages " + pdfReference(pagesObject_) + " >>");
    const int info = objects_.write(
        "<< /Creator (zelmar-pdf) /Producer (zelmar-pdf) /CreationDate (" + date + ") >>");
    QByteArray out = objects_.finish(catalog, info);

    pages_.clear();
    glyphs_.clear();
    tags_ = SubsetTags();
    start();
    return out;
}

QByteArray pdfDocument(const RecordedPage& page)
{
    PdfPages pages;
    pages.add(pdfPage(page));
    return pages.finish();
}
