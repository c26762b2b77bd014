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
#include <set>

// Every writer puts the 17 x 11 inch drawing on the page's paper, scaled to
// fit and centred. Where things land is worked out here from the papers'
// sizes and read back with poppler, from the SVG's header and from the PNG's
// pixels.
class PaperFitTest : public QObject {
    Q_OBJECT

private slots:
    void sheetFitsThePaper_data();
    void sheetFitsThePaper();
    void fillLaysOutThePaper_data();
    void fillLaysOutThePaper();
    void cropHoldsTheDrawing_data();
    void cropHoldsTheDrawing();
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

// The first page of the capture's first `channels` channels, changing at
// different rates; with `axis`, samples 100-1099 with times under the ticks;
// with `marks`, four markers (two close, their labels in two rows) and a bus.
RecordedPage drawnPage(const QTemporaryDir& dir, Paper paper, LayoutKind layout, int channels,
                       bool axis, const QString& heading = QStringLiteral("Heading"),
                       bool marks = false)
{
    capturefixture::CaptureRecipe moving;
    moving.level = [](int row, int c) { return (row >> (c % 8)) & 1; };
    PageOptions options;
    options.paper = paper;
    options.layout = layout;
    if (axis) {
        options.firstsample = 100;
        options.lastsample = 1099;
        options.timeaxis = true;
    }
    if (marks) {
        options.markers = {{300, {}}, {310, {}}, {600, {}}, {1000, {}}};
        options.buses = {{QStringLiteral("Bus"), {3, 2, 1, 0}, Radix::Hex}};
    }
    PageRequest drawn = request(heading, options);
    drawn.channels.resize(std::size_t(channels));
    return drawPages(drawn, readCapture(
                                capturefixture::writeCapture(dir, QStringLiteral("a.csv"), moving)))
        .front();
}

// The smallest rectangle holding every pixel darker than light grey.
QRect inked(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 192)
                ink |= QRect(x, y, 1, 1);
    return ink;
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
    QTest::addColumn<bool>("marks");

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

void PaperFitTest::fillLaysOutThePaper_data()
{
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<double>("width"); // inches
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("axis");
    QTest::addColumn<double>("reach"); // the least share of the height the traces take
    QTest::addColumn<QString>("heading");
    QTest::addColumn<bool>("marks");

    const double mm = 1 / 25.4;
    const QString plain = QStringLiteral("Heading");
    // Wider than any of the papers at 12 points.
    const QString wide = plain + QStringLiteral(" wide words of a long heading").repeated(8);
    QTest::newRow("a4, 4") << Paper::A4 << 297 * mm << 210 * mm << 4 << false << 0.75 << plain
                           << false;
    QTest::newRow("a4, 16, axis, wide heading")
        << Paper::A4 << 297 * mm << 210 * mm << 16 << true << 0.85 << wide << false;
    QTest::newRow("letter, 4, axis")
        << Paper::Letter << 11.0 << 8.5 << 4 << true << 0.75 << plain << false;
    // Four slots at the most pitch leave the larger papers' foot free.
    QTest::newRow("a3, 4") << Paper::A3 << 420 * mm << 297 * mm << 4 << false << 0.5 << plain
                           << false;
    // Their rows above the ticks and under the bus lane fit in too.
    QTest::newRow("a4, 16, axis, markers and a bus")
        << Paper::A4 << 297 * mm << 210 * mm << 16 << true << 0.8 << plain << true;
    QTest::newRow("letter, 4, markers and a bus")
        << Paper::Letter << 11.0 << 8.5 << 4 << false << 0.75 << plain << true;
}

// Laid out on the paper: half-inch margins, text at its printed size,
// names left of the traces, the traces out to the right margin and down the
// page, read back with poppler.
void PaperFitTest::fillLaysOutThePaper()
{
    QFETCH(Paper, paper);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, channels);
    QFETCH(bool, axis);
    QFETCH(double, reach);
    QFETCH(QString, heading);
    QFETCH(bool, marks);
    if (!poppler::available())
        QFAIL("poppler-utils is needed");
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("fill.pdf"));
    QVERIFY(capturefixture::writeBytes(
        pdf, pdfDocument(drawnPage(dir, paper, LayoutKind::Fill, channels, axis, heading, marks))));
    const double right = width * 72 - 36, bottom = height * 72 - 36;

    // A line of DejaVu Sans is 2384 / 2048 of its size high: 12 or 9 points, nothing smaller.
    const auto high = [](const poppler::Word& word, int points) {
        return qAbs(word.yMax - word.yMin - points * 2384.0 / 2048) < 0.1;
    };
    const QStringList headingWords = heading.split(u' ');
    std::set<double> headingLines;
    int headed = 0, small = 0, names = 0, distances = 0;
    double namesRight = 0, nameBottom = 0;
    for (const poppler::Word& word : poppler::words(pdf)) {
        QVERIFY2(high(word, 12) || high(word, 9), qPrintable(word.text));
        small += high(word, 9);
        distances += word.text.contains(u'\u2192');
        QVERIFY2(word.xMin > 35.5 && word.yMin > 35.5 && word.yMax < bottom, qPrintable(word.text));
        if (headingWords.contains(word.text)) {
            QVERIFY2(word.xMax < right + 0.5 && high(word, 12), qPrintable(word.text));
            headingLines.insert(word.yMin);
            ++headed;
        } else if (word.text.startsWith(QLatin1String("Name"))) {
            // In order down the page, apart.
            QCOMPARE(word.text, QStringLiteral("Name%1").arg(names++));
            QVERIFY(high(word, 12) && word.yMin > nameBottom);
            nameBottom = word.yMax;
            namesRight = std::max(namesRight, word.xMax);
        }
    }
    // Every word of the heading, on as many lines as it needs.
    QCOMPARE(headed, int(headingWords.size()));
    QVERIFY(heading.size() > 100 ? headingLines.size() >= 2 && headingLines.size() <= 3
                                 : headingLines.size() == 1);
    QCOMPARE(names, channels);
    QCOMPARE(small > 0, axis || marks);
    QCOMPARE(distances, marks ? 3 : 0);

    double left = 1e9, far = 0, low = 0, thinnest = 1e9;
    for (const poppler::Stroke& stroke :
         poppler::strokes(pdf, dir.filePath(QStringLiteral("p.svg")))) {
        thinnest = std::min(thinnest, stroke.width);
        for (const QList<QPointF>& path : stroke.subpaths)
            for (const QPointF& point : path) {
                left = std::min(left, point.x() / poppler::pixelsPerPoint);
                far = std::max(far, point.x() / poppler::pixelsPerPoint);
                low = std::max(low, point.y() / poppler::pixelsPerPoint);
            }
    }
    QVERIFY(left > namesRight && qAbs(far - right) < 0.1);
    QVERIFY(low < bottom && low > reach * height * 72 && thinnest > 0.999);
}

