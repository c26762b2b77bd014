#include "printing/page/tracedrawing.h"

#include "printinghelpers.h"
#include "util/fault.h"

#include <QtTest>

#include <algorithm>

class TraceDrawingTest : public QObject {
    Q_OBJECT

private slots:
    void tickSpacing_data();
    void tickSpacing();
    void tickMarks_data();
    void tickMarks();
    void tickOverflowDrawsNothing_data();
    void tickOverflowDrawsNothing();
    void noTickMarksWhenUnticked();
    void guideLines_data();
    void guideLines();
    void traceEdges_data();
    void traceEdges();
    void constantChannelIsOneSegmentPerSample();
    void slotZeroIsAlwaysAtTheFirstBaseLine();
    void lineAttributesInDrawingOrder();
    void levelOverflow_data();
    void levelOverflow();
    void pagesOfARange_data();
    void pagesOfARange();
};

namespace {

std::vector<DrawnLine> ticksOf(const RecordingSurface& page)
{
    std::vector<DrawnLine> out;
    for (const DrawnLine& line : page.lines())
        if (line.y1 == tickTop)
            out.push_back(line);
    return out;
}

std::vector<DrawnLine> withWidth(const std::vector<DrawnLine>& lines, int width)
{
    std::vector<DrawnLine> out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                 [width](const DrawnLine& line) { return line.width == width; });
    return out;
}

} // namespace

void TraceDrawingTest::tickSpacing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("spacing");
    QTest::newRow("whole") << "10" << 10;
    QTest::newRow("half rounds to even, down") << "2.5" << 2;
    QTest::newRow("half rounds to even, up") << "3.5" << 4;
    QTest::newRow("0.5 rounds to 0") << "0.5" << 0;
    QTest::newRow("number then letters") << "10abc" << 10;
    QTest::newRow("leading blanks") << "  7" << 7;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1);
}

void TraceDrawingTest::tickSpacing()
{
    QFETCH(QString, text);
    QFETCH(int, spacing);
    QCOMPARE(::tickSpacing(text), spacing);
}

void TraceDrawingTest::tickMarks_data()
{
    QTest::addColumn<QString>("tickfrequency");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("lastX");
    QTest::newRow("10") << "10" << 205 << 3000 + 8 * 2040;
    QTest::newRow("2048") << "2048" << 2 << 19384;
    QTest::newRow("1") << "1" << 2049 << 19384;
    QTest::newRow("5000") << "5000" << 1 << 3000;
    QTest::newRow("2047") << "2047" << 2 << 3000 + 8 * 2047;
    QTest::newRow("largest spacing") << "2147483647" << 1 << 3000;
    QTest::newRow("negative") << "-10" << 0 << 0;
    QTest::newRow("smallest spacing") << "-2147483648" << 0 << 0;
    // Zero would step for ever: no tick marks instead.
    QTest::newRow("0") << "0" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("no number") << "abc" << 0 << 0;
    QTest::newRow("rounds to 0") << "0.4" << 0 << 0;
    QTest::newRow("2.5 is 2") << "2.5" << 1025 << 19384;
    QTest::newRow("3.5 is 4") << "3.5" << 513 << 19384;
    QTest::newRow("10abc is 10") << "10abc" << 205 << 3000 + 8 * 2040;
}

void TraceDrawingTest::tickMarks()
{
    QFETCH(QString, tickfrequency);
    QFETCH(int, count);
    QFETCH(int, lastX);

    RecordingSurface page;
    drawtraces(page, levelTable({}), TickMarks::read(true, tickfrequency), wholePage());
    const std::vector<DrawnLine> lines = page.lines();
    QCOMPARE(int(lines.size()), count);
    QCOMPARE(int(page.count(SurfaceCallKind::DrawWidth)), 1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const DrawnLine& tick = lines[i];
        QCOMPARE(tick.x1, tick.x2);
        QCOMPARE(tick.y1, 1250);
        QCOMPARE(tick.y2, 1300);
        QCOMPARE(tick.width, 1);
        QCOMPARE(tick.style, 0);
        QCOMPARE(tick.colour, qRgb(0, 0, 0));
        if (i > 0)
            QVERIFY(tick.x1 > lines[i - 1].x1);
    }
    if (count > 0) {
        QCOMPARE(lines.front().x1, 3000);
        QCOMPARE(lines.back().x1, lastX);
    }
}

void TraceDrawingTest::tickOverflowDrawsNothing_data()
{
    QTest::addColumn<QString>("tickfrequency");
    QTest::newRow("just past 32 bits") << "2147483648";
    QTest::newRow("just below 32 bits") << "-2147483649";
    QTest::newRow("exponent") << "1e10";
    QTest::newRow("half past the largest") << "2147483647.5";
}

