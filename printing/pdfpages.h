#pragma once

#include "printing/recordingsurface.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

// A page written as PDF operators by this program rather than the PDF
// engine: its packed content stream and the glyphs its text uses.
struct PdfPage {
    QByteArray content;
    std::vector<std::uint16_t> glyphs;    // sorted, unique
};

// The calls as such a page, or nothing when some text needs the engine (see
// PdfFont). Safe to call from any thread.
std::optional<PdfPage> directPdfPage(const std::vector<SurfaceCall>& calls);

// A PDF of 17 x 11 inch pages built from such pages, the page typeface
// embedded once with the glyphs of all of them.
class PdfPages {
public:
    void add(PdfPage page);
    int pageCount() const { return int(pageOffsets_.size()); }
    // The finished document; empty afterwards.
    QByteArray finish();

private:
    QByteArray body_;                       // the pages' objects, after the header
    std::vector<qint64> pageOffsets_;       // of each page object in body_
    std::vector<qint64> contentOffsets_;    // of each content stream in body_
    std::vector<std::uint16_t> glyphs_;
};
