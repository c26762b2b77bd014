#include "printing/output/pagerenderer.h"
#include "printing/output/svgdocument.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>
#include <QtTest>

class PageRendererTest : public QObject {
    Q_OBJECT

private slots:
    void lineWidthAndStyle_data();
    void lineWidthAndStyle();
    void textCellTopLeftAtCurrentPosition();
    void textTakesTheForeColour();
    void nothingOutsideTheDrawing();
    void svgIsWellFormed_data();
    void svgIsWellFormed();
};

namespace {

// A window of the page at full resolution: device pixel (left + i, top + j)
// is image pixel (i, j).
struct Window {
    int left, top;
    QImage image;
};

Window render(const std::vector<SurfaceCall>& calls, QRect area)
{
    Window window{area.left(), area.top(), QImage(area.size(), QImage::Format_RGB32)};
    window.image.fill(Qt::white);
    QPainter painter(&window.image);
    painter.translate(-area.left(), -area.top());
    renderPage(painter, calls);
    return window;
}

double ink(const QImage& image, int x, int y) { return 1.0 - qGray(image.pixel(x, y)) / 255.0; }

std::vector<SurfaceCall> record(const std::function<void(RecordingSurface&)>& draw)
{
    RecordingSurface page;
    draw(page);
    return page.takePage().calls;
}

} // namespace

void PageRendererTest::lineWidthAndStyle_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("style");
    QTest::newRow("tick: 1 solid") << 1 << 0;
    QTest::newRow("guide: 1 dotted") << 1 << 2;
    QTest::newRow("trace: 3 solid") << 3 << 0;
    QTest::newRow("wide: 20 solid") << 20 << 0;
    QTest::newRow("marker: 3 dashed") << 3 << 1;
}

void PageRendererTest::lineWidthAndStyle()
{
    QFETCH(int, width);
    QFETCH(int, style);
    const auto calls = record([&](RecordingSurface& page) {
        page.DrawWidth(width);
        page.DrawStyle(style);
        page.ForeColor(qRgb(0, 0, 0));
        page.Line(3000, 1550, 3200, 1550);
    });
    const Window w = render(calls, QRect(2950, 1500, 300, 100));

    // The ink across the line adds up to its width in device pixels.
    double across = 0;
    for (int y = 0; y < w.image.height(); ++y)
        across += ink(w.image, 3100 - w.left, y);
    if (style == 0) {
        QVERIFY2(qAbs(across - width) < 0.25, qPrintable(QString::number(across)));
        for (int x = 3010; x < 3190; ++x)
            QVERIFY(ink(w.image, x - w.left, 1550 - w.top) > 0.45);
    } else {
        // Dots: along the line the ink comes and goes; dashes a millimetre long.
        int gaps = 0, run = 0, longest = 0;
        for (int x = 3010; x < 3190; ++x) {
            const bool gap = ink(w.image, x - w.left, 1550 - w.top) < 0.1
                             && ink(w.image, x - w.left, 1549 - w.top) < 0.1;
            gaps += gap;
            run = gap ? 0 : run + 1;
            longest = std::max(longest, run);
        }
        QVERIFY2(style == 2 ? gaps > 60 && longest < 10 : gaps > 40 && longest >= 44,
                 qPrintable(QStringLiteral("%1 %2").arg(gaps).arg(longest)));
        // The SVG says the same, in sheet pixels.
        const QByteArray dashes = style == 2 ? "1,2" : "48,24";
        QVERIFY(svgDocument({calls}).contains("stroke-dasharray=\"" + dashes + '"'));
    }
}

void PageRendererTest::textCellTopLeftAtCurrentPosition()
{
    const auto calls = record([](RecordingSurface& page) {
        page.CurrentX(1200);
        page.CurrentY(1350);
        page.FontSize(12);
        page.Print(QStringLiteral("H"));
    });
    const Window w = render(calls, QRect(1100, 1250, 400, 400));
    QRect box;
    for (int y = 0; y < w.image.height(); ++y)
        for (int x = 0; x < w.image.width(); ++x)
            if (ink(w.image, x, y) > 0.5)
                box |= QRect(x + w.left, y + w.top, 1, 1);
    QVERIFY(!box.isEmpty());

    const QFontMetricsF metrics(pageFont(12));
    QCOMPARE(pageFont(12).pixelSize(), 200); // 12 points at 1200 dpi
    const double baseline = 1350 + metrics.ascent();
    const double capTop = baseline - metrics.capHeight();
    QVERIFY2(qAbs(box.bottom() + 1 - baseline) <= 2, qPrintable(QString::number(box.bottom())));
    QVERIFY2(qAbs(box.top() - capTop) <= 2, qPrintable(QString::number(box.top())));
    QVERIFY(box.left() >= 1200 && box.left() < 1240);
}