void TraceDrawingTest::tickOverflowDrawsNothing()
{
    QFETCH(QString, tickfrequency);
    RecordingSurface page;
    try {
        drawtraces(page, levelTable({constantLevel(1)}), TickMarks::read(true, tickfrequency),
                   wholePage());
        QFAIL("no fault");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::Overflow);
        QVERIFY(fault.message().contains(tickfrequency));
    }
    QVERIFY(page.isEmpty());
}

void TraceDrawingTest::noTickMarksWhenUnticked()
{
    RecordingSurface page;
    // Not even a bad spacing matters without tick marks.
    drawtraces(page, levelTable({}), TickMarks::read(false, QStringLiteral("1e10")), wholePage());
    QVERIFY(page.isEmpty());
}

void TraceDrawingTest::guideLines_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("guideY"); // 0: no guide
    const int base0 = 1550;
    const int base3 = 1550 + 3 * 350;
    QTest::newRow("slot 0 always high: guide at the base line") << 0 << 1 << base0;
    QTest::newRow("slot 0 always low: guide at the high level") << 0 << 0 << base0 - 150;
    QTest::newRow("slot 3 always high") << 3 << 1 << base3;
    QTest::newRow("slot 3 always low") << 3 << 0 << base3 - 150;
    QTest::newRow("moving channel: no guide") << 0 << -1 << 0;
}

void TraceDrawingTest::guideLines()
{
    QFETCH(int, slot);
    QFETCH(int, level);
    QFETCH(int, guideY);

    const SlotLevels levels =
        level < 0 ? SlotLevels([](int k) { return k % 2; }) : constantLevel(level);
    std::vector<SlotLevels> slotlist(std::size_t(slot),
                                     SlotLevels([](int k) { return (k / 3) % 2; }));
    slotlist.push_back(levels);

    RecordingSurface page;
    drawtraces(page, levelTable(slotlist), TickMarks(), wholePage());
    std::vector<DrawnLine> guides;
    for (const DrawnLine& line : page.lines())
        if (line.style == 2)
            guides.push_back(line);
    if (guideY == 0) {
        QVERIFY(guides.empty());
        return;
    }
    QCOMPARE(int(guides.size()), 1);
    QCOMPARE(guides[0], (DrawnLine{3000, guideY, 19384, guideY, 1, 2, qRgb(0, 128, 0)}));
}

void TraceDrawingTest::traceEdges_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QList<QLine>>("edges");
    QTest::newRow("0 for ten samples, then 1") << 0 << QList<QLine>{QLine(3080, 1550, 3080, 1400)};
    QTest::newRow("a single 1 at the last sample")
        << 1 << QList<QLine>{QLine(19376, 1550, 19376, 1400)};
    QTest::newRow("a single 1 at the first sample")
        << 2 << QList<QLine>{QLine(3008, 1400, 3008, 1550)};
    QTest::newRow("a pulse of one sample at 100")
        << 3 << QList<QLine>{QLine(3800, 1550, 3800, 1400), QLine(3808, 1400, 3808, 1550)};
}

void TraceDrawingTest::traceEdges()
{
    QFETCH(int, pattern);
    QFETCH(QList<QLine>, edges);
    const std::vector<SlotLevels> patterns{
        [](int k) { return k >= 10 ? 1 : 0; },
        [](int k) { return k == 2047 ? 1 : 0; },
        [](int k) { return k == 0 ? 1 : 0; },
        [](int k) { return k == 100 ? 1 : 0; },
    };
    const SlotLevels levels = patterns[std::size_t(pattern)];

    RecordingSurface page;
    drawtraces(page, levelTable({levels}), TickMarks(), wholePage());
    const std::vector<DrawnLine> trace = withWidth(page.lines(), 3);

    QList<QLine> vertical;
    int horizontal = 0;
    for (const DrawnLine& line : trace) {
        if (line.isVertical())
            vertical << QLine(line.x1, line.y1, line.x2, line.y2);
        else {
            QVERIFY(line.isHorizontal());
            const int k = (line.x1 - 3000) / 8;
            QCOMPARE(line.x1, 3000 + 8 * k);
            QCOMPARE(line.x2, 3000 + 8 * (k + 1));
            QCOMPARE(line.y1, 1550 - 150 * levels(k));
            ++horizontal;
        }
    }
    QCOMPARE(horizontal, 2048);
    QCOMPARE(vertical, edges);
}

