// A PDF of recorded pages: the per-page step and the document assembler.
#pragma once

#include "printing/output/documentdate.h"
#include "printing/output/pdf/pdfobjects.h"
#include "printing/output/pdf/subsettags.h"
#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <optional>
#include <vector>

// A page as this program writes PDF: its packed content stream, the glyphs
// its text uses, and for text the page font cannot draw alone (see
// PdfFont), a one-page document the PDF engine drew of that text only.
struct PdfPage {
    QByteArray content;
    std::vector<std::uint16_t> glyphs; // sorted, unique
    QByteArray engineText;             // empty when there is no such text
    Paper paper = Paper::Tabloid;
    LayoutKind layout = LayoutKind::Sheet;
};

// The calls as such a page. Safe to call from any thread; throws Fault when
// the engine cannot set its page up.
PdfPage pdfPage(const RecordedPage& page);

// The page as a one-page PDF document.
QByteArray pdfDocument(const RecordedPage& page);

// A PDF of pages, each on its own paper, the page font embedded once with
// the glyphs of all of them. A page is the same whatever document it is in.
class PdfPages {
public:
    PdfPages();
    // Throws Fault when the engine's text cannot be read back.
    void add(PdfPage page);
    int pageCount() const { return int(pages_.size()); }
    // The finished document; empty afterwards.
    QByteArray finish();

private:
    void start();

    PdfObjects objects_;
    // Written last, named from the start: the page tree, the shared
    // resources and the font (five objects).
    int pagesObject_ = 0, resourcesObject_ = 0, fontObject_ = 0;
    std::vector<int> pages_; // their page objects
    std::vector<std::uint16_t> glyphs_;
    SubsetTags tags_;
};
