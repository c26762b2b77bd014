// Parsing and formatting numbers as the capture file and page text need.

#include "util/numbers.h"

#include <QLocale>
#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace numbers {

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The extent of a decimal number at the start of a text:
// [sign] digits [. digits] [e|E [sign] digits], at least one mantissa digit.
struct Scan {
    bool ok = false;
    bool negative = false;
    qsizetype intBegin = 0, intEnd = 0;
    qsizetype fracBegin = 0, fracEnd = 0;
    qint64 exponent = 0; // saturated far beyond any double's range
    qsizetype end = 0;
};

Scan scanNumber(QStringView t)
{
    Scan s;
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        s.negative = t[i] == QLatin1Char('-');
        ++i;
    }
    s.intBegin = i;
    while (i < n && isDigit(t[i]))
        ++i;
    s.intEnd = i;
    s.fracBegin = s.fracEnd = i;
    if (i < n && t[i] == QLatin1Char('.')) {
        qsizetype j = i + 1;
        while (j < n && isDigit(t[j]))
            ++j;
        s.fracBegin = i + 1;
        s.fracEnd = j;
        i = j;
    }
    if (s.intEnd == s.intBegin && s.fracEnd == s.fracBegin)
        return s; // no digit: not a number ("", "+", ".")
    s.ok = true;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-'))) {
            expNegative = t[j] == QLatin1Char('-');
            ++j;
        }
        if (j < n && isDigit(t[j])) {
            qint64 e = 0;
            while (j < n && isDigit(t[j])) {
                if (e < 1'000'000'000)
                    e = e * 10 + t[j].digitValue();
                ++j;
            }
            s.exponent = expNegative ? -e : e;
            i = j;
        }
    }
    s.end = i;
    return s;
}

// The value of a scanned number, ±infinity beyond double's range.
double valueOf(QStringView t, const Scan& s)
{
    // Decimal exponent of the leading significant digit, to settle
    // magnitudes far outside double's range without converting.
    qsizetype lead = -1;
    qint64 power = 0;
    for (qsizetype i = s.intBegin; i < s.intEnd; ++i) {
        if (t[i] != QLatin1Char('0')) {
            lead = i;
            power = s.intEnd - i - 1;
            break;
        }
    }
    if (lead < 0) {
        for (qsizetype i = s.fracBegin; i < s.fracEnd; ++i) {
            if (t[i] != QLatin1Char('0')) {
                lead = i;
                power = -(i - s.fracBegin + 1);
                break;
            }
        }
    }
    const double zero = s.negative ? -0.0 : 0.0;
    const double inf = s.negative ? -std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::infinity();
    if (lead < 0)
        return zero;
    power += s.exponent;
    if (power > 400)
        return inf;
    if (power < -400)
        return zero;

    QVarLengthArray<char, 64> buf;
    for (qsizetype i = s.intBegin; i < s.intEnd; ++i)
        buf.append(char(t[i].unicode()));
    if (buf.isEmpty())
        buf.append('0');
    if (s.fracEnd > s.fracBegin) {
        buf.append('.');
        for (qsizetype i = s.fracBegin; i < s.fracEnd; ++i)
            buf.append(char(t[i].unicode()));
    }
    char expText[24];
    const auto expEnd = std::to_chars(expText, expText + sizeof expText, s.exponent).ptr;
    buf.append('e');
    buf.append(expText, expEnd - expText);

    double value = 0;
    const auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), value);
    Q_UNUSED(ptr);
    if (ec == std::errc::result_out_of_range)
        return power > 0 ? inf : zero;
    return s.negative ? -value : value;
}

Decimal decimalOf(QStringView t, const Scan& s)
{
    Decimal d;
    d.negative = s.negative;
    for (qsizetype i = s.intBegin; i < s.intEnd; ++i)
        d.digits += char(t[i].unicode());
    for (qsizetype i = s.fracBegin; i < s.fracEnd; ++i)
        d.digits += char(t[i].unicode());
    d.exponent = s.exponent - (s.fracEnd - s.fracBegin);
    qsizetype lead = 0;
    while (lead < d.digits.size() && d.digits[lead] == '0')
        ++lead;
    d.digits.remove(0, lead);
    while (!d.digits.isEmpty() && d.digits.back() == '0') {
        d.digits.chop(1);
        ++d.exponent;
    }
    if (d.digits.isEmpty())
        d.exponent = 0;
    return d;
}

} // namespace

