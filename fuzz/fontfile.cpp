// Any bytes as a font file: every table lies within them, and looking up
// characters and the family reads nothing outside.

#include "printing/output/pdf/fontfile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<FontFile> font =
        FontFile::fromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!font)
        return 0;
    const char* const begin = font->bytes().constData();
    const char* const end = begin + font->bytes().size();
    for (const char* tag : {"cmap", "name", "head", "hhea", "glyf", "loca", "OS/2", "none"}) {
        const QByteArray table = font->table(tag);
        if (!table.isEmpty()
            && (table.constData() < begin || table.constData() > end
                || table.size() > end - table.constData()))
            std::abort();
    }
    font->family();
    for (char32_t c = 0; c < 0x3000; c += 7)
        font->glyphOf(c);
    font->glyphOf(0x1F600);
    font->glyphOf(0x10FFFF);
    return 0;
}
