#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <QtGlobal>

#include <optional>

// Number parsing and formatting with the conversion rules of the capture file
// and the page text.
namespace numbers {

enum class ConversionError { None, TypeMismatch, Overflow };

struct ByteResult {
    quint8 value = 0;
    ConversionError error = ConversionError::None;
};

// toUnsignedByte() beyond one bare digit.
ByteResult scanByte(QStringView text);

// Whole-text conversion to 0 … 255: blanks (spaces, tabs) around allowed,
// decimal with optional sign, fraction and exponent ("2.5E+1"); rounded half
// to even. Empty or non-numeric text ("1,5", "0x1", "inf") is a type
// mismatch, a value outside 0 … 255 an overflow. Independent of the locale.
// Inline for nearly every level, one bare digit: a page converts tens of
// thousands of them.
inline ByteResult toUnsignedByte(QStringView text)
{
    if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9')
        return {quint8(text[0].unicode() - u'0'), ConversionError::None};
    return scanByte(text);
}

// The number the text begins with (leading blanks skipped), 0 when it begins
// with no number. Point as decimal separator; an exponent counts only when
// digits follow the "e". Beyond double's range: ±infinity.
double leadingNumber(QStringView text);

// `text` without the blanks and tabs around it.
QStringView trimBlanks(QStringView text);

// A decimal number held exactly, as typed: digits × 10^exponent. A double
// cannot hold 4500000.000001 ms in femtoseconds to the last digit.
struct Decimal {
    bool negative = false;
    QByteArray digits;   // '0' … '9', no leading or trailing zeros; empty for zero
    qint64 exponent = 0; // of the last digit
};

// The number the text begins with, read as leadingNumber() reads it;
// nullopt when it begins with no number.
std::optional<Decimal> leadingDecimal(QStringView text);

// The text as one decimal number and nothing else: [sign] digits [. digits]
// [e|E [sign] digits], no blanks; nullopt for anything more or less.
std::optional<Decimal> wholeDecimal(QStringView text);

// value × 10^power to the nearest whole number, a half away from zero:
// 1.0000006 ns, power 6, is 1000001 fs. nullopt when it leaves 64 bits.
std::optional<qint64> scaledWhole(const Decimal& value, int power);

// Nearest whole number, an exact half to the even neighbour.
double roundHalfEven(double value);

// roundHalfEven() into 32 bits; false when the result lies outside.
bool toInt32(double value, qint32& out);

// General decimal text: at most 15 significant digits, no trailing zeros,
// no group separators, the default locale's decimal separator. Magnitudes
// from 1E+15 up and below 1E-04 are written in exponent form ("1.5E-05");
// infinities and NaN as "inf", "-inf" and "nan".
QString formatGeneral(double value);

} // namespace numbers
