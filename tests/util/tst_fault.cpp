#include "util/fault.h"

#include <QtTest>

#include <stdexcept>

class TestFault : public QObject {
    Q_OBJECT
private slots:
    void message_data();
    void message();
    void quoting_data();
    void quoting();
    void failureInAFile_data();
    void failureInAFile();
};

void TestFault::message_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("expected");

    QTest::newRow("every place")
        << int(FaultKind::TypeMismatch) << "\"x\" is not a number"
        << "/tmp/a.csv" << 7 << 3 << 2
        << "Type mismatch: \"x\" is not a number (file /tmp/a.csv, line 7, field 3, channel 2)";
    QTest::newRow("no place") << int(FaultKind::TypeMismatch) << "\"x\" is not a number"
                              << "" << 0 << 0 << -1 << "Type mismatch: \"x\" is not a number";
    QTest::newRow("no detail") << int(FaultKind::Overflow) << ""
                               << "" << 0 << 0 << -1 << "Overflow";
    QTest::newRow("file and line")
        << int(FaultKind::InputPastEnd) << "line 9 wanted"
        << "c.csv" << 9 << 0 << -1 << "Input past end of file: line 9 wanted (file c.csv, line 9)";
    QTest::newRow("channel 0 shown") << int(FaultKind::Overflow) << "level sum"
                                     << "" << 0 << 0 << 0 << "Overflow: level sum (channel 0)";
    QTest::newRow("field only") << int(FaultKind::SubscriptOutOfRange) << ""
                                << "" << 0 << 8000 << -1 << "Subscript out of range (field 8000)";
    QTest::newRow("cannot open") << int(FaultKind::CannotOpenFile) << ""
                                 << "/no/such.csv" << 0 << 0 << -1
                                 << "Cannot open file (file /no/such.csv)";
    QTest::newRow("line 1")
        << int(FaultKind::InputPastEnd) << "the file ends before line 1"
        << "empty.csv" << 1 << 0 << -1
        << "Input past end of file: the file ends before line 1 (file empty.csv, line 1)";
    QTest::newRow("field 1")
        << int(FaultKind::TypeMismatch) << "\"x\" is not a number"
        << "a.csv" << 6 << 1 << 0
        << "Type mismatch: \"x\" is not a number (file a.csv, line 6, field 1, channel 0)";
    QTest::newRow("controls in the file name")
        << int(FaultKind::CannotOpenFile) << ""
        << "a\nb\x1b[2J.csv" << 0 << 0 << -1 << "Cannot open file (file a\\x0ab\\x1b[2J.csv)";
}

void TestFault::message()
{
    QFETCH(int, kind);
    QFETCH(QString, detail);
    QFETCH(QString, file);
    QFETCH(int, line);
    QFETCH(int, field);
    QFETCH(int, channel);
    QFETCH(QString, expected);

    Fault f(FaultKind(kind), detail);
    if (!file.isEmpty())
        f.inFile(file);
    f.atLine(line).atField(field).onChannel(channel);

    QCOMPARE(f.message(), expected);
    QCOMPARE(QString::fromStdString(f.what()), expected);

    try {
        throw f;
    } catch (const std::exception& e) {
        QCOMPARE(QString::fromUtf8(e.what()), expected);
    }
}

void TestFault::quoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString a79(79, u'a');
    const QString a80(80, u'a');
    QTest::newRow("plain") << "0.5x"
                           << "\"0.5x\"";
    QTest::newRow("empty") << ""
                           << "\"\"";
    QTest::newRow("escape sequence") << "\x1b[31mred\x1b[0m"
                                     << "\"\\x1b[31mred\\x1b[0m\"";
    QTest::newRow("NUL and bell") << QString::fromLatin1("a\0b\a", 4) << "\"a\\x00b\\x07\"";
    QTest::newRow("tab and line ends") << "\t\r\n"
                                       << "\"\\x09\\x0d\\x0a\"";
    QTest::newRow("DEL and C1") << QStringLiteral(u"\u007f\u0085\u009b") << "\"\\x7f\\x85\\x9b\"";
    QTest::newRow("separators and bidi") << QStringLiteral(u"\u2028\u2029\u202e\u2066\u200f")
                                         << "\"\\u2028\\u2029\\u202e\\u2066\\u200f\"";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << "\"\\ud800\"";
    QTest::newRow("quote and backslash kept") << "a\"b\\c"
                                              << "\"a\"b\\c\"";
    QTest::newRow("letters of any script kept")
        << QStringLiteral(u"caf\u00e9 \u03a9 \u4e2d \U0001F600")
        << QStringLiteral(u"\"caf\u00e9 \u03a9 \u4e2d \U0001F600\"");
    QTest::newRow("80 characters whole") << a80 << "\"" + a80 + "\"";
    QTest::newRow("81 cut") << a80 + "b"
                            << "\"" + a80 + u'\u2026' + "\"";
    QTest::newRow("a megabyte cut")
        << QString(1 << 20, u'y') << "\"" + QString(80, u'y') + u'\u2026' + "\"";
    QTest::newRow("an escape is not split") << a79 + "\x1b"
                                            << "\"" + a79 + u'\u2026' + "\"";
    QTest::newRow("a pair is not split")
        << a79 + QStringLiteral(u"\U0001F600") << "\"" + a79 + u'\u2026' + "\"";
}

void TestFault::quoting()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(quotedText(text), expected);
}

void TestFault::failureInAFile_data()
{
    QTest::addColumn<QString>("thrown");   // "", "fault" or "other"
    QTest::addColumn<QString>("expected"); // the report; empty when the work succeeded

    QTest::newRow("no failure, the result passes") << ""
                                                   << "";
    QTest::newRow("a fault is placed in the file, keeping its line")
        << "fault"
        << "Overflow: level sum (file out\\x0a.pdf, line 4)";
    QTest::newRow("another exception names where") << "other"
                                                   << "b\\x1b.csv: thread failed";
}

void TestFault::failureInAFile()
{
    QFETCH(QString, thrown);
    QFETCH(QString, expected);

    int result = 0;
    QString report;
    try {
        result = inFile(QStringLiteral("out\n.pdf"), [&] {
            if (thrown == QLatin1String("fault"))
                throw Fault(FaultKind::Overflow, QStringLiteral("level sum")).atLine(4);
            if (thrown == QLatin1String("other"))
                throw std::runtime_error("thread failed");
            return 7;
        });
    } catch (const std::exception& failure) {
        report = failureMessage(QStringLiteral("b\x1b.csv"), failure);
    }
    QCOMPARE(report, expected);
    QCOMPARE(result, expected.isEmpty() ? 7 : 0);
}

QTEST_GUILESS_MAIN(TestFault)
#include "tst_fault.moc"
