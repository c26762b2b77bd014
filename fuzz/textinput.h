#pragma once

#include "fuzz/fuzzinput.h"

#include <QString>

// The text of a text target: flag bit 0 says Latin-1 or UTF-16; bits 6 and 7
// together repeat the text, so that inputs of a few KB still reach the
// routines' limits of 8000 fields (long texts are slow, so only on request).
// Enough for 8000 delimiters with a character between each.
inline constexpr qsizetype maxLength = 20000;

inline QString fuzzText(FuzzInput& in, std::uint8_t flags)
{
    const int repeats = (flags & 0xC0) == 0xC0 ? 1 + in.byte() * 8 : 1;
    const QString once = in.text(flags & 1);
    if (repeats == 1 || once.isEmpty())
        return once;
    return once.repeated(qMin<qsizetype>(repeats, maxLength / once.size() + 1));
}
