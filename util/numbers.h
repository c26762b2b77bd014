#pragma once

#include <QString>
#include <QStringView>

#include <QtGlobal>

// Number parsing and formatting with the conversion rules of the capture file
// and the page text.
namespace numbers {

enum class ConversionError { None, TypeMismatch, Overflow };

struct ByteResult {
    quint8 value = 0;
    ConversionError error = ConversionError::None;
};

// Whole-text conversion to 0 … 255: blanks around allowed, decimal with
// optional sign, fraction and exponent; rounded half to even. Empty or
// non-numeric text is a type mismatch, a value outside 0 … 255 an overflow.
ByteResult toUnsignedByte(QStringView text);

// The number the text begins with (leading blanks skipped), 0 when it begins
// with no number. Point as decimal separator.
double leadingNumber(QStringView text);

// Nearest whole number, an exact half to the even neighbour.
double roundHalfEven(double value);

// roundHalfEven() into 32 bits; false when the result lies outside.
bool toInt32(double value, qint32& out);

// General decimal text: at most 15 significant digits, no trailing zeros,
// exponent form for very large or very small magnitudes, the default
// locale's decimal separator.
QString formatGeneral(double value);

} // namespace numbers
