#include "capture/csvcapture.h"
#include "popplertools.h"
#include "printing/drawpages.h"
#include "printing/output/pdf/pdfpages.h"
#include "printinghelpers.h"
#include "tests/support/capturefixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

// Markers read back from the PDF with poppler: where each label and line
// stands and what the distances say, worked out here from the sheet's
// geometry (traces from x = 3000, 16384 pixels wide; tick marks at 1250,
// slots 350 apart from 1550, each pushed down 250 a row of labels and 200 by
// the time axis) and from the samples and period.
class MarkersTest : public QObject {
    Q_OBJECT

private slots:
    void markersReadBack_data();
    void markersReadBack();
};

void MarkersTest::markersReadBack_data()
{
    QTest::addColumn<QString>("range"); // first, last, pages
    QTest::addColumn<bool>("timeaxis");
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<QString>("period"); // resolution in ns
    QTest::addColumn<QString>("markers");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("labels");    // "page label sample row"
    QTest::addColumn<QStringList>("distances"); // "page row text"

    QTest::newRow("whole page, µs and kHz")
        << "0 2047 1" << false << Paper::Tabloid << "125"
        << "256 512:B" << 1 << QStringList{"1 A 256 0", "1 B 512 0"}
        << QStringList{"1 0 A→B 32 µs (31.25 kHz)"};
    // A label stands above the lines it would cross; the distances stack.
    QTest::newRow("close together, ns and MHz")
        << "0 2047 1" << false << Paper::Tabloid << "10"
        << "1000:go 1001 1003" << 3 << QStringList{"1 go 1000 2", "1 B 1001 1", "1 C 1003 0"}
        << QStringList{"1 0 go→B 10 ns (100 MHz)", "1 1 B→C 20 ns (50 MHz)"};
    // Across pages the distance is on the second marker's page; a marker
    // outside the range is on none.
    QTest::newRow("range on two A4 pages, time axis, no period")
        << "600 900 2" << true << Paper::A4 << ""
        << "650 800 1500" << 1 << QStringList{"1 A 650 0", "2 B 800 0"}
        << QStringList{"2 0 A→B 150 samples"};
}

