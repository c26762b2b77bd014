// Ticked channels taken from a sample table into slots: their order, their
// levels rounded from the fields, their sums, and the faults of each field.

#include "sampletabletools.h"
#include "util/fault.h"

#include <QTemporaryDir>
#include <QTest>

class TestLevelTable : public QObject {
    Q_OBJECT

private slots:
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

private:
    QString write(const CaptureRecipe& recipe)
    {
        return capturefixture::writeCapture(dir_, QStringLiteral("s.csv"), recipe);
    }
    QTemporaryDir dir_;
};

void TestLevelTable::slotOrder_data()
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

void TestLevelTable::slotOrder()
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

void TestLevelTable::badField_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("text"); // put at (row, channel); empty row text: see rowText
    QTest::addColumn<QByteArray>("rowText");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<QString>("failed");

    QTest::newRow("letter") << 3 << 3 << QByteArray("x") << QByteArray() << FaultKind::TypeMismatch
                            << "x";
    QTest::newRow("256") << 0 << 0 << QByteArray("256") << QByteArray() << FaultKind::Overflow
                         << "256";
    QTest::newRow("-1") << 100 << 15 << QByteArray("-1") << QByteArray() << FaultKind::Overflow
                        << "-1";
    QTest::newRow("255.5 rounds to 256")
        << 7 << 2 << QByteArray("255.5") << QByteArray() << FaultKind::Overflow << "255.5";
    QTest::newRow("empty field") << 2047 << 8 << QByteArray("") << QByteArray()
                                 << FaultKind::TypeMismatch << "";
    QTest::newRow("blank field") << 12 << 1 << QByteArray("  ") << QByteArray()
                                 << FaultKind::TypeMismatch << "  ";
    QTest::newRow("number and letter")
        << 5 << 4 << QByteArray("1a") << QByteArray() << FaultKind::TypeMismatch << "1a";
    QTest::newRow("quoted number")
        << 9 << 6 << QByteArray("\"1\"") << QByteArray() << FaultKind::TypeMismatch << "\"1\"";
    QTest::newRow("too few fields")
        << 40 << 3 << QByteArray() << QByteArray("0,1,0") << FaultKind::TypeMismatch << "";
}

void TestLevelTable::badField()
{
    QFETCH(int, row);
    QFETCH(int, channel);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, rowText);
    QFETCH(FaultKind, kind);
    QFETCH(QString, failed);
    CaptureRecipe recipe;
    if (rowText.isNull())
        recipe.fields[{row, channel}] = text;
    else
        recipe.rowText[row] = rowText;
    const QString path = write(recipe);
    const SampleTable table = readTable(path);
    try {
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
        const QString detail = kind == FaultKind::Overflow ? QStringLiteral(" is outside 0 … 255")
                                                           : QStringLiteral(" is not a number");
        QCOMPARE(fault.message(), Fault::kindName(kind) + QStringLiteral(": \"") + failed
                                      + QLatin1Char('"') + detail + place);
    }
}

void TestLevelTable::badFieldUnticked_data()
{
    QTest::addColumn<int>("value"); // of the check box of the damaged channel
    QTest::newRow("unticked") << 0;
    QTest::newRow("greyed") << 2;
}

void TestLevelTable::badFieldUnticked()
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

void TestLevelTable::conversion_data()
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

void TestLevelTable::conversion()
{
    QFETCH(QByteArray, text);
    QFETCH(int, level);
    CaptureRecipe recipe;
    recipe.fields[{10, 4}] = text;
    const LevelTable levels = selectChannels(readTable(write(recipe)), boxes({4}));
    QCOMPARE(int(levels.levels[0][10]), level);
    QCOMPARE(int(levels.sums[0]), level);
}

void TestLevelTable::sums_data()
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

void TestLevelTable::sums()
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

QTEST_GUILESS_MAIN(TestLevelTable)
#include "tst_leveltable.moc"