ByteResult scanByte(QStringView text)
{
    ByteResult r;
    const QStringView t = trimBlanks(text);
    const Scan s = scanNumber(t);
    if (!s.ok || s.end != t.size()) {
        r.error = ConversionError::TypeMismatch;
        return r;
    }
    const double rounded = roundHalfEven(valueOf(t, s));
    if (!(rounded >= 0.0 && rounded <= 255.0)) {
        r.error = ConversionError::Overflow;
        return r;
    }
    r.value = quint8(rounded);
    return r;
}

double leadingNumber(QStringView text)
{
    qsizetype b = 0;
    while (b < text.size() && isBlank(text[b]))
        ++b;
    const QStringView t = text.sliced(b);
    const Scan s = scanNumber(t);
    return s.ok ? valueOf(t, s) : 0.0;
}

std::optional<Decimal> leadingDecimal(QStringView text)
{
    qsizetype b = 0;
    while (b < text.size() && isBlank(text[b]))
        ++b;
    const QStringView t = text.sliced(b);
    const Scan s = scanNumber(t);
    if (!s.ok)
        return std::nullopt;
    return decimalOf(t, s);
}

std::optional<Decimal> wholeDecimal(QStringView text)
{
    const Scan s = scanNumber(text);
    if (!s.ok || s.end != text.size())
        return std::nullopt;
    return decimalOf(text, s);
}

std::optional<qint64> scaledWhole(const Decimal& value, int power)
{
    if (value.digits.isEmpty())
        return 0;
    const qint64 shift = value.exponent + power;
    // The digits that stay whole, and whether the first one cut is 5 or more.
    qsizetype kept = value.digits.size();
    if (shift < 0)
        kept = shift < -value.digits.size() ? 0 : value.digits.size() + qsizetype(shift);
    const bool up =
        kept < value.digits.size() && shift >= -value.digits.size() && value.digits[kept] >= '5';
    // Below 10^19 a magnitude fits unsigned 64 bits, so the checks below hold.
    if (kept + std::max<qint64>(shift, 0) > 19)
        return std::nullopt;
    quint64 magnitude = 0;
    for (qsizetype i = 0; i < kept; ++i)
        magnitude = magnitude * 10 + quint64(value.digits[i] - '0');
    for (qint64 i = 0; i < shift; ++i)
        magnitude *= 10;
    magnitude += up ? 1 : 0;
    if (magnitude > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    return value.negative ? -qint64(magnitude) : qint64(magnitude);
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double rest = value - below; // exact for doubles
    double out = below;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0))
        out = below + 1.0;
    return out == 0.0 ? 0.0 : out; // no negative zero
}

bool toInt32(double value, qint32& out)
{
    const double r = roundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return false;
    out = qint32(r);
    return true;
}

QString formatGeneral(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    if (value == 0.0)
        return QStringLiteral("0");

    // 15 significant digits, rounded once: d.dddddddddddddde±x
    char buf[40];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
    const char* p = buf;
    QString out;
    if (*p == '-') {
        out += QLatin1Char('-');
        ++p;
    }
    QString digits;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.')
            digits += QLatin1Char(*p);
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    const QString point = QLocale().decimalPoint();
    if (exponent >= 15 || exponent < -4) {
        out += digits.front();
        if (digits.size() > 1)
            out += point + digits.sliced(1);
        out += QLatin1Char('E');
        out += exponent < 0 ? QLatin1Char('-') : QLatin1Char('+');
        out += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    } else if (exponent < 0) {
        out += QLatin1Char('0') + point + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else if (digits.size() <= exponent + 1) {
        out += digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
    } else {
        out += digits.first(exponent + 1) + point + digits.sliced(exponent + 1);
    }
    return out;
}

QStringView trimBlanks(QStringView t)
{
    qsizetype b = 0;
    qsizetype e = t.size();
    while (b < e && isBlank(t[b]))
        ++b;
    while (e > b && isBlank(t[e - 1]))
        --e;
    return t.sliced(b, e - b);
}

} // namespace numbers
