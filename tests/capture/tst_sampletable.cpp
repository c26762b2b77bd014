#include "sampletabletools.h"
#include "util/basicutilities.h"
#include "util/fault.h"

#include <QTemporaryDir>
#include <QTest>

class TestSampleTable : public QObject {
    Q_OBJECT

private slots:
    void pastEnd_data();
    void pastEnd();
    void cellsAgreeWithGetfield_data();
    void cellsAgreeWithGetfield();
    void sentinelRow();
    void extraLinesIgnored();
    void terminatorsGiveSameTable();
    void extraFieldsIgnored();
    void cellOutOfRange();
    void fileClosed();

private:
    QString write(const CaptureRecipe& recipe)
    {
        return capturefixture::writeCapture(dir_, QStringLiteral("s.csv"), recipe);
    }
    QTemporaryDir dir_;
};

void TestSampleTable::pastEnd_data()
{
    QTest::addColumn<int>("headerLines");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("finalTerminator");
    QTest::addColumn<int>("faultLine"); // 0: reads fine

    QTest::newRow("2053 lines") << 5 << 2048 << true << 0;
    QTest::newRow("2053, last unterminated") << 5 << 2048 << false << 0;
    QTest::newRow("2052 lines") << 5 << 2047 << true << 2053;
    QTest::newRow("header only") << 5 << 0 << true << 6;
    QTest::newRow("short header") << 3 << 0 << true << 4;
    QTest::newRow("empty file") << 0 << 0 << true << 1;
}

void TestSampleTable::pastEnd()
{
    QFETCH(int, headerLines);
    QFETCH(int, rows);
    QFETCH(bool, finalTerminator);
    QFETCH(int, faultLine);
    CaptureRecipe recipe;
    recipe.header = recipe.header.mid(0, headerLines);
    recipe.rows = rows;
    recipe.finalTerminator = finalTerminator;
    const QString path = write(recipe);
    try {
        const SampleTable table = readTable(path);
        QCOMPARE(faultLine, 0);
        QCOMPARE(table.path(), path);
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::InputPastEnd);
        QCOMPARE(fault.line(), faultLine);
        QCOMPARE(fault.file(), path);
    }
}

void TestSampleTable::cellsAgreeWithGetfield_data()
{
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("plain") << QByteArray("1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0") << QString();
    QTest::newRow("blanks kept") << QByteArray(" 1, 0 ,1 ,  0") << QString();
    QTest::newRow("empty fields") << QByteArray(",,1,,") << QString();
    QTest::newRow("commas only") << QByteArray(",,,,,,,,,,,,,,,,,,,,") << QString();
    QTest::newRow("empty row") << QByteArray() << QString();
    QTest::newRow("no comma") << QByteArray("1") << QString();
    QTest::newRow("trailing comma") << QByteArray("1,0,") << QString();
    QTest::newRow("quotes kept") << QByteArray("\"1\",'0',1") << QString();
    QTest::newRow("more than 16") << QByteArray("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18")
                                  << QString();
    QTest::newRow("1252 bytes") << QByteArray("\xE9,\x80,1") << QStringLiteral(u"\u00E9,\u20AC,1");
}

void TestSampleTable::cellsAgreeWithGetfield()
{
    QFETCH(QByteArray, row);
    QFETCH(QString, decoded);
    if (decoded.isNull())
        decoded = QString::fromLatin1(row);
    CaptureRecipe recipe;
    recipe.rowText[0] = row;
    recipe.rowText[2047] = row;
    const SampleTable table = readTable(write(recipe));
    for (int r : {0, 2047, 2048}) {
        for (int c = 0; c < channelCount; ++c) {
            const QString expected = basicutilities::getfield(decoded, c + 1, QStringLiteral(","));
            QVERIFY2(table.cell(r, c) == expected,
                     qPrintable(QStringLiteral("row %1 column %2: \"%3\", not \"%4\"")
                                    .arg(r)
                                    .arg(c)
                                    .arg(table.cell(r, c).toString(), expected)));
        }
    }
}

