// A bus lane read back from the PDF (its values) and from the recorded page
// (its crossings), both worked out from the capture the test writes.
#include "capture/csvcapture.h"
#include "popplertools.h"
#include "printing/drawpages.h"
#include "printing/output/formats.h"
#include "printing/page/buslanes.h"
#include "printing/page/recordingsurface.h"
#include "printinghelpers.h"
#include "tests/support/capturefixture.h"

#include <QtTest>

#include <set>

using namespace capturefixture;

namespace {

// Channels 7 … 0 hold these values, each for this many samples, in order;
// the last lasts to the end of the capture.
const std::vector<std::pair<int, int>> stretches = {{300, 0x48}, {1, 0x69}, {2, 0x21},   {80, 0xa5},
                                                    {400, 0x5c}, {3, 0x00}, {600, 0x7f}, {0, 0x20}};

int busValue(int sample)
{
    int start = 0;
    for (const auto& [samples, value] : stretches) {
        if (sample < start + samples || samples == 0)
            return value;
        start += samples;
    }
    return 0;
}

// The x of the boundary before sample k on a page of `perpage` samples from `first`.
int sampleX(int k, int first, int perpage)
{
    return 3000 + int(std::lround(16384.0 * (k - first) / perpage));
}

} // namespace

class BusLanesTest : public QObject {
    Q_OBJECT

private slots:
    void valuesAndCrossings_data();
    void valuesAndCrossings();
    void laneOfStretches_data();
    void laneOfStretches();
};

void BusLanesTest::valuesAndCrossings_data()
{
    QTest::addColumn<int>("radix");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("page"); // from 1
    QTest::addColumn<bool>("trace");
    QTest::addColumn<bool>("timeaxis");
    // In order; "…" at the end: cut to some of its first characters, then "…".
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("hex, whole capture") << int(Radix::Hex) << 0 << 2047 << 1 << 1 << false << false
                                        << QStringList{"48", "A5", "5C", "7F", "20"};
    QTest::newRow("bin, a trace above")
        << int(Radix::Bin) << 0 << 2047 << 1 << 1 << true << false
        << QStringList{"01001000", "10100101…", "01011100", "01111111", "00100000"};
    // 500 samples a page, the second beginning with a change.
    QTest::newRow("dec, second page of a range")
        << int(Radix::Dec) << 283 << 1282 << 2 << 2 << false << true << QStringList{"127"};
    QTest::newRow("ascii, first page of a range")
        << int(Radix::Ascii) << 283 << 1282 << 2 << 1 << true << true
        << QStringList{"H", "\\xA5", "\\\\"};
    QTest::newRow("ascii, whole capture")
        << int(Radix::Ascii) << 0 << 2047 << 1 << 1 << false << false
        << QStringList{"H", "\\xA5", "\\\\", "\\x7F", "\\x20"};
}

