#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "printing/windowsettings.h"
#include "tests/support/capturefixture.h"
#include "util/basicutilities.h"
#include "util/fault.h"

#include <QTemporaryDir>
#include <QTest>

using capturefixture::CaptureRecipe;
using csv::channelCount;
using csv::sampleCount;
using Channels = QList<int>;

namespace {

// The window's boxes, `ticked` ticked.
ChannelBoxes boxes(const Channels& ticked)
{
    ChannelBoxes b{std::vector<int>(channelCount, 0), std::vector<QString>(channelCount)};
    for (int c = 0; c < channelCount; ++c)
        b.captions[c] = QStringLiteral("name %1").arg(c);
    for (int c : ticked)
        b.values[c] = 1;
    return b;
}

LevelTable selectChannels(const SampleTable& table, const ChannelBoxes& b)
{
    return selectChannels(table, tickedChannels(b));
}

SampleTable readTable(const QString& path) { return readCapture(path).samples(); }

Channels allChannels()
{
    Channels all;
    for (int c = 0; c < channelCount; ++c)
        all << c;
    return all;
}

// A different pattern on every channel, so a slot holding the wrong column shows.
int pattern(int row, int channel) { return (row / (channel + 1) + channel) % 3 == 0 ? 1 : 0; }

} // namespace

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
    void slotOrder_data();
    void slotOrder();
    void badField_data();
    void badField();
    void badFieldUnticked_data();
    void badFieldUnticked();
    void conversion_data();
    void conversion();
    void sums_data();
    void sums();
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

void TestSampleTable::slotOrder_data()
{
    QTest::addColumn<QList<int>>("values"); // check-box values of channels 0 … 15
    QTest::addColumn<Channels>("channels"); // expected channel per slot

    QList<int> none(channelCount, 0);
    QList<int> threeSeven = none;
    threeSeven[3] = 1;
    threeSeven[7] = 1;
    QList<int> greyed = none;
    greyed[3] = 2;
    greyed[7] = 1;
    greyed[9] = -1;
    QList<int> all(channelCount, 1);
    QList<int> last = none;
    last[15] = 1;

    QTest::newRow("none") << none << Channels{};
    QTest::newRow("3 and 7") << threeSeven << Channels{3, 7};
    QTest::newRow("greyed is not ticked") << greyed << Channels{7};
    QTest::newRow("only 15") << last << Channels{15};
    QTest::newRow("all") << all << allChannels();
}

void TestSampleTable::slotOrder()
{
    QFETCH(QList<int>, values);
    QFETCH(Channels, channels);
    CaptureRecipe recipe;
    recipe.level = pattern;
    ChannelBoxes b = boxes({});
    for (int c = 0; c < channelCount; ++c)
        b.values[c] = values[c];

    const LevelTable levels = selectChannels(readTable(write(recipe)), b);
    QCOMPARE(int(levels.lastslot), channels.size() - 1);
    for (int s = 0; s < channels.size(); ++s) {
        const int c = channels[s];
        QCOMPARE(levels.channels[s], c);
        QCOMPARE(levels.slotnames[s], QStringLiteral("name %1").arg(c));
        int sum = 0;
        for (int r = 0; r <= sampleCount; ++r) {
            const int expected = pattern(std::min(r, sampleCount - 1), c);
            QCOMPARE(int(levels.levels[s][r]), expected);
            sum += r < sampleCount ? expected : 0;
        }
        QCOMPARE(int(levels.sums[s]), sum);
    }
    QCOMPARE(int(levels.sums.size()), channels.size());
}

void TestSampleTable::badField_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("text"); // put at (row, channel); empty row text: see rowText
    QTest::addColumn<QByteArray>("rowText");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<bool>("bus"); // also read as a bus's channel

    QTest::newRow("letter") << 3 << 3 << QByteArray("x") << QByteArray() << FaultKind::TypeMismatch
                            << "x" << false;
    QTest::newRow("256") << 0 << 0 << QByteArray("256") << QByteArray() << FaultKind::Overflow
                         << "256" << false;
    QTest::newRow("-1") << 100 << 15 << QByteArray("-1") << QByteArray() << FaultKind::Overflow
                        << "-1" << false;
    QTest::newRow("255.5 rounds to 256")
        << 7 << 2 << QByteArray("255.5") << QByteArray() << FaultKind::Overflow << "255.5" << false;
    QTest::newRow("empty field") << 2047 << 8 << QByteArray("") << QByteArray()
                                 << FaultKind::TypeMismatch << "" << false;
    QTest::newRow("blank field") << 12 << 1 << QByteArray("  ") << QByteArray()
                                 << FaultKind::TypeMismatch << "  " << false;
    QTest::newRow("number and letter")
        << 5 << 4 << QByteArray("1a") << QByteArray() << FaultKind::TypeMismatch << "1a" << false;
    QTest::newRow("quoted number") << 9 << 6 << QByteArray("\"1\"") << QByteArray()
                                   << FaultKind::TypeMismatch << "\"1\"" << false;
    QTest::newRow("too few fields")
        << 40 << 3 << QByteArray() << QByteArray("0,1,0") << FaultKind::TypeMismatch << "" << false;
    QTest::newRow("2 on a bus") << 30 << 5 << QByteArray("2") << QByteArray()
                                << FaultKind::TypeMismatch << "2" << true;
    QTest::newRow("letter on a bus")
        << 0 << 0 << QByteArray("x") << QByteArray() << FaultKind::TypeMismatch << "x" << true;
}

