// A TrueType font file read as its tables, without Qt's font database.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The tables of one TrueType font (not a collection, not CFF outlines), as
// the file holds them; every read outside the file's bytes gives nothing.
class FontFile {
public:
    // Nothing when the file cannot be read, is larger than a font should be,
    // or is not a TrueType font whose table directory lies within it.
    static std::optional<FontFile> read(const QString& path);
    // The same of a file's bytes.
    static std::optional<FontFile> fromBytes(const QByteArray& bytes);

    // The table's bytes, not copied: valid while bytes() is kept. Empty when
    // the font has none.
    QByteArray table(const char* tag) const;
    // The whole file.
    const QByteArray& bytes() const { return data_; }
    // The font's family (name 1) as its first Unicode or Macintosh record
    // gives it; empty when none.
    QString family() const;
    // The glyph of `character` in the font's Unicode character map, 0 when
    // it has none. The full map (format 12) is preferred to the BMP one.
    quint32 glyphOf(char32_t character) const;
    bool hasUnicodeMap() const { return unicodeMap_ >= 0; }

private:
    QByteArray data_;
    QByteArray cmap_;
    qsizetype unicodeMap_ = -1; // the chosen subtable, within cmap_
};
