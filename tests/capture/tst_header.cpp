#include "capture/csvcapture.h"
#include "tests/support/capturefixture.h"
#include "util/fault.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using capturefixture::CaptureRecipe;

namespace {

QStringList padded(QStringList names)
{
    while (names.size() < csv::channelCount)
        names << QString();
    return names;
}

QStringList toList(const std::vector<QString>& names)
{
    return QStringList(names.begin(), names.end());
}

} // namespace

class TestHeader : public QObject {
    Q_OBJECT

private slots:
    void keyTest_data();
    void keyTest();
    void heading_data();
    void heading();
    void names_data();
    void names();
    void shortFile_data();
    void shortFile();
    void missingFile();
    void fileClosed_data();
    void fileClosed();
    void wordsBeyondTheCutter_data();
    void wordsBeyondTheCutter();

private:
    QTemporaryDir dir_;
};

void TestHeader::keyTest_data()
{
    QTest::addColumn<QByteArray>("line1");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("headingStart");

    QTest::newRow("key and version") << QByteArray("ZelmarProgramVersion,2.31") << true
                                     << QStringLiteral("ZelmarProgramVersion 2.31  / ");
    QTest::newRow("key alone") << QByteArray("ZelmarProgramVersion") << true
                               << QStringLiteral("ZelmarProgramVersion  / ");
    QTest::newRow("key and comma") << QByteArray("ZelmarProgramVersion,") << true
                                   << QStringLiteral("ZelmarProgramVersion  / ");
    QTest::newRow("quoted version") << QByteArray("ZelmarProgramVersion,\"2.31\",x") << true
                                    << QStringLiteral("ZelmarProgramVersion 2.31 x  / ");
    QTest::newRow("leading blank")
        << QByteArray(" ZelmarProgramVersion,2.31") << false << QString();
    QTest::newRow("blank before comma")
        << QByteArray("ZelmarProgramVersion ,2.31") << false << QString();
    QTest::newRow("space for comma")
        << QByteArray("ZelmarProgramVersion 2.31") << false << QString();
    QTest::newRow("tab for comma")
        << QByteArray("ZelmarProgramVersion\t2.31") << false << QString();
    QTest::newRow("quoted key") << QByteArray("\"ZelmarProgramVersion\",2.31") << false
                                << QString();
    QTest::newRow("lower case") << QByteArray("zelmarprogramversion,2.31") << false << QString();
    QTest::newRow("one letter off") << QByteArray("ZelmarProgramVersio,2.31") << false << QString();
    QTest::newRow("empty line") << QByteArray() << false << QString();
    QTest::newRow("other csv") << QByteArray("Time,CH0,CH1") << false << QString();
}

void TestHeader::keyTest()
{
    QFETCH(QByteArray, line1);
    QFETCH(bool, accepted);
    QFETCH(QString, headingStart);
    CaptureRecipe recipe;
    recipe.header[0] = line1;
    const QString path = capturefixture::writeCapture(dir_, QStringLiteral("k.csv"), recipe);

    const auto header = readHeader(path);
    QCOMPARE(header.has_value(), accepted);
    if (accepted)
        QVERIFY2(header->heading.startsWith(headingStart), qPrintable(header->heading));
    // The whole capture in one reading: the same header, the key noted.
    QCOMPARE(readCapture(path).hasKey(), accepted);
    const auto keyed = readKeyedCapture(path);
    QCOMPARE(keyed.has_value(), accepted);
    if (accepted)
        QCOMPARE(keyed->header().heading, header->heading);
}

void TestHeader::heading_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QString>("heading");

    QTest::newRow("default")
        << capturefixture::defaultHeader().mid(0, 4)
        << QStringLiteral("ZelmarProgramVersion 2.31  / Captured 2024-03-18 14:22:07  / "
                          "Sample rate 1 MHz 2048 samples  / Comment: bench board rev B  ");
    QTest::newRow("empty lines") << QList<QByteArray>{"ZelmarProgramVersion", "", "", ""}
                                 << QStringLiteral("ZelmarProgramVersion  /  /  /  ");
    QTest::newRow("blank-only line")
        << QList<QByteArray>{"ZelmarProgramVersion", "   ", "a", " , \" "}
        << QStringLiteral("ZelmarProgramVersion  /  / a  /  ");
    QTest::newRow("runs collapse")
        << QList<QByteArray>{"ZelmarProgramVersion,,2", "  a   b  ", "\"x\",\"y\"", "z"}
        << QStringLiteral("ZelmarProgramVersion 2  / a b  / x y  / z  ");
    QTest::newRow("tab stays") << QList<QByteArray>{"ZelmarProgramVersion", "a\tb", "c", "d"}
                               << QStringLiteral("ZelmarProgramVersion  / a\tb  / c  / d  ");
    QTest::newRow("1252 text")
        << QList<QByteArray>{"ZelmarProgramVersion",
                             "25\xB0"
                             "C",
                             "\x93hi\x94", "\x80 5"}
        << QStringLiteral(u"ZelmarProgramVersion  / 25\u00B0C  / \u201Chi\u201D  / \u20AC 5  ");
}

void TestHeader::heading()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QString, heading);
    CaptureRecipe recipe;
    for (int i = 0; i < 4; ++i)
        recipe.header[i] = lines[i];
    const auto header =
        readHeader(capturefixture::writeCapture(dir_, QStringLiteral("h.csv"), recipe));
    QVERIFY(header);
    QCOMPARE(header->heading, heading);
}

