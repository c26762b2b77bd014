// Tables, family name and character map of a TrueType file.
#include "printing/output/pdf/fontfile.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// No font the page uses comes near this; a larger file is not read whole.
constexpr qint64 largestFont = 64 << 20;

quint32 u16(const QByteArray& data, qsizetype at)
{
    if (at < 0 || at + 2 > data.size())
        return 0;
    return quint32(uchar(data.at(at))) << 8 | uchar(data.at(at + 1));
}

quint32 u32(const QByteArray& data, qsizetype at)
{
    if (at < 0 || at + 4 > data.size())
        return 0;
    return u16(data, at) << 16 | u16(data, at + 2);
}

// The table directory's entry for `tag`: its offset and length, checked to
// lie within the file; -1 when there is none.
qsizetype findTable(const QByteArray& data, const char* tag, qsizetype* length)
{
    const qsizetype count = u16(data, 4);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype entry = 12 + 16 * i;
        if (entry + 16 > data.size())
            return -1;
        if (std::memcmp(data.constData() + entry, tag, 4) != 0)
            continue;
        const qsizetype at = u32(data, entry + 8), size = u32(data, entry + 12);
        if (at > data.size() || size > data.size() - at)
            return -1;
        *length = size;
        return at;
    }
    return -1;
}

// The first of `count` entries of `size` bytes from `at` whose 32- or 16-bit
// field at `field` is at least `c`, as the tables sort them; `count` if none.
qsizetype firstReaching(const QByteArray& cmap, qsizetype at, qsizetype count, qsizetype size,
                        qsizetype field, bool wide, char32_t c)
{
    qsizetype low = 0, high = count;
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        const qsizetype entry = at + size * middle + field;
        if ((wide ? u32(cmap, entry) : u16(cmap, entry)) < c)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

quint32 glyphInFormat4(const QByteArray& cmap, qsizetype at, char32_t c)
{
    if (c > 0xffff)
        return 0;
    const qsizetype segments = u16(cmap, at + 6) / 2;
    const qsizetype ends = at + 14, starts = ends + 2 * segments + 2;
    const qsizetype deltas = starts + 2 * segments, rangeOffsets = deltas + 2 * segments;
    const qsizetype s = firstReaching(cmap, ends, segments, 2, 0, false, c);
    if (s == segments)
        return 0;
    const quint32 start = u16(cmap, starts + 2 * s);
    if (c < start)
        return 0;
    const quint32 delta = u16(cmap, deltas + 2 * s);
    const qsizetype rangeOffset = u16(cmap, rangeOffsets + 2 * s);
    if (rangeOffset == 0)
        return (c + delta) & 0xffff;
    const quint32 glyph = u16(cmap, rangeOffsets + 2 * s + rangeOffset + 2 * (c - start));
    return glyph == 0 ? 0 : (glyph + delta) & 0xffff;
}

quint32 glyphInFormat12(const QByteArray& cmap, qsizetype at, char32_t c)
{
    const qsizetype groups = std::min<qsizetype>(u32(cmap, at + 12), (cmap.size() - at) / 12);
    const qsizetype g = firstReaching(cmap, at + 16, groups, 12, 4, true, c);
    if (g == groups)
        return 0;
    const qsizetype group = at + 16 + 12 * g;
    const quint32 first = u32(cmap, group);
    return c < first ? 0 : u32(cmap, group + 8) + (c - first);
}

} // namespace

std::optional<FontFile> FontFile::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestFont)
        return std::nullopt;
    return fromBytes(file.readAll());
}

std::optional<FontFile> FontFile::fromBytes(const QByteArray& bytes)
{
    if (bytes.size() > largestFont)
        return std::nullopt;
    FontFile font;
    font.data_ = bytes;
    if (u32(font.data_, 0) != 0x00010000 && u32(font.data_, 0) != 0x74727565) // 'true'
        return std::nullopt;
    if (12 + 16 * qsizetype(u16(font.data_, 4)) > font.data_.size())
        return std::nullopt;
    font.cmap_ = font.table("cmap");
    // As FreeType chooses: the last full Unicode map, else the last Unicode map.
    for (const bool full : {true, false}) {
        for (qsizetype i = qsizetype(u16(font.cmap_, 2)) - 1; i >= 0 && font.unicodeMap_ < 0; --i) {
            const quint32 platform = u16(font.cmap_, 4 + 8 * i);
            const quint32 encoding = u16(font.cmap_, 6 + 8 * i);
            const qsizetype at = u32(font.cmap_, 8 + 8 * i);
            const quint32 format = u16(font.cmap_, at);
            const bool unicode =
                platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
            const bool isFull =
                (platform == 0 && encoding == 4) || (platform == 3 && encoding == 10);
            if (unicode && (isFull || !full) && (format == 4 || format == 12))
                font.unicodeMap_ = at;
        }
    }
    return font;
}

QByteArray FontFile::table(const char* tag) const
{
    qsizetype length = 0;
    const qsizetype at = findTable(data_, tag, &length);
    return at < 0 ? QByteArray() : QByteArray::fromRawData(data_.constData() + at, length);
}

QString FontFile::family() const
{
    const QByteArray names = table("name");
    const qsizetype count = u16(names, 2), strings = u16(names, 4);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * i;
        const quint32 platform = u16(names, record), encoding = u16(names, record + 2);
        if (u16(names, record + 6) != 1)
            continue;
        const qsizetype length = u16(names, record + 8);
        const qsizetype at = strings + qsizetype(u16(names, record + 10));
        if (at + length > names.size())
            continue;
        if (platform == 0 || (platform == 3 && encoding == 1)) {
            QString family;
            for (qsizetype c = 0; c + 1 < length; c += 2)
                family.append(QChar(char16_t(u16(names, at + c))));
            return family;
        }
        if (platform == 1 && encoding == 0)
            return QString::fromLatin1(names.mid(at, length));
    }
    return QString();
}

quint32 FontFile::glyphOf(char32_t character) const
{
    if (unicodeMap_ < 0)
        return 0;
    return u16(cmap_, unicodeMap_) == 12 ? glyphInFormat12(cmap_, unicodeMap_, character)
                                         : glyphInFormat4(cmap_, unicodeMap_, character);
}
