#include "capture/csvcapture.h"
#include "popplertools.h"
#include "printing/drawpages.h"
#include "printing/output/pdf/pdfpages.h"
#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"
#include "printinghelpers.h"
#include "tests/support/capturefixture.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

// Every writer puts the 17 x 11 inch drawing on the page's paper, scaled to
// fit and centred. Where things land is worked out here from the papers'
// sizes and read back with poppler, from the SVG's header and from the PNG's
// pixels.
class PaperFitTest : public QObject {
    Q_OBJECT

private slots:
    void sheetFitsThePaper_data();
    void sheetFitsThePaper();
};

namespace {

struct Expected {
    double width, height; // the paper in inches, landscape
    double scale, left, top;

    // A point of the 17 x 11 inch drawing (inches) on the paper, in points.
    QPointF at(double x, double y) const
    {
        return QPointF((left + scale * x) * 72, (top + scale * y) * 72);
    }
};

Expected expectedFor(double width, double height)
{
    const double scale = std::min({1.0, width / 17, height / 11});
    return {width, height, scale, (width - 17 * scale) / 2, (height - 11 * scale) / 2};
}

// The leftmost word that reads `text`.
std::optional<poppler::Word> wordAt(const QList<poppler::Word>& words, const QString& text)
{
    std::optional<poppler::Word> found;
    for (const poppler::Word& word : words)
        if (word.text == text && (!found || word.xMin < found->xMin))
            found = word;
    return found;
}

} // namespace

void PaperFitTest::sheetFitsThePaper_data()
{
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<double>("width"); // inches
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("heading");

    const double mm = 1 / 25.4;
    const QString plain = QStringLiteral("Heading");
    // The second word is not in the page font: the PDF engine draws it.
    const QString engine = QStringLiteral("Heading \u4e2d\u6587");
    QTest::newRow("tabloid whole") << Paper::Tabloid << 17.0 << 11.0 << 0 << 2047 << 1 << plain;
    QTest::newRow("a4 two pages") << Paper::A4 << 297 * mm << 210 * mm << 0 << 2047 << 2 << plain;
    QTest::newRow("a4 engine text")
        << Paper::A4 << 297 * mm << 210 * mm << 0 << 2047 << 1 << engine;
    QTest::newRow("letter range") << Paper::Letter << 11.0 << 8.5 << 100 << 899 << 1 << plain;
    QTest::newRow("legal three pages") << Paper::Legal << 14.0 << 8.5 << 0 << 1799 << 3 << engine;
    QTest::newRow("a3 range, two pages")
        << Paper::A3 << 420 * mm << 297 * mm << 500 << 1523 << 2 << plain;
}