void TestHeader::names_data()
{
    QTest::addColumn<QByteArray>("line5");
    QTest::addColumn<QStringList>("names");

    QStringList plain;
    for (int c = 0; c < csv::channelCount; ++c)
        plain << QStringLiteral("CH%1").arg(c);
    QTest::newRow("default") << capturefixture::defaultHeader()[4] << plain;
    QTest::newRow("three quoted, empty field")
        << QByteArray("\"A\",\"B\",,\"C\"") << padded({"A", "B", "C"});
    QTest::newRow("quoted name with space")
        << QByteArray("\"CLK\",\"DATA 0\",RST,,  EN") << padded({"CLK", "DATA", "0", "RST", "EN"});
    QTest::newRow("blanks separate") << QByteArray("  a b   c ") << padded({"a", "b", "c"});
    QTest::newRow("empty line") << QByteArray() << padded({});
    QTest::newRow("tab is no separator") << QByteArray("a\tb,c") << padded({"a\tb", "c"});
    QTest::newRow("long name whole")
        << QByteArray("A_VERY_LONG_CHANNEL_NAME,b") << padded({"A_VERY_LONG_CHANNEL_NAME", "b"});
    QByteArrayList twenty;
    QStringList sixteen;
    for (int w = 0; w < 20; ++w) {
        twenty << "w" + QByteArray::number(w);
        if (w < csv::channelCount)
            sixteen << QStringLiteral("w%1").arg(w);
    }
    QTest::newRow("twenty words") << twenty.join(' ') << sixteen;
}

void TestHeader::names()
{
    QFETCH(QByteArray, line5);
    QFETCH(QStringList, names);
    CaptureRecipe recipe;
    recipe.header[4] = line5;
    const auto header =
        readHeader(capturefixture::writeCapture(dir_, QStringLiteral("n.csv"), recipe));
    QVERIFY(header);
    QCOMPARE(toList(header->names), names);
}

void TestHeader::shortFile_data()
{
    QTest::addColumn<int>("lines");
    for (int lines = 0; lines < 5; ++lines)
        QTest::addRow("%d lines", lines) << lines;
}

void TestHeader::shortFile()
{
    QFETCH(int, lines);
    CaptureRecipe recipe;
    recipe.header = recipe.header.mid(0, lines);
    recipe.rows = 0;
    const QString path = capturefixture::writeCapture(dir_, QStringLiteral("s.csv"), recipe);
    try {
        readHeader(path);
        QFAIL("no fault");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::InputPastEnd);
        QCOMPARE(fault.line(), lines + 1);
        QCOMPARE(fault.file(), path);
    }
}

void TestHeader::missingFile()
{
    const QString path = dir_.filePath(QStringLiteral("gone.csv"));
    try {
        readHeader(path);
        QFAIL("no fault");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::CannotOpenFile);
        QCOMPARE(fault.file(), path);
    }
}

void TestHeader::fileClosed_data()
{
    QTest::addColumn<QList<QByteArray>>("header");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("outcome"); // 0 loaded, 1 rejected, 2 fault

    QTest::newRow("loaded") << capturefixture::defaultHeader() << 2048 << 0;
    QTest::newRow("header only, no rows") << capturefixture::defaultHeader() << 0 << 0;
    QTest::newRow("2052 lines") << capturefixture::defaultHeader() << 2047 << 0;
    QTest::newRow("rejected") << QList<QByteArray>{"zelmarprogramversion,2.31", "a", "b", "c", "d"}
                              << 2048 << 1;
    QTest::newRow("ends early") << QList<QByteArray>{"ZelmarProgramVersion", "a", "b"} << 0 << 2;
}

void TestHeader::fileClosed()
{
    QFETCH(QList<QByteArray>, header);
    QFETCH(int, rows);
    QFETCH(int, outcome);
    CaptureRecipe recipe;
    recipe.header = header;
    recipe.rows = rows;
    const QString path = capturefixture::writeCapture(dir_, QStringLiteral("f.csv"), recipe);

    const int before = capturefixture::openFileCount();
    int got = -1;
    try {
        got = readHeader(path) ? 0 : 1;
    } catch (const Fault&) {
        got = 2;
    }
    QCOMPARE(got, outcome);
    QCOMPARE(capturefixture::openFileCount(), before);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();
    QVERIFY(QFile::remove(path));
}

void TestHeader::wordsBeyondTheCutter_data()
{
    QTest::addColumn<int>("line"); // 0-based
    QTest::newRow("line 3") << 2;
    QTest::newRow("the names") << 4;
}

// Load and the converter refuse a header line of more words than the field
// cutter takes; Print, which takes the heading and names from the window,
// reads the samples all the same.
void TestHeader::wordsBeyondTheCutter()
{
    QFETCH(int, line);
    CaptureRecipe recipe;
    recipe.header[line] = QByteArray("w ").repeated(8000);
    const QString path = capturefixture::writeCapture(dir_, QStringLiteral("w.csv"), recipe);
    QVERIFY_THROWS_EXCEPTION(Fault, readHeader(path));
    QVERIFY_THROWS_EXCEPTION(Fault, readKeyedCapture(path));
    const Capture capture = readCapture(path);
    QVERIFY(capture.hasKey());
    QVERIFY(capture.header().heading.isEmpty());
    QCOMPARE(capture.sampleCount(), csv::sampleCount);
}

QTEST_GUILESS_MAIN(TestHeader)
#include "tst_header.moc"