void BusLanesTest::valuesAndCrossings()
{
    QFETCH(int, radix);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, pages);
    QFETCH(int, page);
    QFETCH(bool, trace);
    QFETCH(bool, timeaxis);
    QFETCH(QStringList, texts);
    CaptureRecipe recipe;
    recipe.level = [](int row, int channel) {
        return channel < 8 ? busValue(row) >> channel & 1 : 0;
    };
    QTemporaryDir dir;
    const Capture capture = readCapture(writeCapture(dir, QStringLiteral("bus.csv"), recipe));
    PageRequest r = request(QStringLiteral("H"));
    r.options.firstsample = first;
    r.options.lastsample = last;
    r.options.pages = pages;
    r.options.timeaxis = timeaxis;
    r.channels =
        trace ? std::vector<ChosenChannel>{{9, QStringLiteral("T")}} : std::vector<ChosenChannel>{};
    r.options.buses = {
        {QStringLiteral("DATA BUS 7-0 LONG"), {7, 6, 5, 4, 3, 2, 1, 0}, Radix(radix)}};
    const std::vector<RecordedPage> drawn = drawPages(r, capture);
    const int perpage = (last - first + pages) / pages;
    const int from = first + (page - 1) * perpage;
    const int to = std::min(last, from + perpage - 1);
    const int base = 1550 + 350 * int(trace) + (timeaxis ? 200 : 0);
    const int middle = base - 75;

    // The lines cross where the value changes, or meet there at a page's edge.
    std::set<int> crossings, changes;
    std::vector<std::pair<int, int>> slants;
    for (int k = from; k <= to + 1 && k < sampleCount; ++k)
        if ((k > from || page > 1) && k > 0 && busValue(k) != busValue(k - 1))
            changes.insert(sampleX(k, from, perpage));
    for (const DrawnLine& line : drawnLines(drawn[std::size_t(page - 1)].calls)) {
        if (line.isHorizontal() || std::min(line.y1, line.y2) < base - 150
            || std::max(line.y1, line.y2) > base)
            continue;
        QVERIFY(line.x1 >= 3000 && line.x2 <= 19384);
        slants.emplace_back(std::min(line.x1, line.x2), std::max(line.x1, line.x2));
        crossings.insert(line.y1 == middle   ? line.x1
                         : line.y2 == middle ? line.x2
                                             : (line.x1 + line.x2) / 2);
    }
    QCOMPARE(crossings, changes);

    // Each value clear of the slants, its middle on the lane's; the name beside it.
    const QString pdf = dir.filePath(QStringLiteral("bus.pdf"));
    DocumentSource source;
    source.pages = drawn;
    QVERIFY(writeBytes(pdf, writeDocuments(documentFormat(OutputFormat::Pdf), source, {pdf})[0]));
    QStringList name, lane;
    for (const poppler::Word& word : poppler::words(pdf, page)) {
        const double left = word.xMin * 1200 / 72, right = word.xMax * 1200 / 72;
        const double top = word.yMin * 1200 / 72, bottom = word.yMax * 1200 / 72;
        if (left < 2900 && std::abs(top - (base - 200)) < 20)
            name << word.text;
        if (left < 2900 || std::abs((top + bottom) / 2 - middle) >= 10)
            continue;
        QVERIFY(left >= 3000 && right <= sampleX(to + 1, from, perpage));
        for (const auto& [a, b] : slants)
            QVERIFY(right <= a || left >= b);
        const QString& text = word.text;
        lane << (texts.value(lane.size()).endsWith(u'…') && text.endsWith(u'…') && text.size() > 1
                         && texts.value(lane.size()).startsWith(text.chopped(1))
                     ? texts.value(lane.size())
                     : text);
    }
    QCOMPARE(name.join(u' '), QStringLiteral("DATA BUS 7-0"));
    QCOMPARE(lane, texts);
}

void BusLanesTest::laneOfStretches_data()
{
    QTest::addColumn<QStringList>("stretches"); // "FIRST END TEXT|TEXT…" on a page of 1000 samples
    QTest::addColumn<QStringList>("texts");     // as above
    QTest::addColumn<QList<int>>("meets");      // samples where the lines cross or close
    QTest::newRow("a gap, the longest text that fits")
        << QStringList{"0 100 A TEXT FAR TOO LONG FOR A HUNDRED SAMPLES|MEDIUM WORD|M", "100 103 W",
                       "400 1000 X"}
        << QStringList{"MEDIUM WORD", "X"} << QList<int>{0, 100, 103, 400, 1000};
    QTest::newRow("cut square past the page")
        << QStringList{"-5 300 A", "300 1200 B"} << QStringList{"A", "B"} << QList<int>{300};
    QTest::newRow("none fits whole")
        << QStringList{"-1 40 ABCDEFGHIJKLMNOPQRST|ABCDEFGHIJ", "40 1001 Z"}
        << QStringList{"ABCDEFGHIJ…", "Z"} << QList<int>{40};
}

void BusLanesTest::laneOfStretches()
{
    QFETCH(QStringList, stretches);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, meets);
    std::vector<LaneStretch> lane;
    for (const QString& s : stretches)
        lane.push_back({s.section(u' ', 0, 0).toInt(), s.section(u' ', 1, 1).toInt(),
                        s.section(u' ', 2).split(u'|')});
    RecordingSurface page;
    drawLane(page, lane, 0, PageLayout::wholeCapture(1000));
    std::set<int> met, want;
    for (const int k : meets)
        want.insert(sampleX(k, 0, 1000));
    for (const DrawnLine& line : page.lines()) {
        // Nothing between stretches that do not meet.
        for (int k = 0; k + 1 < stretches.size(); ++k)
            QVERIFY(lane[k].end == lane[k + 1].first
                    || std::max(line.x1, line.x2) <= sampleX(lane[k].end, 0, 1000)
                    || std::min(line.x1, line.x2) >= sampleX(lane[k + 1].first, 0, 1000));
        if (!line.isHorizontal())
            met.insert(line.y1 == 1475   ? line.x1
                       : line.y2 == 1475 ? line.x2
                                         : (line.x1 + line.x2) / 2);
    }
    QCOMPARE(met, want);
    QStringList written;
    for (const PrintedText& text : page.texts())
        written << (text.text.endsWith(u'…')
                            && texts.value(written.size()).startsWith(text.text.chopped(1))
                        ? texts.value(written.size())
                        : text.text);
    QCOMPARE(written, texts);
}

QTEST_MAIN(BusLanesTest)
#include "tst_buslanes.moc"
