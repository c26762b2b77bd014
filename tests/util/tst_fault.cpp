#include "util/fault.h"

#include <QtTest>

class TestFault : public QObject {
    Q_OBJECT
private slots:
    void message_data();
    void message();
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

    QTest::newRow("every place") << int(FaultKind::TypeMismatch) << "\"x\" is not a number"
                                 << "/tmp/a.csv" << 7 << 3 << 2
                                 << "Type mismatch: \"x\" is not a number (file /tmp/a.csv, line 7, field 3, channel 2)";
    QTest::newRow("no place") << int(FaultKind::TypeMismatch) << "\"x\" is not a number" << "" << 0 << 0 << -1
                              << "Type mismatch: \"x\" is not a number";
    QTest::newRow("no detail") << int(FaultKind::Overflow) << "" << "" << 0 << 0 << -1 << "Overflow";
    QTest::newRow("file and line") << int(FaultKind::InputPastEnd) << "line 9 wanted" << "c.csv" << 9 << 0 << -1
                                   << "Input past end of file: line 9 wanted (file c.csv, line 9)";
    QTest::newRow("channel 0 shown") << int(FaultKind::Overflow) << "level sum" << "" << 0 << 0 << 0
                                     << "Overflow: level sum (channel 0)";
    QTest::newRow("field only") << int(FaultKind::SubscriptOutOfRange) << "" << "" << 0 << 8000 << -1
                                << "Subscript out of range (field 8000)";
    QTest::newRow("cannot open") << int(FaultKind::CannotOpenFile) << "" << "/no/such.csv" << 0 << 0 << -1
                                 << "Cannot open file (file /no/such.csv)";
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

QTEST_GUILESS_MAIN(TestFault)
#include "tst_fault.moc"
