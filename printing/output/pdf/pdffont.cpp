// The page font read once and written as an embedded subset: its
// glyphs, widths and Unicode map.
#include "printing/output/pdf/pdffont.h"

#include "printing/output/pagerenderer.h"
#include "printing/output/pdf/fontfile.h"
#include "printing/output/pdf/pdfobjects.h"
#include "printing/output/pdf/pdfstrokes.h"
#include "printing/output/pdf/subsettags.h"

#include <QFontMetricsF>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Big-endian fields of font tables; reads outside the table give 0.
quint32 u16(const QByteArray& table, qsizetype at)
{
    if (at < 0 || at + 2 > table.size())
        return 0;
    return quint32(uchar(table.at(at))) << 8 | uchar(table.at(at + 1));
}

int s16(const QByteArray& table, qsizetype at) { return static_cast<qint16>(u16(table, at)); }

quint32 u32(const QByteArray& table, qsizetype at)
{
    return u16(table, at) << 16 | u16(table, at + 2);
}

void put16(QByteArray& out, qsizetype at, quint32 value)
{
    out[at] = char(value >> 8);
    out[at + 1] = char(value);
}

void append16(QByteArray& out, quint32 value) { out.append(char(value >> 8)).append(char(value)); }

void append32(QByteArray& out, quint32 value)
{
    append16(out, value >> 16);
    append16(out, value & 0xffff);
}

// The sum of the table as big-endian words, padded with zeros to a whole word.
quint32 checksum(QByteArray table)
{
    table.append((4 - table.size() % 4) % 4, '\0');
    quint32 sum = 0;
    for (qsizetype at = 0; at < table.size(); at += 4)
        sum += u32(table, at);
    return sum;
}

// Where a glyph's bytes lie within glyf.
struct Span {
    qsizetype begin = 0, end = 0;
};

// The components of a composite glyph (its contour count is negative).
std::vector<std::uint16_t> componentsOf(const QByteArray& glyph)
{
    std::vector<std::uint16_t> components;
    if (glyph.size() < 10 || s16(glyph, 0) >= 0)
        return components;
    qsizetype at = 10;
    for (quint32 flags = 0x20; flags & 0x20 && at + 4 <= glyph.size();) {
        flags = u16(glyph, at);
        components.push_back(std::uint16_t(u16(glyph, at + 2)));
        at += 4 + (flags & 0x1 ? 4 : 2);
        at += flags & 0x8 ? 2 : flags & 0x40 ? 4 : flags & 0x80 ? 8 : 0;
    }
    return components;
}

// An environment that points fontconfig at a configuration of its own may
// resolve the page font to another file: it is then looked up through Qt.
bool fontconfigSteered()
{
    return !qEnvironmentVariableIsEmpty("FONTCONFIG_FILE")
           || !qEnvironmentVariableIsEmpty("FONTCONFIG_PATH")
           || !qEnvironmentVariableIsEmpty("FONTCONFIG_SYSROOT");
}

QByteArray pdfNumber(double value)
{
    QByteArray out;
    appendPdfReal(out, value);
    out.chop(1);
    return out;
}

} // namespace

const PdfFont* PdfFont::packaged()
{
    static const std::unique_ptr<PdfFont> font =
        fontconfigSteered() ? nullptr : fromFile(QString::fromLatin1(packagedFile));
    return font.get();
}

bool PdfFont::readFromFile() { return packaged() != nullptr; }

const PdfFont* PdfFont::page()
{
    if (const PdfFont* font = packaged())
        return font;
    static const std::unique_ptr<PdfFont> font = fromFontDatabase();
    return font.get();
}

std::unique_ptr<PdfFont> PdfFont::fromFile(const QString& path)
{
    const std::optional<FontFile> file = FontFile::read(path);
    // Qt takes the line metrics of a font with bitmaps from FreeType instead.
    if (!file || file->family() != QLatin1String(pageFontFamily) || !file->hasUnicodeMap()
        || !file->table("EBLC").isEmpty() || !file->table("CBLC").isEmpty()
        || !file->table("bdat").isEmpty())
        return nullptr;
    std::unique_ptr<PdfFont> font(new PdfFont);
    // The tables are not copied: they stay in the file's bytes.
    font->file_ = file->bytes();
    const bool loaded = font->load([&] { return file->family(); },
                                   [&](const char* tag) { return file->table(tag); },
                                   [&](const QString& characters, QList<quint32>& glyphs) {
                                       for (qsizetype i = 0; i < characters.size(); ++i)
                                           glyphs[i] = file->glyphOf(characters[i].unicode());
                                       return true;
                                   });
    if (!loaded || !font->useLineMetrics(file->table("OS/2")))
        return nullptr;
    return font;
}

