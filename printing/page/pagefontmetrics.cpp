// DejaVu Sans's metrics in its own units, read from its file once.
#include "printing/page/pagefontmetrics.h"

#include "printing/page/sheet.h"

#include <array>

namespace {

constexpr int unitsPerEm = 2048;
constexpr int ascent = 1901;        // OS/2 winAscent, where the writers put the baseline
constexpr int capitalHeight = 1493; // of "A"; the digits reach as high, overshoot aside
constexpr int ellipsisAdvance = 2048;

// U+0020 … U+007E.
constexpr std::array<short, 95> asciiAdvances{
    651,  821,  942,  1716, 1303, 1946, 1597, 563,  799,  799,  1024, 1716, 651,  739,  651,  690,
    1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 690,  690,  1716, 1716, 1716, 1087,
    2048, 1401, 1405, 1430, 1577, 1294, 1178, 1587, 1540, 604,  604,  1343, 1141, 1767, 1532, 1612,
    1235, 1612, 1423, 1300, 1251, 1499, 1401, 2025, 1403, 1251, 1403, 799,  690,  799,  1716, 1024,
    1024, 1255, 1300, 1126, 1300, 1260, 721,  1300, 1298, 569,  569,  1186, 569,  1995, 1298, 1253,
    1300, 1300, 842,  1067, 803,  1298, 1212, 1675, 1212, 1212, 1075, 1303, 690,  1303, 1716};

} // namespace

double pageTextWidth(QStringView text, int points)
{
    int units = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 0x20 && code <= 0x7e)
            units += asciiAdvances[std::size_t(code - 0x20)];
        else if (code == 0x2026)
            units += ellipsisAdvance;
        else
            units += unitsPerEm;
    }
    return double(units) * textPixels(points) / unitsPerEm;
}

int pageAsciiAdvance(char32_t c) { return asciiAdvances[std::size_t(c - U' ')]; }

double pageCapitalMiddle(int points)
{
    return (ascent - capitalHeight / 2.0) * textPixels(points) / unitsPerEm;
}
