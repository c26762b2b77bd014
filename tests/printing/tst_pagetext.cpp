#include "printing/page/pagetext.h"

#include "printinghelpers.h"

#include <QFont>
#include <QFontMetricsF>
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
    void timeAxisLabels_data();
    void timeAxisLabels();
};

void PageTextTest::tickFrequencyLine_data()
{
    QTest::addColumn<QString>("tickfrequency");
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("line");
    QTest::newRow("window defaults")
        << "10"
        << "100" << 0 << "Tick frequency:10 samples @ 100ns/sample =1000ns";
    QTest::newRow("fraction, us") << "10"
                                  << "2.5" << 1 << "Tick frequency:10 samples @ 2.5us/sample =25us";
    QTest::newRow("ms") << "4"
                        << "3" << 2 << "Tick frequency:4 samples @ 3ms/sample =12ms";
    QTest::newRow("empty resolution") << "10"
                                      << "" << 0 << "Tick frequency:10 samples";
    QTest::newRow("blank resolution is not empty")
        << "10"
        << " " << 0 << "Tick frequency:10 samples @  ns/sample =0ns";
    QTest::newRow("resolution printed as typed")
        << "10"
        << "100ns" << 0 << "Tick frequency:10 samples @ 100nsns/sample =1000ns";
    QTest::newRow("no unit chosen")
        << "10"
        << "100" << -1 << "Tick frequency:10 samples @ 100/sample =1000";
    QTest::newRow("unit past the list")
        << "10"
        << "100" << 3 << "Tick frequency:10 samples @ 100/sample =1000";
    QTest::newRow("spacing without number")
        << "abc"
        << "100" << 0 << "Tick frequency:abc samples @ 100ns/sample =0ns";
    QTest::newRow("spacing as typed, product unrounded")
        << "2.5"
        << "2" << 0 << "Tick frequency:2.5 samples @ 2ns/sample =5ns";
    QTest::newRow("no binary noise")
        << "3"
        << "0.1" << 0 << "Tick frequency:3 samples @ 0.1ns/sample =0.3ns";
    QTest::newRow("empty spacing") << ""
                                   << "100" << 0 << "Tick frequency: samples @ 100ns/sample =0ns";
}

void PageTextTest::tickFrequencyLine()
{
    QFETCH(QString, tickfrequency);
    QFETCH(QString, resolution);
    QFETCH(int, unit);
    QFETCH(QString, line);
    // As the window's controls hand the texts over.
    WindowSettings settings = windowSettings();
    settings.tickfrequency = tickfrequency;
    settings.resolution = resolution;
    settings.unitindex = unit;
    const PageRequest request = pageRequest(settings);
    QCOMPARE(::tickFrequencyLine(request.ticks, request.period), line);
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
    QCOMPARE(::unitText(index), text);
}

void PageTextTest::pageName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("printed");
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // two code units
    QTest::newRow("20 characters") << "ABCDEFGHIJKLMNOPQRST"
                                   << "ABCDEFGHIJKL";
    QTest::newRow("5 characters") << "CLOCK"
                                  << "CLOCK";
    QTest::newRow("exactly 12") << "ABCDEFGHIJKL"
                                << "ABCDEFGHIJKL";
    QTest::newRow("13") << "ABCDEFGHIJKLM"
                        << "ABCDEFGHIJKL";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("pair inside the cut") << "ABCDEFGHIJ" + clef + "XYZ"
                                         << "ABCDEFGHIJ" + clef;
    QTest::newRow("pair across the cut is dropped") << "ABCDEFGHIJK" + clef + "XY"
                                                    << "ABCDEFGHIJK";
}

void PageTextTest::pageName()
{
    QFETCH(QString, name);
    QFETCH(QString, printed);
    QCOMPARE(::pageName(name), printed);
}

void PageTextTest::layout_data()
{
    QTest::addColumn<int>("slotcount");
    QTest::addColumn<bool>("tickmarks");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("printed");
    QTest::newRow("three channels, tick marks") << 3 << true << "Bench run"
                                                << "Bench run";
    QTest::newRow("no tick marks") << 2 << false << "Bench run"
                                   << "Bench run";
    QTest::newRow("no channel") << 0 << true << "Only the heading"
                                << "Only the heading";
    QTest::newRow("empty heading is still printed") << 1 << false << ""
                                                    << "";
    QTest::newRow("all sixteen") << 16 << true << QString(300, QLatin1Char('h'))
                                 << QString(300, QLatin1Char('h'));
    QTest::newRow("line breaks print as spaces")
        << 1 << true << QStringLiteral("a\nb\r\nc\u2028d\u2029e\tf")
        << QStringLiteral("a b  c d e\tf");
}