std::unique_ptr<PdfFont> PdfFont::fromFontDatabase()
{
    const QRawFont raw = QRawFont::fromFont(pageFont(textPoints));
    if (!raw.isValid())
        return nullptr;
    std::unique_ptr<PdfFont> font(new PdfFont);
    const bool loaded = font->load(
        // Asked only of a sound font: the engine standing in for none has no family.
        [&] { return raw.familyName(); }, [&](const char* tag) { return raw.fontTable(tag); },
        [&](const QString& characters, QList<quint32>& glyphs) {
            int count = int(characters.size());
            return raw.glyphIndexesForChars(characters.constData(), count, glyphs.data(), &count)
                   && count == characters.size();
        });
    if (!loaded)
        return nullptr;
    return font;
}

bool PdfFont::load(const std::function<QString()>& family,
                   const std::function<QByteArray(const char*)>& table,
                   const std::function<bool(const QString&, QList<quint32>&)>& glyphsOf)
{
    head_ = table("head");
    hhea_ = table("hhea");
    maxp_ = table("maxp");
    hmtx_ = table("hmtx");
    loca_ = table("loca");
    glyf_ = table("glyf");
    cvt_ = table("cvt ");
    fpgm_ = table("fpgm");
    prep_ = table("prep");
    if (head_.size() < 54 || u32(head_, 12) != 0x5F0F3CF5 || hhea_.size() < 36 || maxp_.size() < 6
        || glyf_.isEmpty())
        return false;
    unitsPerEm_ = int(u16(head_, 18));
    longOffsets_ = s16(head_, 50) == 1;
    glyphCount_ = int(u16(maxp_, 4));
    horizontalMetrics_ = int(u16(hhea_, 34));
    if (unitsPerEm_ < 16 || glyphCount_ < 1 || horizontalMetrics_ < 1
        || horizontalMetrics_ > glyphCount_
        || loca_.size() < (glyphCount_ + 1) * (longOffsets_ ? 4 : 2)
        || hmtx_.size() < 4 * horizontalMetrics_ + 2 * (glyphCount_ - horizontalMetrics_))
        return false;
    for (int i = 0; i < 4; ++i)
        bbox_[i] = s16(head_, 36 + 2 * i);
    ascender_ = s16(hhea_, 4);
    descender_ = s16(hhea_, 6);

    name_.clear();
    for (const QChar c : family())
        if (c.unicode() < 128 && c.isLetterOrNumber())
            name_.append(char(c.unicode()));
    if (name_.isEmpty())
        name_ = "Font";

    // Controls, the no-break space and the soft hyphen are left to the engine,
    // which may draw them differently from their glyphs.
    QString covered;
    for (char16_t c = firstCovered; c <= lastCovered; ++c)
        covered.append(QChar(c));
    for (const char16_t c : punctuation)
        covered.append(QChar(c));
    QList<quint32> indexes(covered.size());
    if (!glyphsOf(covered, indexes))
        return false;
    glyphOf_.assign(covered.size(), 0);
    characterOf_.assign(std::size_t(glyphCount_), 0);
    for (qsizetype i = 0; i < covered.size(); ++i) {
        const char16_t c = covered[i].unicode();
        const quint32 glyph = indexes[i];
        if ((c >= 0x7f && c <= 0xa0) || c == 0xad || glyph == 0 || glyph >= quint32(glyphCount_))
            continue;
        glyphOf_[std::size_t(i)] = std::uint16_t(glyph);
        if (!characterOf_[glyph])
            characterOf_[glyph] = c;
    }
    return true;
}