void TraceDrawingTest::constantChannelIsOneSegmentPerSample()
{
    RecordingSurface page;
    drawtraces(page, levelTable({constantLevel(1)}), TickMarks(), wholePage());
    const std::vector<DrawnLine> trace = withWidth(page.lines(), 3);
    QCOMPARE(int(trace.size()), 2048);
    int x = 3000;
    for (const DrawnLine& segment : trace) {
        QCOMPARE(segment, (DrawnLine{x, 1400, x + 8, 1400, 3, 0, qRgb(0, 0, 0)}));
        x += 8;
    }
    QCOMPARE(x, 19384);
}

void TraceDrawingTest::slotZeroIsAlwaysAtTheFirstBaseLine()
{
    RecordingSurface page;
    // Channel 7 alone: slot 0, base line 1550; channel 9 in slot 15: 6800.
    std::vector<SlotLevels> slotlist(16, constantLevel(0));
    std::vector<int> channels{7, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 9};
    drawtraces(page, levelTable(slotlist, channels), TickMarks(), wholePage());
    const std::vector<DrawnLine> trace = withWidth(page.lines(), 3);
    QCOMPARE(trace.front().y1, 1550);
    QCOMPARE(trace.back().y1, 6800);
}

void TraceDrawingTest::lineAttributesInDrawingOrder()
{
    RecordingSurface page;
    drawtraces(page, levelTable({constantLevel(1), [](int k) { return k % 2; }}),
               TickMarks::read(true, QStringLiteral("1024")), wholePage());
    // Attributes are set before every group, also before a slot without guide.
    std::vector<std::tuple<int, int, QRgb>> attributes;
    SurfaceState state;
    SurfaceCallKind previous = SurfaceCallKind::Line;
    for (const SurfaceCall& call : page.calls()) {
        state.apply(call);
        if (call.kind == SurfaceCallKind::ForeColor) {
            QCOMPARE(previous, SurfaceCallKind::DrawStyle);
            attributes.emplace_back(state.drawwidth, state.drawstyle, state.forecolor);
        }
        previous = call.kind;
    }
    const QRgb black = qRgb(0, 0, 0);
    const QRgb green = qRgb(0, 128, 0);
    const std::vector<std::tuple<int, int, QRgb>> expected{
        {1, 0, black}, {1, 2, green}, {3, 0, black}, {1, 2, green}, {3, 0, black}};
    QVERIFY(attributes == expected);
    QCOMPARE(int(ticksOf(page).size()), 3);
}

void TraceDrawingTest::levelOverflow_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("sample");
    QTest::addColumn<bool>("fault");
    QTest::newRow("218 is drawn") << 218 << 5 << false;
    QTest::newRow("219 at sample 5") << 219 << 5 << true;
    QTest::newRow("255 at the last sample") << 255 << 2047 << true;
    QTest::newRow("219 at the first sample") << 219 << 0 << true;
}

void TraceDrawingTest::levelOverflow()
{
    QFETCH(int, level);
    QFETCH(int, sample);
    QFETCH(bool, fault);

    // Slot 1 holds channel 6; slot 0 is fine and would be drawn first.
    const LevelTable table =
        levelTable({constantLevel(1), [=](int k) { return k == sample ? level : 0; }}, {2, 6});
    RecordingSurface page;
    if (!fault) {
        drawtraces(page, table, TickMarks::read(true, QStringLiteral("10")), wholePage(),
                   QStringLiteral("a.csv"));
        const std::vector<DrawnLine> trace = withWidth(page.lines(), 3);
        // Slot 1's segment for the sample: after slot 0's 2048 lines and the rising edge.
        QCOMPARE(trace[2048 + std::size_t(sample) + 1],
                 (DrawnLine{3000 + 8 * sample, 1900 - 150 * level, 3008 + 8 * sample,
                            1900 - 150 * level, 3, 0, qRgb(0, 0, 0)}));
        return;
    }
    try {
        drawtraces(page, table, TickMarks::read(true, QStringLiteral("10")), wholePage(),
                   QStringLiteral("a.csv"));
        QFAIL("no fault");
    } catch (const Fault& f) {
        QCOMPARE(f.kind(), FaultKind::Overflow);
        QCOMPARE(f.file(), QStringLiteral("a.csv"));
        QCOMPARE(f.channel(), 6);
        QCOMPARE(f.field(), 7);
        QCOMPARE(f.line(), 6 + sample);
        QVERIFY(f.message().contains(QStringLiteral("sample %1").arg(sample)));
    }
    QVERIFY2(page.isEmpty(), "a fault leaves the page untouched");
}

