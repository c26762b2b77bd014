#include "util/numbers.h"

#include <QLocale>
#include <QtTest>

#include <cmath>
#include <limits>

using numbers::ConversionError;

Q_DECLARE_METATYPE(numbers::ConversionError)

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void toUnsignedByte_data();
    void toUnsignedByte();
    void toUnsignedByteIgnoresLocale();
    void leadingNumber_data();
    void leadingNumber();
    void scaledWhole_data();
    void scaledWhole();
    void roundHalfEven_data();
    void roundHalfEven();
    void toInt32_data();
    void toInt32();
    void formatGeneral_data();
    void formatGeneral();
    void formatGeneralUsesLocaleSeparator();
};

void TestNumbers::cleanup() { QLocale::setDefault(QLocale::c()); }

void TestNumbers::toUnsignedByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<ConversionError>("error");

    const auto ok = ConversionError::None;
    const auto over = ConversionError::Overflow;
    const auto bad = ConversionError::TypeMismatch;

    QTest::newRow("0") << "0" << 0 << ok;
    QTest::newRow("1") << "1" << 1 << ok;
    QTest::newRow("255") << "255" << 255 << ok;
    QTest::newRow("256") << "256" << 0 << over;
    QTest::newRow("blanks around") << " \t7 \t" << 7 << ok;
    QTest::newRow("plus") << "+3" << 3 << ok;
    QTest::newRow("leading zeros") << "007" << 7 << ok;
    QTest::newRow("1e0") << "1e0" << 1 << ok;
    QTest::newRow("2.5E+1") << "2.5E+1" << 25 << ok;
    QTest::newRow("2.55e2") << "2.55e2" << 255 << ok;
    QTest::newRow("1000e-1") << "1000e-1" << 100 << ok;
    QTest::newRow("1.5") << "1.5" << 2 << ok;
    QTest::newRow("0.5") << "0.5" << 0 << ok;
    QTest::newRow(".5") << ".5" << 0 << ok;
    QTest::newRow("2.5") << "2.5" << 2 << ok;
    QTest::newRow("2.51") << "2.51" << 3 << ok;
    QTest::newRow("5.") << "5." << 5 << ok;
    QTest::newRow("254.5") << "254.5" << 254 << ok;
    QTest::newRow("255.4") << "255.4" << 255 << ok;
    QTest::newRow("255.5") << "255.5" << 0 << over;
    QTest::newRow("-0") << "-0" << 0 << ok;
    QTest::newRow("-0.4") << "-0.4" << 0 << ok;
    QTest::newRow("-0.5") << "-0.5" << 0 << ok;
    QTest::newRow("-0.6") << "-0.6" << 0 << over;
    QTest::newRow("-1") << "-1" << 0 << over;
    QTest::newRow("1e999") << "1e999" << 0 << over;
    QTest::newRow("1e-999") << "1e-999" << 0 << ok;
    QTest::newRow("huge exponent") << "1e99999999999999999999" << 0 << over;
    QTest::newRow("long digits") << QString(400, QLatin1Char('9')) << 0 << over;
    QTest::newRow("long zeros") << QString(500, QLatin1Char('0')) + QLatin1Char('1') << 1 << ok;
    QTest::newRow("long fraction")
        << QStringLiteral("1.") + QString(500, QLatin1Char('4')) << 1 << ok;
    QTest::newRow("empty") << "" << 0 << bad;
    QTest::newRow("blanks only") << " \t " << 0 << bad;
    QTest::newRow("letters") << "abc" << 0 << bad;
    QTest::newRow("trailing letter") << "1x" << 0 << bad;
    QTest::newRow("1,5") << "1,5" << 0 << bad;
    QTest::newRow("0x1") << "0x1" << 0 << bad;
    QTest::newRow("1 2") << "1 2" << 0 << bad;
    QTest::newRow("nan") << "nan" << 0 << bad;
    QTest::newRow("inf") << "inf" << 0 << bad;
    QTest::newRow("point only") << "." << 0 << bad;
    QTest::newRow("sign only") << "-" << 0 << bad;
    QTest::newRow("bare exponent") << "1e" << 0 << bad;
    QTest::newRow("exponent sign only") << "1e+" << 0 << bad;
    QTest::newRow("two signs") << "--1" << 0 << bad;
    QTest::newRow("line break") << "1\r" << 0 << bad;
    QTest::newRow("fullwidth digit") << QString(QChar(0xFF11)) << 0 << bad;
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0661)) << 0 << bad;
}

