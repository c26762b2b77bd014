#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Takes the parameters of one fuzz run from the front of the input; the rest
// is the text or file. Plain code, so the replay driver builds without
// libFuzzer's headers.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    std::uint8_t byte() { return p_ < end_ ? *p_++ : 0; }

    std::int32_t int32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return static_cast<std::int32_t>(v);
    }

    // A length byte, then that many bytes as Latin-1 text.
    QString shortText()
    {
        const std::size_t n = qMin<std::size_t>(byte(), left());
        const QString s = QString::fromLatin1(reinterpret_cast<const char*>(p_), qsizetype(n));
        p_ += n;
        return s;
    }

    // The rest: Latin-1 (one byte per character, so delimiters are easy to
    // hit) or raw UTF-16 code units (lone surrogates included).
    QString text(bool utf16)
    {
        QString s;
        if (utf16) {
            s.resize(qsizetype(left() / 2));
            for (qsizetype i = 0; i < s.size(); ++i)
                s[i] = QChar(char16_t(p_[2 * i] | (p_[2 * i + 1] << 8)));
        } else {
            s = QString::fromLatin1(reinterpret_cast<const char*>(p_), qsizetype(left()));
        }
        p_ = end_;
        return s;
    }

    const std::uint8_t* data() const { return p_; }
    std::size_t left() const { return std::size_t(end_ - p_); }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// A broken property: abort, so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond) ((cond) ? void(0) : fuzzFailed(#cond, __FILE__, __LINE__))

[[noreturn]] inline void fuzzFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}
