#include "printing/page/pagetext.h"

#include "printinghelpers.h"

#include <QtTest>

class PageTextTest : public QObject {
    Q_OBJECT

private slots:
    void tickFrequencyLine_data();
    void tickFrequencyLine();
    void unitText_data();
    void unitText();
    void pageName_data();
    void pageName();
    void layout_data();
    void layout();
    void callOrderPerText();
};

void PageTextTest::tickFrequencyLine_data()
{
    QTest::addColumn<QString>("tickfrequency");
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("line");
    QTest::newRow("window defaults") << "10" << "100" << 0
                                     << "Tick frequency:10 samples @ 100ns/sample =1000ns";
    QTest::newRow("fraction, us") << "10" << "2.5" << 1
                                  << "Tick frequency:10 samples @ 2.5us/sample =25us";
    QTest::newRow("ms") << "4" << "3" << 2 << "Tick frequency:4 samples @ 3ms/sample =12ms";
    QTest::newRow("empty resolution") << "10" << "" << 0 << "Tick frequency:10 samples";
    QTest::newRow("blank resolution is not empty")
        << "10" << " " << 0 << "Tick frequency:10 samples @  ns/sample =0ns";
    QTest::newRow("resolution printed as typed")
        << "10" << "100ns" << 0 << "Tick frequency:10 samples @ 100nsns/sample =1000ns";
    QTest::newRow("no unit chosen") << "10" << "100" << -1
                                    << "Tick frequency:10 samples @ 100/sample =1000";
    QTest::newRow("unit past the list") << "10" << "100" << 3
                                        << "Tick frequency:10 samples @ 100/sample =1000";
    QTest::newRow("spacing without number")
        << "abc" << "100" << 0 << "Tick frequency:abc samples @ 100ns/sample =0ns";
    QTest::newRow("spacing as typed, product unrounded")
        << "2.5" << "2" << 0 << "Tick frequency:2.5 samples @ 2ns/sample =5ns";
    QTest::newRow("no binary noise") << "3" << "0.1" << 0
                                     << "Tick frequency:3 samples @ 0.1ns/sample =0.3ns";
    QTest::newRow("empty spacing") << "" << "100" << 0
                                   << "Tick frequency: samples @ 100ns/sample =0ns";
}

void PageTextTest::tickFrequencyLine()
{
    QFETCH(QString, tickfrequency);
    QFETCH(QString, resolution);
    QFETCH(int, unit);
    QFETCH(QString, line);
    QCOMPARE(tickfrequencyline(tickfrequency, resolution, unit), line);
}

void PageTextTest::unitText_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "ns";
    QTest::newRow("1") << 1 << "us";
    QTest::newRow("2") << 2 << "ms";
    QTest::newRow("3") << 3 << "";
    QTest::newRow("-1") << -1 << "";
}

void PageTextTest::unitText()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QCOMPARE(unittext(index), text);
}

void PageTextTest::pageName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("printed");
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");   // two code units
    QTest::newRow("20 characters") << "ABCDEFGHIJKLMNOPQRST" << "ABCDEFGHIJKL";
    QTest::newRow("5 characters") << "CLOCK" << "CLOCK";
    QTest::newRow("exactly 12") << "ABCDEFGHIJKL" << "ABCDEFGHIJKL";
    QTest::newRow("13") << "ABCDEFGHIJKLM" << "ABCDEFGHIJKL";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("pair inside the cut") << "ABCDEFGHIJ" + clef + "XYZ"
                                         << "ABCDEFGHIJ" + clef;
    QTest::newRow("pair across the cut is dropped")
        << "ABCDEFGHIJK" + clef + "XY" << "ABCDEFGHIJK";
}

void PageTextTest::pageName()
{
    QFETCH(QString, name);
    QFETCH(QString, printed);
    QCOMPARE(pagename(name), printed);
}

void PageTextTest::layout_data()
{
    QTest::addColumn<int>("slotcount");
    QTest::addColumn<bool>("tickmarks");
    QTest::addColumn<QString>("heading");
    QTest::newRow("three channels, tick marks") << 3 << true << "Bench run";
    QTest::newRow("no tick marks") << 2 << false << "Bench run";
    QTest::newRow("no channel") << 0 << true << "Only the heading";
    QTest::newRow("empty heading is still printed") << 1 << false << "";
    QTest::newRow("all sixteen") << 16 << true << QString(300, QLatin1Char('h'));
}

void PageTextTest::layout()
{
    QFETCH(int, slotcount);
    QFETCH(bool, tickmarks);
    QFETCH(QString, heading);

    LevelTable table = levelTable(std::vector<SlotLevels>(std::size_t(slotcount), constantLevel(0)));
    for (int i = 0; i < slotcount; ++i)
        table.slotnames[std::size_t(i)] = QStringLiteral("Channel name %1").arg(i);

    RecordingSurface page;
    writepagetext(page, table, {heading, QStringLiteral("10"), QStringLiteral("100"), 0, tickmarks});

    std::vector<PrintedText> expected;
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 0; i < slotcount; ++i)
        expected.push_back({1200, 1350 + 350 * i, 12, black, QStringLiteral("Channel name %1").arg(i).left(12)});
    expected.push_back({1200, 625, 12, black, heading});
    if (tickmarks)
        expected.push_back({1200, 850, 12, black,
                            QStringLiteral("Tick frequency:10 samples @ 100ns/sample =1000ns")});
    const std::vector<PrintedText> texts = page.texts();
    QCOMPARE(texts.size(), expected.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QCOMPARE(texts[i].text, expected[i].text);
        QVERIFY2(texts[i] == expected[i], qPrintable(QStringLiteral("text %1").arg(i)));
    }
    QCOMPARE(page.count(SurfaceCallKind::Line), std::size_t(0));
}

void PageTextTest::callOrderPerText()
{
    RecordingSurface page;
    writepagetext(page, levelTable({constantLevel(0)}),
                  {QStringLiteral("H"), QStringLiteral("10"), QString(), 0, true});
    using K = SurfaceCallKind;
    const std::vector<K> expected{K::CurrentX, K::CurrentY, K::FontSize, K::Print,   // name
                                  K::CurrentX, K::CurrentY, K::FontSize, K::Print,   // heading
                                  K::CurrentX, K::CurrentY, K::Print};               // tick line
    QVERIFY(page.kinds() == expected);
}

QTEST_GUILESS_MAIN(PageTextTest)
#include "tst_pagetext.moc"