void TestNumbers::toUnsignedByte()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(ConversionError, error);

    const numbers::ByteResult r = numbers::toUnsignedByte(text);
    QCOMPARE(r.error, error);
    if (error == ConversionError::None)
        QCOMPARE(int(r.value), value);
}

void TestNumbers::toUnsignedByteIgnoresLocale()
{
    QLocale::setDefault(QLocale::German);
    QCOMPARE(numbers::toUnsignedByte(u"2,5").error, ConversionError::TypeMismatch);
    QCOMPARE(numbers::toUnsignedByte(u"3.5").value, quint8(4));
    QCOMPARE(numbers::leadingNumber(u"2,5"), 2.0);
}

void TestNumbers::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("10abc") << "10abc" << 10.0;
    QTest::newRow("2.5") << "2.5" << 2.5;
    QTest::newRow("abc") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blank") << " 7" << 7.0;
    QTest::newRow("tab") << "\t7" << 7.0;
    QTest::newRow("-3") << "-3" << -3.0;
    QTest::newRow("+4") << "+4" << 4.0;
    QTest::newRow(".5") << ".5" << 0.5;
    QTest::newRow("5.x") << "5.x" << 5.0;
    QTest::newRow("1e3x") << "1e3x" << 1000.0;
    QTest::newRow("1E-2") << "1E-2" << 0.01;
    QTest::newRow("1e") << "1e" << 1.0;
    QTest::newRow("1e+") << "1e+" << 1.0;
    QTest::newRow("1ex") << "1ex" << 1.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("comma") << "3,5" << 3.0;
    QTest::newRow("inner blank") << "12 34" << 12.0;
    QTest::newRow("units after") << "  -2.5e1 samples" << -25.0;
    QTest::newRow("1e999") << "1e999" << std::numeric_limits<double>::infinity();
    QTest::newRow("-1e999") << "-1e999" << -std::numeric_limits<double>::infinity();
    QTest::newRow("nan") << "nan" << 0.0;
}

void TestNumbers::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);

    QCOMPARE(numbers::leadingNumber(text), value);
}

void TestNumbers::scaledWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("power");
    QTest::addColumn<QString>("scaled"); // of the leading number; "none" beyond 64 bits or none
    QTest::addColumn<bool>("whole");     // the text is a number and nothing else

    QTest::newRow("1.001 ns in fs") << "1.001" << 6 << "1001000" << true;
    QTest::newRow("rounded, not cut") << "1.0000006" << 6 << "1000001" << true;
    QTest::newRow("a half, away from zero") << "-0.0000005" << 6 << "-1" << true;
    QTest::newRow("all digits cut, first a 5") << "5e-7" << 6 << "1" << true;
    QTest::newRow("more digits than a double")
        << "4500000.000001" << 12 << "4500000000001000000" << true;
    QTest::newRow("largest") << "9223372036854775807" << 0 << "9223372036854775807" << true;
    QTest::newRow("one more") << "9223372036854775808" << 0 << "none" << true;
    QTest::newRow("twenty digits cut to ten")
        << "99999999999999999999e-10" << 0 << "10000000000" << true;
    QTest::newRow("zero, huge exponent") << "0e999" << 0 << "0" << true;
    QTest::newRow("text after") << "20ns" << 0 << "20" << false;
    QTest::newRow("line break after") << "2\n" << 0 << "2" << false;
    QTest::newRow("no number") << "abc" << 0 << "none" << false;
}

void TestNumbers::scaledWhole()
{
    QFETCH(QString, text);
    QFETCH(int, power);
    QFETCH(bool, whole);
    const auto leading = numbers::leadingDecimal(text);
    const auto scaled = leading ? numbers::scaledWhole(*leading, power) : std::nullopt;
    QTEST(scaled ? QString::number(*scaled) : QStringLiteral("none"), "scaled");
    const auto alone = numbers::wholeDecimal(text);
    QCOMPARE(alone.has_value(), whole);
    if (alone)
        QCOMPARE(numbers::scaledWhole(*alone, power), scaled);
}

