// The page typeface as an embedded PDF font.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class PdfObjects;
class SubsetTags;

// The page typeface as a PDF font, read once per process. The PDF engine
// reads and subsets the font anew for every document, which cost more than
// the rest of a page; this keeps the font's tables and writes a subset of
// only the glyphs a document uses.
//
// Only text the engine would draw one glyph per character, from this font
// alone, is taken: Latin letters, digits and punctuation the font has. Any
// other text is left to the engine, which also shapes and falls back to
// other fonts.
//
// The page font is read from its packaged file where that is DejaVu Sans
// with TrueType outlines, which needs neither Qt's font database nor a GUI
// application; otherwise, or when the environment points fontconfig at a
// configuration of its own, it is the font Qt's database resolves
// pageFont() to, which needs a GUI application.
class PdfFont {
public:
    static constexpr char packagedFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

    // The page font, or nullptr when it has no TrueType outlines to embed.
    // Safe to call from any thread.
    static const PdfFont* page();
    // Whether page() is read from the packaged file, without Qt's fonts.
    static bool readFromFile();

    // The font in the file at `path`, laid out as Qt's engine lays it out;
    // nullptr unless it is the page font's family with TrueType outlines.
    static std::unique_ptr<PdfFont> fromFile(const QString& path);
    // The font Qt's database resolves pageFont() to; nullptr when it has no
    // TrueType outlines.
    static std::unique_ptr<PdfFont> fromFontDatabase();

    // The glyph of each character of `text`, appended to `glyphs`; false
    // (and `glyphs` as it was) when the engine must draw the text.
    bool glyphsFor(const QString& text, std::vector<std::uint16_t>& glyphs) const;

    // The baseline's distance below the top of the text at `points`, in
    // 1200 dpi pixels, as the page renderer places it.
    double ascent(int points) const;
    // Advance of `glyph` in thousandths of the em.
    double width(std::uint16_t glyph) const;

    // Writes the five objects of a Type 0 font holding `glyphs` (sorted,
    // unique) at the reserved numbers first .. first + 4; the Type 0 font is
    // `first`. Its tag is the one `tags` gives its program.
    void write(PdfObjects& out, int first, const std::vector<std::uint16_t>& glyphs,
               SubsetTags& tags) const;

    // A TrueType font with the outlines of `glyphs` (and the glyphs they are
    // built from) at their own glyph numbers; all others are empty.
    QByteArray subset(const std::vector<std::uint16_t>& glyphs) const;

    static constexpr char16_t firstCovered = 0x20;
    static constexpr char16_t lastCovered = 0x17f;
    // Beyond Latin: the dashes, quotes, ellipsis and arrow page lines use.
    static constexpr char16_t punctuation[] = {0x2013, 0x2014, 0x2018, 0x2019, 0x201c,
                                               0x201d, 0x2026, 0x2192, 0x2212};

private:
    PdfFont() = default;
    static const PdfFont* packaged();
    bool load(const std::function<QString()>& family,
              const std::function<QByteArray(const char*)>& table,
              const std::function<bool(const QString&, QList<quint32>&)>& glyphsOf);
    bool useLineMetrics(const QByteArray& os2);

    QByteArray file_; // when read from a file: the bytes its tables lie in
    QByteArray name_;
    QByteArray head_, hhea_, maxp_, hmtx_, loca_, glyf_, cvt_, fpgm_, prep_;
    int unitsPerEm_ = 1000;
    int glyphCount_ = 0;
    int horizontalMetrics_ = 0;
    bool longOffsets_ = false;
    int ascender_ = 0, descender_ = 0;
    int lineAscent_ = 0; // in font units, when read from a file
    int bbox_[4] = {};
    // By character - firstCovered, then the punctuation in its order; 0: not covered.
    std::vector<std::uint16_t> glyphOf_;
    std::vector<char16_t> characterOf_; // by glyph, for the text's Unicode map
    mutable std::mutex ascentsLock_;
    mutable std::map<int, double> ascents_; // by points
};