void PageRendererTest::textTakesTheForeColour()
{
    const auto calls = record([](RecordingSurface& page) {
        page.ForeColor(qRgb(200, 0, 0));
        page.CurrentX(1200);
        page.CurrentY(1350);
        page.Print(QStringLiteral("IIII"));
    });
    const Window w = render(calls, QRect(1100, 1250, 400, 400));
    int red = 0;
    for (int y = 0; y < w.image.height(); ++y)
        for (int x = 0; x < w.image.width(); ++x)
            if (w.image.pixel(x, y) == qRgb(200, 0, 0))
                ++red;
    QVERIFY(red > 1000);
}

void PageRendererTest::nothingOutsideTheDrawing()
{
    // Chained segments and an edge: the corners are filled, nothing spills
    // past the end points by more than the half width.
    const auto calls = record([](RecordingSurface& page) {
        page.DrawWidth(3);
        page.Line(3000, 1550, 3008, 1550);
        page.Line(3008, 1550, 3016, 1550);
        page.Line(3016, 1550, 3016, 1400);
        page.Line(3016, 1400, 3024, 1400);
    });
    const Window w = render(calls, QRect(2900, 1300, 250, 350));
    QVERIFY(ink(w.image, 3016 - w.left, 1550 - w.top) > 0.5);
    QVERIFY(ink(w.image, 3016 - w.left, 1450 - w.top) > 0.5);
    for (int y = 0; y < w.image.height(); ++y)
        for (int x = 0; x < w.image.width(); ++x) {
            const int px = x + w.left, py = y + w.top;
            const bool inside = px >= 2998 && px <= 3026 && py >= 1398 && py <= 1552;
            if (!inside)
                QVERIFY2(ink(w.image, x, y) == 0,
                         qPrintable(QStringLiteral("%1,%2").arg(px).arg(py)));
        }
}

void PageRendererTest::svgIsWellFormed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("form feed") << QStringLiteral("a\fb") << QStringLiteral("a\u240Cb");
    QTest::newRow("U+0001 and NUL")
        << QString::fromUtf16(u"\u0001x\u0000", 3) << QStringLiteral("\u2401x\u2400");
    QTest::newRow("escape") << QStringLiteral("\x1b[31m") << QStringLiteral("\u241B[31m");
    QTest::newRow("lone surrogates") << QString::fromUtf16(u"\xD800"
                                                           u"a"
                                                           u"\xDC00",
                                                           3)
                                     << QStringLiteral("\uFFFDa\uFFFD");
    QTest::newRow("U+FFFE, U+FFFF")
        << QStringLiteral("\uFFFE\uFFFF") << QStringLiteral("\uFFFD\uFFFD");
    QTest::newRow("markup and a pair kept")
        << QStringLiteral("<a&b> \U0001F600\u00E9") << QStringLiteral("<a&b> \U0001F600\u00E9");
}

// The SVG stays XML whatever a name or heading holds.
void PageRendererTest::svgIsWellFormed()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    if (QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty())
        QFAIL("xmllint (libxml2-utils) is needed to check the SVG: make test installs it");
    const QByteArray svg = svgDocument({record([&](RecordingSurface& page) {
        page.CurrentX(1200);
        page.CurrentY(625);
        page.Print(text);
    })});
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("-")});
    QVERIFY(lint.waitForStarted());
    lint.write(svg);
    lint.closeWriteChannel();
    QVERIFY(lint.waitForFinished(30000));
    QVERIFY2(lint.exitCode() == 0, lint.readAllStandardError().constData());

    QXmlStreamReader reader(svg);
    QStringList texts;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement
            && reader.name() == QLatin1String("text"))
            texts << reader.readElementText(QXmlStreamReader::IncludeChildElements);
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    // A run the page font lacks goes in an element of its own.
    QCOMPARE(texts.join(QString()), shown);
}

QTEST_MAIN(PageRendererTest)
#include "tst_pagerenderer.moc"