void TestNumbers::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");

    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("2.4") << 2.4 << 2.0;
    QTest::newRow("2.6") << 2.6 << 3.0;
    QTest::newRow("-0.4") << -0.4 << 0.0;
    QTest::newRow("-0.5") << -0.5 << 0.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-2.6") << -2.6 << -3.0;
    QTest::newRow("just below half") << 0.49999999999999994 << 0.0;
    QTest::newRow("2^52 + 1") << 4503599627370497.0 << 4503599627370497.0;
    QTest::newRow("2^52 - 0.5") << 4503599627370495.5 << 4503599627370496.0;
    QTest::newRow("1e300") << 1e300 << 1e300;
}

void TestNumbers::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);

    const double r = numbers::roundHalfEven(value);
    QCOMPARE(r, rounded);
    QVERIFY(!std::signbit(r) || r != 0.0); // no negative zero
}

void TestNumbers::toInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("result");

    QTest::newRow("2147483647.4") << 2147483647.4 << true << 2147483647;
    QTest::newRow("2147483647.5") << 2147483647.5 << false << 0;
    QTest::newRow("-2147483648.5") << -2147483648.5 << true << (-2147483647 - 1);
    QTest::newRow("-2147483648.6") << -2147483648.6 << false << 0;
    QTest::newRow("-2147483649") << -2147483649.0 << false << 0;
    QTest::newRow("10.5") << 10.5 << true << 10;
    QTest::newRow("-7.5") << -7.5 << true << -8;
    QTest::newRow("1e300") << 1e300 << false << 0;
    QTest::newRow("inf") << std::numeric_limits<double>::infinity() << false << 0;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << false << 0;
}

void TestNumbers::toInt32()
{
    QFETCH(double, value);
    QFETCH(bool, ok);
    QFETCH(int, result);

    qint32 out = 12345;
    QCOMPARE(numbers::toInt32(value, out), ok);
    QCOMPARE(out, ok ? result : 12345);
}

void TestNumbers::formatGeneral_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("1000") << 1000.0 << "1000";
    QTest::newRow("25") << 25.0 << "25";
    QTest::newRow("0.1*3") << 0.1 * 3 << "0.3";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("-0") << -0.0 << "0";
    QTest::newRow("-12.5") << -12.5 << "-12.5";
    QTest::newRow("1/3") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("2/3") << 2.0 / 3 << "0.666666666666667";
    QTest::newRow("123456.789") << 123456.789 << "123456.789";
    QTest::newRow("15 nines") << 999999999999999.0 << "999999999999999";
    QTest::newRow("rounds up to 1e15") << 999999999999999.9 << "1E+15";
    QTest::newRow("1e15") << 1e15 << "1E+15";
    QTest::newRow("16 digits") << 1234567890123456.0 << "1.23456789012346E+15";
    QTest::newRow("-2.25e20") << -2.25e20 << "-2.25E+20";
    QTest::newRow("1e100") << 1e100 << "1E+100";
    QTest::newRow("0.0001") << 0.0001 << "0.0001";
    QTest::newRow("0.00012345") << 0.00012345 << "0.00012345";
    QTest::newRow("9e-5") << 0.00009 << "9E-05";
    QTest::newRow("1.5e-5") << 1.5e-5 << "1.5E-05";
    QTest::newRow("-1e-100") << -1e-100 << "-1E-100";
    QTest::newRow("tick line product") << 100 * 0.025 << "2.5";
    QTest::newRow("inf") << std::numeric_limits<double>::infinity() << "inf";
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity() << "-inf";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "nan";
}

void TestNumbers::formatGeneral()
{
    QFETCH(double, value);
    QFETCH(QString, text);

    QCOMPARE(numbers::formatGeneral(value), text);
}

void TestNumbers::formatGeneralUsesLocaleSeparator()
{
    QLocale::setDefault(QLocale::German);
    QCOMPARE(numbers::formatGeneral(2.5), QStringLiteral("2,5"));
    QCOMPARE(numbers::formatGeneral(1000.0), QStringLiteral("1000"));
    QCOMPARE(numbers::formatGeneral(1.5e-5), QStringLiteral("1,5E-05"));
    QCOMPARE(numbers::formatGeneral(-0.25), QStringLiteral("-0,25"));
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