void MarkersTest::markersReadBack()
{
    QFETCH(QString, range);
    QFETCH(bool, timeaxis);
    QFETCH(Paper, paper);
    QFETCH(QString, period);
    QFETCH(QString, markers);
    QFETCH(int, rows);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, distances);
    if (!poppler::available())
        QFAIL("poppler-utils is needed");

    PageOptions options;
    const QStringList r = range.split(u' ');
    options.firstsample = r[0].toInt();
    options.lastsample = r[1].toInt();
    options.pages = r[2].toInt();
    options.timeaxis = timeaxis;
    options.paper = paper;
    for (const QString& marker : markers.split(u' '))
        options.markers.push_back({marker.section(u':', 0, 0).toInt(), marker.section(u':', 1)});
    WindowSettings settings = windowSettings();
    settings.resolution = period;
    QTemporaryDir dir;
    capturefixture::CaptureRecipe recipe;
    recipe.level = [](int row, int c) { return (row >> (c % 6)) & 1; };
    const QString capture = capturefixture::writeCapture(dir, QStringLiteral("a.csv"), recipe);
    PdfPages book;
    for (const RecordedPage& page : drawPages(pageRequest(settings, options), readCapture(capture)))
        book.add(pdfPage(page));
    const QString pdf = dir.filePath(QStringLiteral("m.pdf"));
    QVERIFY(capturefixture::writeBytes(pdf, book.finish()));

    // Sheet pixels to points on the paper, the sheet fitted and centred.
    const QSizeF size = paper == Paper::A4 ? QSizeF(297 / 25.4, 210 / 25.4) : QSizeF(17, 11);
    const double scale = std::min(1.0, std::min(size.width() / 17, size.height() / 11));
    const auto at = [&](double x, double y) {
        return QPointF(((size.width() - 17 * scale) / 2 + scale * x / 1200) * 72,
                       ((size.height() - 11 * scale) / 2 + scale * y / 1200) * 72);
    };
    const int first = options.firstsample, count = options.lastsample - first + 1;
    const int perpage = (count + options.pages - 1) / options.pages;
    const auto sampleX = [&](int page, int sample) {
        return 3000 + qRound(double(sample - first - (page - 1) * perpage) * 16384 / perpage);
    };
    const int tickTop = 1250 + 250 * rows;
    const int lastBase = 1550 + 350 * 15 + (timeaxis ? 200 : 0) + 250 * rows;
    const auto near = [](double a, double b) { return qAbs(a - b) < 1.5; };

    QHash<QString, QPair<int, int>> marks; // label: page and x
    for (int page = 1; page <= options.pages; ++page) {
        const QList<poppler::Word> words = poppler::words(pdf, page);
        const QList<poppler::Stroke> strokes =
            poppler::strokes(pdf, dir.filePath(QStringLiteral("p.svg")), page);
        int dashed = 0;
        for (const poppler::Stroke& stroke : strokes)
            dashed += stroke.dashed && stroke.width > 1.5 ? int(stroke.subpaths.size()) : 0;
        int lines = 0;
        for (const QString& expected : labels) {
            const QStringList f = expected.split(u' ');
            if (f[0].toInt() != page)
                continue;
            const int x = sampleX(page, f[2].toInt()), row = f[3].toInt();
            marks[f[1]] = {page, x};
            const QPointF label = at(x + 30, tickTop - (row + 1) * 250);
            QVERIFY2(std::any_of(words.begin(), words.end(),
                                 [&](const poppler::Word& w) {
                                     return w.text == f[1] && near(w.xMin, label.x())
                                            && near(w.yMin, label.y());
                                 }),
                     qPrintable(expected));
            // Its dashed line, from under its label to just under the last slot.
            double top = 1e9, bottom = -1e9;
            for (const poppler::Stroke& stroke : strokes)
                for (const QList<QPointF>& path : stroke.subpaths)
                    if (stroke.dashed && stroke.width > 1.5
                        && qAbs(path[0].x() / poppler::pixelsPerPoint - at(x, 0).x()) < 0.2) {
                        top = std::min(top, path.front().y() / poppler::pixelsPerPoint);
                        bottom = std::max(bottom, path.back().y() / poppler::pixelsPerPoint);
                        ++lines;
                    }
            QVERIFY2(near(top, at(x, tickTop - row * 250).y()),
                     qPrintable(expected + u' ' + QString::number(top)));
            QVERIFY2(near(bottom, at(x, lastBase + 50).y()),
                     qPrintable(expected + u' ' + QString::number(bottom)));
        }
        // No dashed line but the markers' (the guide lines are dotted, one pixel wide).
        QCOMPARE(dashed, lines);

        QStringList said;
        for (int row = 0; row < 4; ++row) {
            QList<poppler::Word> line;
            for (const poppler::Word& w : words)
                if (near(w.yMin, at(0, lastBase + 100 + 200 * row).y()))
                    line.append(w);
            std::sort(line.begin(), line.end(),
                      [](const auto& a, const auto& b) { return a.xMin < b.xMin; });
            QStringList text;
            for (const poppler::Word& w : line)
                text.append(w.text);
            if (text.isEmpty())
                continue;
            // Centred between its markers, the first at the left end when on an earlier page.
            const QStringList ends = text.front().split(u'\u2192');
            const int from =
                marks.value(ends[0]).first == page ? marks.value(ends[0]).second : 3000;
            const double middle = at((from + marks.value(ends[1]).second) / 2.0, 0).x();
            QVERIFY2(line.front().xMin < middle && line.back().xMax > middle,
                     qPrintable(text.join(u' ')));
            said.append(QStringLiteral("%1 %2 %3").arg(page).arg(row).arg(text.join(u' ')));
        }
        QStringList want;
        for (const QString& d : distances)
            if (d.startsWith(QString::number(page) + u' '))
                want.append(d);
        QCOMPARE(said, want);

        // No text from the labels down meets another.
        for (qsizetype i = 0; i < words.size(); ++i)
            for (qsizetype j = i + 1; j < words.size(); ++j) {
                const poppler::Word &a = words[i], &b = words[j];
                QVERIFY2(std::min(a.yMin, b.yMin) < at(0, 1240).y() || a.xMax <= b.xMin
                             || b.xMax <= a.xMin || a.yMax <= b.yMin || b.yMax <= a.yMin,
                         qPrintable(a.text + u'/' + b.text));
            }
    }
}

QTEST_MAIN(MarkersTest)
#include "tst_markers.moc"