void PaperFitTest::sheetFitsThePaper()
{
    QFETCH(Paper, paper);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, pages);
    QFETCH(QString, heading);
    if (!poppler::available())
        QFAIL("poppler-utils is needed");
    const Expected fit = expectedFor(width, height);

    QTemporaryDir dir;
    capturefixture::CaptureRecipe moving;
    // Channel 15 never changes: a dotted guide line.
    moving.level = [](int row, int c) { return c < 15 ? (row >> (c % 8)) & 1 : 0; };
    const QString capture = capturefixture::writeCapture(dir, QStringLiteral("a.csv"), moving);
    PageOptions options;
    options.paper = paper;
    options.firstsample = first;
    options.lastsample = last;
    options.pages = pages;
    const std::vector<RecordedPage> recorded =
        drawPages(request(heading, options), readCapture(capture));
    QCOMPARE(int(recorded.size()), pages);

    PdfPages book;
    for (const RecordedPage& page : recorded)
        book.add(pdfPage(page));
    const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
    QVERIFY(capturefixture::writeBytes(pdf, book.finish()));

    const QString info = QString::fromUtf8(poppler::run(
        QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                    QString::number(pages), pdf}));
    static const QRegularExpression size(
        QStringLiteral(R"re(Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts)re"));
    int sized = 0;
    for (auto it = size.globalMatch(info); it.hasNext(); ++sized) {
        const auto m = it.next();
        QVERIFY2(qAbs(m.captured(2).toDouble() - width * 72) < 0.02, qPrintable(m.captured()));
        QVERIFY2(qAbs(m.captured(3).toDouble() - height * 72) < 0.02, qPrintable(m.captured()));
    }
    QCOMPARE(sized, pages);

    const auto near = [](double got, double want, double within) {
        return qAbs(got - want) <= within
                   ? QByteArray()
                   : QByteArray::number(got) + " instead of " + QByteArray::number(want);
    };
    for (int page = 1; page <= pages; ++page) {
        // Text starts an inch in: the heading, a channel name and, on a
        // page of part of the capture, the line naming its samples.
        const QList<poppler::Word> words = poppler::words(pdf, page);
        struct Line {
            QString word;
            double top; // inches
        };
        std::vector<Line> lines{{QStringLiteral("Heading"), 625 / 1200.0},
                                {QStringLiteral("Name0"), 1350 / 1200.0}};
        if (first != 0 || last != 2047 || pages != 1)
            lines.push_back({QStringLiteral("samples"), 1060 / 1200.0});
        for (const Line& line : lines) {
            const std::optional<poppler::Word> word = wordAt(words, line.word);
            QVERIFY2(word, qPrintable(line.word));
            const QPointF want = fit.at(1, line.top);
            QByteArray off = near(word->xMin, want.x(), 1);
            QVERIFY2(off.isEmpty(), qPrintable(line.word + u' ' + QString::fromLatin1(off)));
            off = near(word->yMin, want.y(), 1.5);
            QVERIFY2(off.isEmpty(), qPrintable(line.word + u' ' + QString::fromLatin1(off)));
        }

        // The traces from 2.5 inches to the right end, the tick marks on
        // top; no line thinner than one 1200 dpi pixel of the paper.
        const QList<poppler::Stroke> strokes =
            poppler::strokes(pdf, dir.filePath(QStringLiteral("page.svg")), page);
        QVERIFY(!strokes.isEmpty());
        double left = 1e9, right = -1e9, top = 1e9, thinnest = 1e9;
        for (const poppler::Stroke& stroke : strokes) {
            thinnest = std::min(thinnest, stroke.width);
            // Dots as long as the pen is wide, a pen widened on a smaller paper too.
            static const QRegularExpression dots(
                QStringLiteral(R"(stroke-width:([\d.]+);.*stroke-dasharray:\1,)"));
            QVERIFY2(!stroke.dashed || dots.match(stroke.style).hasMatch(),
                     qPrintable(stroke.style));
            for (const QList<QPointF>& path : stroke.subpaths)
                for (const QPointF& point : path) {
                    left = std::min(left, point.x() / poppler::pixelsPerPoint);
                    right = std::max(right, point.x() / poppler::pixelsPerPoint);
                    top = std::min(top, point.y() / poppler::pixelsPerPoint);
                }
        }
        QByteArray off = near(left, fit.at(2.5, 0).x(), 0.1);
        QVERIFY2(off.isEmpty(), "left " + off);
        off = near(right, fit.at(19384 / 1200.0, 0).x(), 0.1);
        QVERIFY2(off.isEmpty(), "right " + off);
        off = near(top, fit.at(0, 1250 / 1200.0).y(), 0.1);
        QVERIFY2(off.isEmpty(), "top " + off);
        QVERIFY2(thinnest > 0.999, QByteArray::number(thinnest));
    }

    // The SVG: the paper's size, the drawing's user units placed on it.
    const QString svg = QString::fromUtf8(svgDocument(recorded.front()));
    static const QRegularExpression header(QStringLiteral(
        R"re(<svg width="([\d.]+)mm" height="([\d.]+)mm"\s+viewBox="([-\d.]+) ([-\d.]+) ([\d.]+) ([\d.]+)")re"));
    const auto m = header.match(svg);
    QVERIFY2(m.hasMatch(), qPrintable(svg.left(300)));
    QVERIFY(near(m.captured(1).toDouble(), width * 25.4, 0.01).isEmpty());
    QVERIFY(near(m.captured(2).toDouble(), height * 25.4, 0.01).isEmpty());
    const double unitsWide = m.captured(5).toDouble(), unitsHigh = m.captured(6).toDouble();
    // 1200 user units an inch on the sheet.
    QVERIFY(near(width / unitsWide * 1200, fit.scale, 1e-4).isEmpty());
    QVERIFY(near(height / unitsHigh * 1200, fit.scale, 1e-4).isEmpty());
    QVERIFY(near(-m.captured(3).toDouble() / 1200 * fit.scale, fit.left, 1e-3).isEmpty());
    QVERIFY(near(-m.captured(4).toDouble() / 1200 * fit.scale, fit.top, 1e-3).isEmpty());

    // The PNG at 250 dpi, 4.8 sheet pixels a pixel: the paper's pixels. Across the tick marks the
    // first dark pixel is the first tick, on a whole pixel; right of all text, the first dark
    // pixel down a tick's column is its top.
    constexpr int dpi = 250;
    const QImage png = QImage::fromData(pngDocument(recorded.front(), dpi), "PNG");
    QCOMPARE(png.size(), QSize(qRound(width * dpi), qRound(height * dpi)));
    const QPointF tick = fit.at(2.5, 1275 / 1200.0) / 72 * dpi;
    const auto dark = [&](int x, int y) { return qGray(png.pixel(x, y)) < 128; };
    const auto firstDark = [&](int x, int y, int dx, int dy) {
        while (x < png.width() && y < png.height() && !dark(x, y)) {
            x += dx;
            y += dy;
        }
        return dx ? x : y;
    };
    const int firstTick = firstDark(0, int(tick.y()), 1, 0);
    QByteArray off = near(firstTick, tick.x(), 1.5);
    QVERIFY2(off.isEmpty(), "PNG first tick " + off);
    // One crisp pixel wide, not two grey ones; so is the first stretch of
    // slot 7's trace (3850 / 1200 inches from the sheet's top for a 1,
    // 4000 / 1200 for a 0).
    const auto crisp = [&](int x, int y, int dx, int dy) {
        double ink = 0; // across the line, in pixels
        for (int k = -2; k <= 2; ++k)
            ink += (255 - qGray(png.pixel(x + k * dx, y + k * dy))) / 255.0;
        return qGray(png.pixel(x, y)) < 24 && qGray(png.pixel(x - dx, y - dy)) > 200
               && qGray(png.pixel(x + dx, y + dy)) > 200 && ink > 0.99;
    };
    QVERIFY(crisp(firstTick, int(tick.y()), 1, 0));
    const int trace =
        firstDark(firstTick + 3, int(fit.at(0, 3850 / 1200.0).y() / 72 * dpi) - 3, 0, 1);
    QVERIFY(trace < int(fit.at(0, 4000 / 1200.0).y() / 72 * dpi) + 3);
    QVERIFY(crisp(firstTick + 3, trace, 0, 1));
    const int column = firstDark(int(fit.at(12, 0).x() / 72 * dpi), int(tick.y()), 1, 0);
    QVERIFY(column < png.width());
    off = near(firstDark(column, 0, 0, 1), fit.at(0, 1250 / 1200.0).y() / 72 * dpi, 1.5);
    QVERIFY2(off.isEmpty(), "PNG tick top " + off);
}

QTEST_MAIN(PaperFitTest)
#include "tst_paperfit.moc"
