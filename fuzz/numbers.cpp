// Number reading and formatting: agreement with the C library's strtod, and
// formatGeneral read back by leadingNumber, and the exact reading against both.

#include "util/numbers.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/textinput.h"

#include <QByteArray>
#include <QLocale>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The longest prefix that strtod may read as a decimal number, after blanks.
QByteArray decimalPrefix(const QString& text)
{
    qsizetype b = 0;
    while (b < text.size() && (text[b] == QLatin1Char(' ') || text[b] == QLatin1Char('\t')))
        ++b;
    QByteArray out;
    for (qsizetype i = b; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
            break;
        out.append(char(c));
    }
    return out;
}

void checkRoundTrip(double x)
{
    const QString text = numbers::formatGeneral(x);
    if (!std::isfinite(x)) {
        FUZZ_CHECK(text
                   == (std::isnan(x) ? QStringLiteral("nan")
                       : x < 0       ? QStringLiteral("-inf")
                                     : QStringLiteral("inf")));
        return;
    }
    FUZZ_CHECK(!text.isEmpty() && text.size() <= 22);
    const double y = numbers::leadingNumber(text);
    if (std::isinf(y)) { // 15 digits of the largest doubles round past the range
        FUZZ_CHECK(std::fabs(x) > 1.79769313486231e308);
        return;
    }
    FUZZ_CHECK(std::fabs(y - x) <= 6e-15 * std::fabs(x));
    FUZZ_CHECK(numbers::formatGeneral(y) == text);
}

void checkRounding(double x)
{
    const double r = numbers::roundHalfEven(x);
    if (!std::isfinite(x)) {
        FUZZ_CHECK(std::isnan(x) ? std::isnan(r) : r == x);
        return;
    }
    FUZZ_CHECK(r == std::nearbyint(x)); // the default rounding mode is to nearest, ties to even
    FUZZ_CHECK(!(r == 0.0 && std::signbit(r)));
    qint32 i = 0;
    const bool fits = r >= -2147483648.0 && r <= 2147483647.0;
    FUZZ_CHECK(numbers::toInt32(x, i) == fits);
    if (fits)
        FUZZ_CHECK(double(i) == r);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool init = [] {
        QLocale::setDefault(QLocale::c());
        return true;
    }();
    Q_UNUSED(init);

    FuzzInput in(data, size);
    double x = 0;
    std::uint8_t raw[sizeof x];
    for (auto& b : raw)
        b = in.byte();
    std::memcpy(&x, raw, sizeof x);
    checkRoundTrip(x);
    checkRounding(x);

    const std::uint8_t flags = in.byte();
    const QString text = fuzzText(in, flags);
    const double lead = numbers::leadingNumber(text);
    checkRounding(lead);
    checkRoundTrip(lead);

    const QByteArray prefix = decimalPrefix(text);
    const double ref = std::strtod(prefix.constData(), nullptr);
    if (std::fabs(ref) >= DBL_MIN || std::isinf(ref))
        FUZZ_CHECK(lead == ref);
    else // below the normal range: zero is an acceptable reading
        FUZZ_CHECK(lead == ref || lead == 0.0);

    // The exact reading scaled to whole units agrees with the double's,
    // within the double's own error, and refuses only past 64 bits.
    if (const auto exact = numbers::leadingDecimal(text)) {
        const int power = int(raw[0] % 25) - 6;
        const auto scaled = numbers::scaledWhole(*exact, power);
        const double wanted = lead * std::pow(10.0, power);
        if (std::fabs(wanted) < 9.2e18) {
            FUZZ_CHECK(scaled.has_value());
            FUZZ_CHECK(std::fabs(double(*scaled) - wanted) <= 0.5 + 1e-14 * std::fabs(wanted));
        } else if (std::fabs(wanted) > 9.3e18) {
            FUZZ_CHECK(!scaled.has_value());
        }
        const auto alone = numbers::wholeDecimal(text);
        FUZZ_CHECK(!alone || numbers::scaledWhole(*alone, power) == scaled);
    } else {
        FUZZ_CHECK(lead == 0.0 && !numbers::wholeDecimal(text));
    }

    const numbers::ByteResult byte = numbers::toUnsignedByte(text);
    if (byte.error == numbers::ConversionError::None) {
        FUZZ_CHECK(double(byte.value) == numbers::roundHalfEven(lead));
        FUZZ_CHECK(text.trimmed().size() > 0);
    } else if (byte.error == numbers::ConversionError::Overflow) {
        const double r = numbers::roundHalfEven(lead);
        FUZZ_CHECK(!(r >= 0.0 && r <= 255.0));
    }
    return 0;
}