// As Qt's engine takes them: hhea's ascender, or OS/2's where it has one
// (its typographic one when the font asks for that).
bool PdfFont::useLineMetrics(const QByteArray& os2)
{
    if (s16(hhea_, 4) != 0 || s16(hhea_, 6) != 0)
        lineAscent_ = s16(hhea_, 4);
    if (os2.size() >= 78) {
        const bool typographic = u16(os2, 62) & 0x80;
        if (typographic && (s16(os2, 68) != 0 || s16(os2, 70) != 0))
            lineAscent_ = s16(os2, 68);
        else if (!typographic && (u16(os2, 74) != 0 || u16(os2, 76) != 0))
            lineAscent_ = int(u16(os2, 74));
    }
    return lineAscent_ > 0;
}

bool PdfFont::glyphsFor(const QString& text, std::vector<std::uint16_t>& glyphs) const
{
    const std::size_t before = glyphs.size();
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        std::uint16_t glyph = 0;
        if (code >= firstCovered && code <= lastCovered) {
            glyph = glyphOf_[std::size_t(code - firstCovered)];
        } else if (code > lastCovered) {
            const auto* found = std::find(std::begin(punctuation), std::end(punctuation), code);
            if (found != std::end(punctuation))
                glyph = glyphOf_[std::size_t(lastCovered - firstCovered + 1
                                             + (found - std::begin(punctuation)))];
        }
        if (!glyph) {
            glyphs.resize(before);
            return false;
        }
        glyphs.push_back(glyph);
    }
    return true;
}

double PdfFont::ascent(int points) const
{
    if (lineAscent_ > 0) {
        // Qt's engine keeps it in 64ths of a pixel.
        const double pixels = lineAscent_ * double(pagePixelSize(points)) / unitsPerEm_;
        return std::floor(pixels * 64 + 0.5) / 64;
    }
    const std::lock_guard<std::mutex> lock(ascentsLock_);
    const auto found = ascents_.find(points);
    if (found != ascents_.end())
        return found->second;
    const double value = QFontMetricsF(pageFont(points)).ascent();
    ascents_.emplace(points, value);
    return value;
}

double PdfFont::width(std::uint16_t glyph) const
{
    const int index = std::min<int>(glyph, horizontalMetrics_ - 1);
    return u16(hmtx_, 4 * index) * 1000.0 / unitsPerEm_;
}

QByteArray PdfFont::subset(const std::vector<std::uint16_t>& glyphs) const
{
    const auto offset = [&](int g) -> qsizetype {
        return longOffsets_ ? qsizetype(u32(loca_, 4 * g)) : qsizetype(u16(loca_, 2 * g)) * 2;
    };
    const auto spanOf = [&](int g) {
        Span span{offset(g), offset(g + 1)};
        if (span.begin > span.end || span.end > glyf_.size())
            span = {};
        return span;
    };

    // .notdef always, then the glyphs asked for and all they are built from.
    std::vector<bool> kept(std::size_t(glyphCount_), false);
    std::vector<std::uint16_t> pending(glyphs);
    pending.push_back(0);
    while (!pending.empty()) {
        const std::uint16_t g = pending.back();
        pending.pop_back();
        if (g >= glyphCount_ || kept[g])
            continue;
        kept[g] = true;
        const Span span = spanOf(g);
        for (const std::uint16_t part : componentsOf(glyf_.mid(span.begin, span.end - span.begin)))
            pending.push_back(part);
    }
    int count = 1;
    for (int g = 0; g < glyphCount_; ++g)
        if (kept[std::size_t(g)])
            count = g + 1;

    QByteArray glyf, loca, hmtx;
    for (int g = 0; g < count; ++g) {
        append32(loca, quint32(glyf.size()));
        const int metric = std::min(g, horizontalMetrics_ - 1);
        const int bearing = g < horizontalMetrics_
                                ? 4 * g + 2
                                : 4 * horizontalMetrics_ + 2 * (g - horizontalMetrics_);
        if (!kept[std::size_t(g)]) {
            append32(hmtx, 0);
            continue;
        }
        append16(hmtx, u16(hmtx_, 4 * metric));
        append16(hmtx, u16(hmtx_, bearing));
        const Span span = spanOf(g);
        glyf.append(glyf_.constData() + span.begin, span.end - span.begin);
        while (glyf.size() % 4)
            glyf.append('\0');
    }
    append32(loca, quint32(glyf.size()));

    QByteArray head = head_.left(54);
    put16(head, 8, 0);
    put16(head, 10, 0);
    put16(head, 50, 1);
    QByteArray hhea = hhea_.left(36);
    put16(hhea, 34, quint32(count));
    QByteArray maxp = maxp_;
    put16(maxp, 4, quint32(count));
    QByteArray post;
    append32(post, 0x00030000);
    post.append(28, '\0');

    struct Table {
        const char* tag;
        QByteArray data;
    };
    std::vector<Table> tables;
    const auto add = [&](const char* tag, const QByteArray& data) {
        if (!data.isEmpty())
            tables.push_back({tag, data});
    };
    // In the order of their tags, as the table directory must be.
    add("cvt ", cvt_);
    add("fpgm", fpgm_);
    add("glyf", glyf);
    add("head", head);
    add("hhea", hhea);
    add("hmtx", hmtx);
    add("loca", loca);
    add("maxp", maxp);
    add("post", post);
    add("prep", prep_);

    const auto n = quint32(tables.size());
    quint32 power = 1, log = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log;
    }
    QByteArray font;
    append32(font, 0x00010000);
    append16(font, n);
    append16(font, power * 16);
    append16(font, log);
    append16(font, n * 16 - power * 16);
    quint32 at = 12 + 16 * n;
    qsizetype headAt = 0;
    for (const Table& table : tables) {
        font.append(table.tag, 4);
        append32(font, checksum(table.data));
        append32(font, at);
        append32(font, quint32(table.data.size()));
        if (std::strcmp(table.tag, "head") == 0)
            headAt = at;
        at += (quint32(table.data.size()) + 3) & ~3u;
    }
    for (const Table& table : tables) {
        font.append(table.data);
        while (font.size() % 4)
            font.append('\0');
    }
    const quint32 adjustment = 0xB1B0AFBAu - checksum(font);
    put16(font, headAt + 8, adjustment >> 16);
    put16(font, headAt + 10, adjustment & 0xffff);
    return font;
}

