#include "util/basicutilities.h"
#include "util/fault.h"
#include "util/stripper.h"

#include <QtTest>

class TestStripper : public QObject {
    Q_OBJECT
private slots:
    void normalises_data();
    void normalises();
    void agreesWithGetfield_data();
    void agreesWithGetfield();
    void wordLimit_data();
    void wordLimit();
};

void TestStripper::normalises_data()
{
    QTest::addColumn<QString>("datain");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("after");

    QTest::newRow("quoted words") << "\"a\",\"b c\",d"
                                  << "a b c d "
                                  << " a   b c  d";
    QTest::newRow("channel names") << "\"CLK\",\"DATA 0\",RST,,  EN"
                                   << "CLK DATA 0 RST EN "
                                   << " CLK   DATA 0  RST    EN";
    QTest::newRow("one word") << "abc"
                              << "abc "
                              << "abc";
    QTest::newRow("trailing space") << "abc "
                                    << "abc "
                                    << "abc ";
    QTest::newRow("tab stays") << "a\tb,c"
                               << "a\tb c "
                               << "a\tb c";
    QTest::newRow("spaces only") << "  "
                                 << ""
                                 << "  ";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("separators only") << ",,\"\""
                                     << ""
                                     << "    ";
    QTest::newRow("other quotes stay") << "'a',\u201Cb\u201D"
                                       << "'a' \u201Cb\u201D "
                                       << "'a' \u201Cb\u201D";
}

void TestStripper::normalises()
{
    QFETCH(QString, datain);
    QFETCH(QString, result);
    QFETCH(QString, after);

    QCOMPARE(stripper(datain), result);
    QCOMPARE(datain, after);
}

void TestStripper::agreesWithGetfield_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("header") << "ZelmarProgramVersion,1.2,\"run 7\",,x";
    QTest::newRow("runs") << "   a   b\t c  \"d\"e ,f,,  ";
    QTest::newRow("sixteen names") << "C0,C1,C2,C3,C4,C5,C6,C7,C8,C9,C10,C11,C12,C13,C14,C15";
}

// Each word must be the one the header loader later cuts with getfield.
void TestStripper::agreesWithGetfield()
{
    QFETCH(QString, line);
    QString datain = line;
    const QString result = stripper(datain);

    QString expected;
    QString delimiter = QStringLiteral(" ");
    const int words = basicutilities::getfield(datain, 0, delimiter).toInt();
    QVERIFY(words > 0);
    for (int i = 1; i <= words; ++i)
        expected += basicutilities::getfield(datain, i, delimiter) + QLatin1Char(' ');
    QCOMPARE(result, expected);
}

void TestStripper::wordLimit_data()
{
    QTest::addColumn<int>("words");
    QTest::addColumn<bool>("trailing");
    QTest::addColumn<bool>("fails");

    QTest::newRow("7999 words") << 7999 << false << false;
    QTest::newRow("7998 words and trailing space") << 7998 << true << false;
    QTest::newRow("7999 words and trailing space") << 7999 << true << true;
    QTest::newRow("8000 words") << 8000 << false << true;
}

void TestStripper::wordLimit()
{
    QFETCH(int, words);
    QFETCH(bool, trailing);
    QFETCH(bool, fails);

    QString line = QStringLiteral("w");
    for (int i = 1; i < words; ++i)
        line += QStringLiteral(",,w"); // commas become runs of spaces
    if (trailing)
        line += QLatin1Char(',');

    bool failed = false;
    QString result;
    try {
        result = stripper(line);
    } catch (const Fault& f) {
        QCOMPARE(f.kind(), FaultKind::SubscriptOutOfRange);
        failed = true;
    }
    QCOMPARE(failed, fails);
    if (!fails)
        QCOMPARE(result.count(QStringLiteral("w ")), words);
}

QTEST_GUILESS_MAIN(TestStripper)
#include "tst_stripper.moc"