void PaperFitTest::cropHoldsTheDrawing_data()
{
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<LayoutKind>("layout");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("axis");
    QTest::newRow("tabloid sheet, 4") << Paper::Tabloid << LayoutKind::Sheet << 4 << false;
    QTest::newRow("a4 sheet, 16, axis") << Paper::A4 << LayoutKind::Sheet << 16 << true;
    QTest::newRow("a4 fill, 4") << Paper::A4 << LayoutKind::Fill << 4 << false;
    QTest::newRow("letter fill, 16, axis") << Paper::Letter << LayoutKind::Fill << 16 << true;
}

// A cropped PNG is the whole image's drawing with an eighth of an inch round
// it, pixel for pixel; a cropped SVG shows the same part of the paper.
void PaperFitTest::cropHoldsTheDrawing()
{
    QFETCH(Paper, paper);
    QFETCH(LayoutKind, layout);
    QFETCH(int, channels);
    QFETCH(bool, axis);
    QTemporaryDir dir;
    const RecordedPage page = drawnPage(dir, paper, layout, channels, axis);
    constexpr int dpi = 96, margin = dpi / 8;
    const QImage whole = QImage::fromData(pngDocument(page, dpi), "PNG");
    const QImage cropped = QImage::fromData(pngDocument(page, dpi, true), "PNG");
    const QRect drawing = inked(whole), kept = inked(cropped);
    QCOMPARE(kept.size(), drawing.size());
    // Text boxes reach a little beyond their ink.
    for (const int gap : {kept.left(), kept.top(), cropped.width() - 1 - kept.right(),
                          cropped.height() - 1 - kept.bottom()})
        QVERIFY2(gap >= margin - 1 && gap <= margin + dpi / 16, QByteArray::number(gap));
    const QPoint corner = drawing.topLeft() - kept.topLeft();
    QVERIFY(cropped == whole.copy(QRect(corner, cropped.size())));

    // Read back with xmllint (libxml2-utils).
    const QString svg =
        capturefixture::writeBytes(dir, QStringLiteral("c.svg"), svgDocument(page, true));
    const auto attribute = [&](const char* name) {
        return QString::fromUtf8(
                   poppler::run(QStringLiteral("xmllint"),
                                {QStringLiteral("--xpath"),
                                 QStringLiteral("string(/*/@%1)").arg(QLatin1String(name)), svg}))
            .trimmed();
    };
    const QStringList box = attribute("viewBox").split(u' ');
    QCOMPARE(box.size(), 4);
    // The page's units on the paper (inches from the whole image), as the PDF places them.
    const double width = double(whole.width()) / dpi, height = double(whole.height()) / dpi;
    const Expected fit =
        layout == LayoutKind::Fill ? Expected{width, height, 1, 0, 0} : expectedFor(width, height);
    const auto onPaper = [&](int i, double offset) {
        return (box[i].toDouble() / 1200 * fit.scale + offset) * dpi;
    };
    // Whole pixels of the PNG, less than one either side.
    const auto near = [](double got, double want) { return qAbs(got - want) < 2; };
    QVERIFY(near(onPaper(0, fit.left), corner.x()) && near(onPaper(1, fit.top), corner.y()));
    QVERIFY(near(onPaper(2, 0), cropped.width()) && near(onPaper(3, 0), cropped.height()));
}

QTEST_MAIN(PaperFitTest)
#include "tst_paperfit.moc"