void PageTextTest::layout()
{
    QFETCH(int, slotcount);
    QFETCH(bool, tickmarks);
    QFETCH(QString, heading);
    QFETCH(QString, printed);

    LevelTable table =
        levelTable(std::vector<SlotLevels>(std::size_t(slotcount), constantLevel(0)));
    for (int i = 0; i < slotcount; ++i)
        table.slotnames[std::size_t(i)] = QStringLiteral("Channel name %1").arg(i);

    RecordingSurface page;
    writePageText(page, table,
                  textRequest(heading, QStringLiteral("10"), QStringLiteral("100"), 0, tickmarks),
                  wholePage());

    std::vector<PrintedText> expected;
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 0; i < slotcount; ++i)
        expected.push_back(
            {1200, 1350 + 350 * i, 12, black, QStringLiteral("Channel name %1").arg(i).left(12)});
    expected.push_back({1200, 625, 12, black, printed});
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
    writePageText(page, levelTable({constantLevel(0)}),
                  textRequest(QStringLiteral("H"), QStringLiteral("10"), QString(), 0, true),
                  wholePage());
    using K = SurfaceCallKind;
    const std::vector<K> expected{K::CurrentX, K::CurrentY, K::FontSize, K::Print, // name
                                  K::CurrentX, K::CurrentY, K::FontSize, K::Print, // heading
                                  K::CurrentX, K::CurrentY, K::Print};             // tick line
    QVERIFY(page.kinds() == expected);
}

void PageTextTest::timeAxisLabels_data()
{
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<int>("unitindex");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("labels"); // first, second, last
    QTest::addColumn<int>("count");
    // 80 pixels a tick: a label "204.8 µs" wide needs every 20th.
    QTest::newRow("whole capture, 100 ns")
        << "100" << 0 << 10 << 0 << 2047 << QStringList{"0 µs", "20 µs", "200 µs"} << 11;
    // 320 pixels a tick: every 5th, from the first multiple of 50.
    QTest::newRow("samples 512-1023")
        << "100" << 0 << 10 << 512 << 1023 << QStringList{"55 µs", "60 µs", "100 µs"} << 10;
    QTest::newRow("2.5 us in milliseconds")
        << "2.5" << 1 << 10 << 0 << 2047 << QStringList{"0 ms", "0.5 ms", "5 ms"} << 11;
    QTest::newRow("ten samples of 1 ms, every tick")
        << "1" << 2 << 1 << 0 << 9 << QStringList{"0 ms", "1 ms", "10 ms"} << 11;
    QTest::newRow("seconds") << "500" << 2 << 100 << 0 << 2047
                             << QStringList{"0 s", "50 s", "1000 s"} << 21;
    QTest::newRow("no unit: sample numbers")
        << "100" << -1 << 100 << 0 << 2047 << QStringList{"0", "100", "2000"} << 21;
}

// Labels in one short unit, at ticks whose labels, as the page font sets
// them, keep clear of each other.
void PageTextTest::timeAxisLabels()
{
    QFETCH(QString, resolution);
    QFETCH(int, unitindex);
    QFETCH(int, spacing);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, labels);
    QFETCH(int, count);
    PageOptions options;
    options.firstsample = first;
    options.lastsample = last;
    options.timeaxis = true;
    const PageLayout layout = pageLayouts(options, sampleCount).front();
    const std::vector<TimeLabel> made =
        timeLabels(spacing, layout, SamplePeriod::read(resolution, unitindex).seconds);
    QCOMPARE(int(made.size()), count);
    QCOMPARE(made[0].text, labels[0]);
    QCOMPARE(made[1].text, labels[1]);
    QCOMPARE(made.back().text, labels[2]);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(150); // 9 points at 1200 dpi
    const QFontMetricsF metrics(font);
    for (std::size_t i = 1; i < made.size(); ++i) {
        const double end =
            layout.sampleX(made[i - 1].sample) + metrics.horizontalAdvance(made[i - 1].text);
        QVERIFY2(end < layout.sampleX(made[i].sample),
                 qPrintable(made[i - 1].text + QStringLiteral(" meets ") + made[i].text));
    }
}

QTEST_MAIN(PageTextTest)
#include "tst_pagetext.moc"