void PdfFont::write(PdfObjects& out, int first, const std::vector<std::uint16_t>& glyphs,
                    SubsetTags& tags) const
{
    const QByteArray file = subset(glyphs);
    const QByteArray name = "/" + tags.tagFor(file) + "+" + name_;
    const auto reference = [&](int offset) { return pdfReference(first + offset); };
    const auto design = [&](int value) { return pdfNumber(value * 1000.0 / unitsPerEm_); };

    QByteArray widths;
    for (const std::uint16_t glyph : glyphs)
        widths += QByteArray::number(glyph) + " [" + pdfNumber(width(glyph)) + "] ";

    QByteArray unicode =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (std::size_t from = 0; from < glyphs.size(); from += 100) {
        const std::size_t to = std::min(glyphs.size(), from + 100);
        unicode += QByteArray::number(qulonglong(to - from)) + " beginbfchar\n";
        for (std::size_t i = from; i < to; ++i) {
            unicode += '<';
            appendPdfHex16(unicode, glyphs[i]);
            unicode += "> <";
            appendPdfHex16(unicode,
                           glyphs[i] < characterOf_.size() ? characterOf_[glyphs[i]] : 0xfffd);
            unicode += ">\n";
        }
        unicode += "endbfchar\n";
    }
    unicode += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

    out.write(first, "<< /Type /Font /Subtype /Type0 /BaseFont " + name
                         + " /Encoding /Identity-H /DescendantFonts [" + reference(1)
                         + "] /ToUnicode " + reference(4) + " >>");
    out.write(first + 1,
              "<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name
                  + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                    " /FontDescriptor "
                  + reference(2) + " /CIDToGIDMap /Identity /DW 0 /W [" + widths + "] >>");
    out.write(first + 2, "<< /Type /FontDescriptor /FontName " + name + " /Flags 4 /FontBBox ["
                             + design(bbox_[0]) + ' ' + design(bbox_[1]) + ' ' + design(bbox_[2])
                             + ' ' + design(bbox_[3]) + "] /ItalicAngle 0 /Ascent "
                             + design(ascender_) + " /Descent " + design(descender_)
                             + " /CapHeight " + design(ascender_) + " /StemV 80 /FontFile2 "
                             + reference(3) + " >>");
    out.writeStream(first + 3, flateEncoded(file), PdfObjects::Data::deflated,
                    "/Length1 " + QByteArray::number(file.size()));
    out.writeStream(first + 4, flateEncoded(unicode), PdfObjects::Data::deflated);
}