void TraceDrawingTest::pagesOfARange_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("page"); // the page looked at, from 0
    QTest::addColumn<int>("pagefirst");
    QTest::addColumn<int>("pagelast");
    QTest::addColumn<int>("secondx");      // the boundary after the page's first sample
    QTest::addColumn<int>("rightx");       // after its last sample
    QTest::addColumn<QList<int>>("ticks"); // first and last tick x, and how many
    // Worked out by hand: 16384 pixels of trace shared by the samples of a page.
    QTest::newRow("samples 512-1023: 32 pixels each")
        << 512 << 1023 << 1 << 0 << 512 << 1023 << 3032 << 19384 << QList<int>{3256, 19256, 51};
    QTest::newRow("the whole over 4 pages, page 2")
        << 0 << 2047 << 4 << 1 << 512 << 1023 << 3032 << 19384 << QList<int>{3256, 19256, 51};
    QTest::newRow("samples 600-900: 54.43 pixels each")
        << 600 << 900 << 1 << 0 << 600 << 900 << 3054 << 19384 << QList<int>{3000, 19330, 31};
    QTest::newRow("the whole over 3 pages, the short last one")
        << 0 << 2047 << 3 << 2 << 1366 << 2047 << 3024 << 19360 << QList<int>{3096, 19168, 68};
    QTest::newRow("one sample") << 2047 << 2047 << 1 << 0 << 2047 << 2047 << 19384 << 19384
                                << QList<int>{0, 0, 0};
}

// Slot 0 toggles at every sample, slot 1 is high only before sample 100, so
// it never changes within a range after it; slot 2 is always high. Tick
// marks every 10 samples, counted from sample 0.
void TraceDrawingTest::pagesOfARange()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, pages);
    QFETCH(int, page);
    QFETCH(int, pagefirst);
    QFETCH(int, pagelast);
    QFETCH(int, secondx);
    QFETCH(int, rightx);
    QFETCH(QList<int>, ticks);
    const auto toggling = [](int k) { return k % 2; };
    const auto early = [](int k) { return k < 100 ? 1 : 0; };
    const auto high = [](int) { return 1; };
    PageOptions options;
    options.firstsample = first;
    options.lastsample = last;
    options.pages = pages;
    const std::vector<PageLayout> layouts = pageLayouts(options, sampleCount);
    QCOMPARE(int(layouts.size()), pages);
    const PageLayout& layout = layouts[std::size_t(page)];
    QCOMPARE(layout.first, pagefirst);
    QCOMPARE(layout.last, pagelast);

    RecordingSurface surface;
    drawtraces(surface, levelTable({toggling, early, high}),
               TickMarks::read(true, QStringLiteral("10")), layout);
    const std::vector<DrawnLine> lines = surface.lines();
    const std::vector<DrawnLine> tickLines = ticksOf(surface);
    QCOMPARE(int(tickLines.size()), ticks[2]);
    if (!tickLines.empty()) {
        QCOMPARE(tickLines.front().x1, ticks[0]);
        QCOMPARE(tickLines.back().x1, ticks[1]);
    }

    // Slot 0: a segment for every sample of the page, an edge between every
    // two of them, and one at the start when a page before it ended on the
    // other level.
    std::vector<DrawnLine> horizontal, vertical;
    for (const DrawnLine& line : withWidth(lines, 3)) {
        if (line.y1 >= 1400 && line.y2 <= 1550 && line.y1 <= 1550)
            (line.isVertical() ? vertical : horizontal).push_back(line);
    }
    QCOMPARE(int(horizontal.size()), pagelast - pagefirst + 1);
    QCOMPARE(horizontal.front().x1, 3000);
    QCOMPARE(horizontal.front().x2, secondx);
    QCOMPARE(horizontal.back().x2, rightx);
    QCOMPARE(horizontal.front().y1, 1550 - 150 * toggling(pagefirst));
    const int startEdge = layout.page > 0 ? 1 : 0;
    QCOMPARE(int(vertical.size()), pagelast - pagefirst + startEdge);
    if (startEdge)
        QCOMPARE(vertical.front().x1, 3000);

    // Guide lines span the page: slot 1 is low all through any range after
    // sample 100 (a guide at its high level), slot 2 high throughout.
    const std::vector<DrawnLine> guides = withWidth(lines, 1);
    QList<int> guideRows;
    for (const DrawnLine& line : guides) {
        if (line.style == 2) {
            QCOMPARE(line.x1, 3000);
            QCOMPARE(line.x2, rightx);
            guideRows << line.y1;
        }
    }
    QList<int> expectedGuides;
    if (first == last)
        expectedGuides << 1550; // one sample never changes
    if (first >= 100)
        expectedGuides << 1750;
    expectedGuides << 2250;
    QCOMPARE(guideRows, expectedGuides);
}

QTEST_GUILESS_MAIN(TraceDrawingTest)
#include "tst_tracedrawing.moc"