void TestSampleTable::badField()
{
    QFETCH(int, row);
    QFETCH(int, channel);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, rowText);
    QFETCH(FaultKind, kind);
    QFETCH(QString, failed);
    QFETCH(bool, bus);
    CaptureRecipe recipe;
    if (rowText.isNull())
        recipe.fields[{row, channel}] = text;
    else
        recipe.rowText[row] = rowText;
    const QString path = write(recipe);
    const SampleTable table = readTable(path);
    try {
        if (bus)
            selectChannels(table, tickedChannels(boxes({1, channel})), {{3, channel}});
        else
            selectChannels(table, boxes({0, channel}));
        QFAIL("no fault");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), kind);
        QCOMPARE(fault.file(), path);
        QCOMPARE(fault.line(), 6 + row);
        QCOMPARE(fault.field(), channel + 1);
        QCOMPARE(fault.channel(), channel);
        QVERIFY(fault.hasText());
        QCOMPARE(fault.text(), failed);
        const QString place = QStringLiteral(" (file %1, line %2, field %3, channel %4)")
                                  .arg(path)
                                  .arg(6 + row)
                                  .arg(channel + 1)
                                  .arg(channel);
        QString detail = kind == FaultKind::Overflow ? QStringLiteral(" is outside 0 … 255")
                                                     : QStringLiteral(" is not a number");
        if (failed == QLatin1String("2"))
            detail = QStringLiteral(" is not 0 or 1, as a bus's channel must be");
        QCOMPARE(fault.message(), Fault::kindName(kind) + QStringLiteral(": \"") + failed
                                      + QLatin1Char('"') + detail + place);
    }
}

void TestSampleTable::badFieldUnticked_data()
{
    QTest::addColumn<int>("value"); // of the check box of the damaged channel
    QTest::newRow("unticked") << 0;
    QTest::newRow("greyed") << 2;
}

void TestSampleTable::badFieldUnticked()
{
    QFETCH(int, value);
    CaptureRecipe recipe;
    recipe.level = pattern;
    recipe.fields[{3, 5}] = "x";
    recipe.fields[{4, 5}] = "";
    recipe.fields[{5, 5}] = "256";
    recipe.rowText[6] = "1,1";
    ChannelBoxes b = boxes({0, 1});
    b.values[5] = value;
    const LevelTable levels = selectChannels(readTable(write(recipe)), b);
    QCOMPARE(int(levels.lastslot), 1);
    QCOMPARE(int(levels.levels[0][6]), 1);
    QCOMPARE(int(levels.levels[1][6]), 1);
}

void TestSampleTable::conversion_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("level");

    QTest::newRow("1.5") << QByteArray("1.5") << 2;
    QTest::newRow("0.5") << QByteArray("0.5") << 0;
    QTest::newRow("2.5") << QByteArray("2.5") << 2;
    QTest::newRow("0.49") << QByteArray("0.49") << 0;
    QTest::newRow("blanks around") << QByteArray(" 1 ") << 1;
    QTest::newRow("plus sign") << QByteArray("+1") << 1;
    QTest::newRow("255") << QByteArray("255") << 255;
    QTest::newRow("-0.4") << QByteArray("-0.4") << 0;
}

void TestSampleTable::conversion()
{
    QFETCH(QByteArray, text);
    QFETCH(int, level);
    CaptureRecipe recipe;
    recipe.fields[{10, 4}] = text;
    const LevelTable levels = selectChannels(readTable(write(recipe)), boxes({4}));
    QCOMPARE(int(levels.levels[0][10]), level);
    QCOMPARE(int(levels.sums[0]), level);
}

void TestSampleTable::sums_data()
{
    QTest::addColumn<int>("constant"); // level of every row but those below
    QTest::addColumn<int>("highRows"); // rows 0 … highRows-1 hold 255
    QTest::addColumn<int>("oneRows");  // the next oneRows rows hold 1
    QTest::addColumn<int>("sum");      // -1: overflow

    QTest::newRow("all high") << 1 << 0 << 0 << 2048;
    QTest::newRow("all low") << 0 << 0 << 0 << 0;
    QTest::newRow("one high") << 0 << 0 << 1 << 1;
    QTest::newRow("all 15") << 15 << 0 << 0 << 30720;
    QTest::newRow("all 16") << 16 << 0 << 0 << -1;
    QTest::newRow("exactly 32767") << 0 << 128 << 127 << 32767;
    QTest::newRow("32768") << 0 << 128 << 128 << -1;
}

void TestSampleTable::sums()
{
    QFETCH(int, constant);
    QFETCH(int, highRows);
    QFETCH(int, oneRows);
    QFETCH(int, sum);
    CaptureRecipe recipe;
    recipe.level = [=](int row, int channel) {
        if (channel != 2)
            return 0;
        if (row < highRows)
            return 255;
        if (row < highRows + oneRows)
            return 1;
        return constant;
    };
    const QString path = write(recipe);
    const SampleTable table = readTable(path);
    try {
        const LevelTable levels = selectChannels(table, boxes({0, 2}));
        QCOMPARE(int(levels.sums[1]), sum);
        QCOMPARE(int(levels.sums[0]), 0);
    } catch (const Fault& fault) {
        QCOMPARE(sum, -1);
        QCOMPARE(fault.kind(), FaultKind::Overflow);
        QCOMPARE(fault.channel(), 2);
        QCOMPARE(fault.file(), path);
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