void TestSampleTable::sentinelRow()
{
    CaptureRecipe recipe;
    recipe.level = pattern;
    recipe.rowText[2047] = "7,,x, 3 ,1";
    const SampleTable table = readTable(write(recipe));
    for (int c = 0; c < channelCount; ++c)
        QCOMPARE(table.cell(2048, c), table.cell(2047, c));
    QCOMPARE(table.cell(2048, 3), QStringLiteral(" 3 "));

    recipe.rowText.clear();
    const LevelTable levels = selectChannels(readTable(write(recipe)), boxes(allChannels()));
    for (int s = 0; s < channelCount; ++s)
        QCOMPARE(levels.levels[s][2048], levels.levels[s][2047]);
}

void TestSampleTable::extraLinesIgnored()
{
    CaptureRecipe cut;
    cut.level = pattern;
    CaptureRecipe longer = cut;
    longer.rows = 2100;
    longer.rowText[2048] = "garbage,x,y";
    for (int r = 2049; r < 2100; ++r)
        longer.rowText[r] = QByteArray(r % 7, ',');
    const QString cutPath = capturefixture::writeCapture(dir_, QStringLiteral("cut.csv"), cut);
    const QString longPath = capturefixture::writeCapture(dir_, QStringLiteral("long.csv"), longer);

    const SampleTable a = readTable(cutPath);
    const SampleTable b = readTable(longPath);
    for (int r = 0; r <= sampleCount; ++r)
        for (int c = 0; c < channelCount; ++c)
            QCOMPARE(b.cell(r, c), a.cell(r, c));
    const LevelTable la = selectChannels(a, boxes(allChannels()));
    const LevelTable lb = selectChannels(b, boxes(allChannels()));
    QCOMPARE(lb.levels, la.levels);
    QCOMPARE(lb.sums, la.sums);
}

void TestSampleTable::terminatorsGiveSameTable()
{
    CaptureRecipe recipe;
    recipe.level = pattern;
    const LevelTable crlf = selectChannels(readTable(write(recipe)), boxes(allChannels()));
    for (auto terminator : {capturefixture::Terminator::Lf, capturefixture::Terminator::Cr}) {
        recipe.terminator = terminator;
        const LevelTable other = selectChannels(readTable(write(recipe)), boxes(allChannels()));
        QCOMPARE(other.levels, crlf.levels);
    }
    for (int r = 0; r <= sampleCount; ++r)
        QCOMPARE(int(crlf.levels[5][r]), pattern(std::min(r, sampleCount - 1), 5));
}

void TestSampleTable::extraFieldsIgnored()
{
    CaptureRecipe recipe;
    recipe.level = pattern;
    recipe.fieldsPerRow = 20; // fields 17 … 20 hold "x"
    const SampleTable table = readTable(write(recipe));
    QCOMPARE(table.cell(0, 15), QString::number(pattern(0, 15)));
    const LevelTable levels = selectChannels(table, boxes(allChannels()));
    for (int r = 0; r < sampleCount; ++r)
        QCOMPARE(int(levels.levels[15][r]), pattern(r, 15));
}

void TestSampleTable::cellOutOfRange()
{
    const SampleTable table = readTable(write(CaptureRecipe{}));
    for (auto [row, column] : {std::pair{-1, 0}, {2049, 0}, {0, -1}, {0, 16}}) {
        try {
            table.cell(row, column);
            QFAIL("no fault");
        } catch (const Fault& fault) {
            QCOMPARE(fault.kind(), FaultKind::SubscriptOutOfRange);
        }
    }
}

void TestSampleTable::fileClosed()
{
    const int before = capturefixture::openFileCount();
    if (before < 0)
        QSKIP("no /proc/self/fd here");
    CaptureRecipe recipe;
    readTable(write(recipe));
    QCOMPARE(capturefixture::openFileCount(), before);
    recipe.rows = 100;
    QVERIFY_THROWS_EXCEPTION(Fault, readTable(write(recipe)));
    QCOMPARE(capturefixture::openFileCount(), before);
}

QTEST_GUILESS_MAIN(TestSampleTable)
#include "tst_sampletable.moc"
