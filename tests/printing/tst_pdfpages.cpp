// The PDF the printer writes itself: the same drawing as the engine's, one
// subset tag per font program, and a cross-reference that finds every object.

#include "popplertools.h"
#include "printing/output/pdf/pdfbook.h"
#include "printing/output/pdf/pdfpages.h"
#include "printing/printers/pdfprinter.h"
#include "printinghelpers.h"

#include <QtTest>

#include <functional>
#include <map>
#include <set>

class PdfPagesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void directPageMatchesTheEngine_data();
    void directPageMatchesTheEngine();
    void subsetTagsNameOneProgramEach();
    void crossReferenceFindsEveryObject_data();
    void crossReferenceFindsEveryObject();

private:
    QTemporaryDir dir_;
};

namespace {

// The font programs each subset tag names in a PDF this program wrote.
std::map<QByteArray, std::set<QByteArray>> programsByTag(const QByteArray& pdf)
{
    std::map<int, QByteArray> objects;
    static const QRegularExpression object(QStringLiteral("(\\d+) 0 obj\n"));
    const QString text = QString::fromLatin1(pdf);
    for (auto it = object.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype end = pdf.indexOf("\nendobj\n", match.capturedEnd(0));
        objects[match.captured(1).toInt()] =
            pdf.mid(match.capturedEnd(0), end - match.capturedEnd(0));
    }
    std::map<QByteArray, std::set<QByteArray>> programs;
    static const QRegularExpression descriptor(
        QStringLiteral("/FontName /([A-Z]{6})\\+.*/FontFile2 (\\d+) 0 R"),
        QRegularExpression::DotMatchesEverythingOption);
    for (const auto& [number, body] : objects) {
        const QRegularExpressionMatch match = descriptor.match(QString::fromLatin1(body));
        if (!match.hasMatch())
            continue;
        const QByteArray& file = objects[match.captured(2).toInt()];
        const qsizetype data = file.indexOf("stream\n") + 7;
        programs[match.captured(1).toLatin1()].insert(
            file.mid(data, file.lastIndexOf("\nendstream") - data));
    }
    return programs;
}

} // namespace

using Drawing = std::function<void(PageSurface&)>;
Q_DECLARE_METATYPE(Drawing)

namespace {

void pen(PageSurface& page, int width, int style, QRgb colour)
{
    page.DrawWidth(width);
    page.DrawStyle(style);
    page.ForeColor(colour);
}

} // namespace

void PdfPagesTest::initTestCase()
{
    if (!poppler::available())
        QFAIL("poppler-utils (pdftocairo, pdftotext, pdffonts) are needed to read the PDF back: "
              "make test installs them");
    QVERIFY(dir_.isValid());
}

void PdfPagesTest::directPageMatchesTheEngine_data()
{
    QTest::addColumn<Drawing>("draw");
    QTest::newRow("ticks: separate segments") << Drawing([](PageSurface& page) {
        for (int x = 3000; x <= 3080; x += 8)
            page.Line(x, 1250, x, 1300);
    });
    QTest::newRow("stepped trace, runs merged") << Drawing([](PageSurface& page) {
        pen(page, 3, 0, qRgb(0, 0, 0));
        page.Line(3000, 1550, 3008, 1550);
        page.Line(3008, 1550, 3016, 1550);
        page.Line(3016, 1550, 3016, 1400);
        page.Line(3016, 1400, 3024, 1400);
        page.Line(3024, 1400, 3024, 1550);
    });
    QTest::newRow("dotted green guide") << Drawing([](PageSurface& page) {
        pen(page, 1, 2, qRgb(0, 128, 0));
        page.Line(3000, 1900, 19384, 1900);
    });
    QTest::newRow("dashed blue marker") << Drawing([](PageSurface& page) {
        pen(page, 3, 1, qRgb(0, 70, 200));
        page.Line(5000, 1250, 5000, 7100);
    });
    QTest::newRow("closed square, diagonal, point") << Drawing([](PageSurface& page) {
        pen(page, 20, 0, qRgb(200, 10, 10));
        page.Line(100, 100, 500, 100);
        page.Line(500, 100, 500, 500);
        page.Line(500, 500, 100, 100);
        page.Line(600, 600, 900, 1000);
        page.Line(1000, 1000, 1000, 1000);
    });
    QTest::newRow("pens changing back and forth") << Drawing([](PageSurface& page) {
        pen(page, 3, 0, qRgb(0, 0, 0));
        page.Line(3000, 2000, 4000, 2000);
        pen(page, 1, 2, qRgb(0, 128, 0));
        page.Line(3000, 2100, 4000, 2100);
        pen(page, 3, 0, qRgb(0, 0, 0));
        page.Line(3000, 2200, 4000, 2200);
    });
    QTest::newRow("coloured accented text in another size") << Drawing([](PageSurface& page) {
        pen(page, 2, 0, qRgb(0, 0, 200));
        page.Line(3000, 2000, 4000, 2000);
        page.FontSize(20);
        page.CurrentX(3000);
        page.CurrentY(2100);
        page.Print(QStringLiteral("Größe ÆØÅ 12.5 µs {~}"));
    });
}

// Pages are written by the printer itself, and text the page font cannot
// draw alone by the PDF engine; the page must be the engine's own drawing.
void PdfPagesTest::directPageMatchesTheEngine()
{
    QFETCH(Drawing, draw);
    RecordingSurface page;
    draw(page);
    drawText(page, QStringLiteral("Heading text"));
    page.CurrentY(4000);
    page.Print(QStringLiteral("\u03A3\u03AE\u03BC\u03B1 \u4E2D"));
    const std::vector<SurfaceCall> calls = page.takePage().calls;

    const QString directPdf = dir_.filePath(QStringLiteral("direct.pdf"));
    writePdf(directPdf, {{calls}});
    const QString enginePdf = dir_.filePath(QStringLiteral("engine.pdf"));
    PdfBook book;
    book.addPage(calls);
    QFile file(enginePdf);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(book.finish()) > 0);
    file.close();

    const QList<poppler::Stroke> direct =
        poppler::strokes(directPdf, directPdf + QStringLiteral(".svg"));
    const QList<poppler::Stroke> engine =
        poppler::strokes(enginePdf, enginePdf + QStringLiteral(".svg"));
    QVERIFY(!engine.isEmpty());
    QCOMPARE(direct.size(), engine.size());
    for (qsizetype i = 0; i < engine.size(); ++i) {
        QCOMPARE(direct[i].colour, engine[i].colour);
        QCOMPARE(direct[i].style, engine[i].style);
        QCOMPARE(direct[i].subpaths.size(), engine[i].subpaths.size());
        for (qsizetype j = 0; j < engine[i].subpaths.size(); ++j) {
            QCOMPARE(direct[i].subpaths[j].size(), engine[i].subpaths[j].size());
            for (qsizetype k = 0; k < engine[i].subpaths[j].size(); ++k) {
                const QPointF d = direct[i].subpaths[j][k] - engine[i].subpaths[j][k];
                QVERIFY(qAbs(d.x()) < 0.01 && qAbs(d.y()) < 0.01);
            }
        }
    }

    const QList<poppler::Word> directWords = poppler::words(directPdf);
    const QList<poppler::Word> engineWords = poppler::words(enginePdf);
    QVERIFY(directWords.size() >= 4);
    QCOMPARE(directWords.size(), engineWords.size());
    for (qsizetype i = 0; i < directWords.size(); ++i) {
        const poppler::Word& d = directWords[i];
        const poppler::Word& e = engineWords[i];
        QCOMPARE(d.text, e.text);
        QVERIFY2(qAbs(d.xMin - e.xMin) < 0.05 && qAbs(d.yMin - e.yMin) < 0.05
                     && qAbs(d.xMax - e.xMax) < 0.05 && qAbs(d.yMax - e.yMax) < 0.05,
                 qPrintable(d.text));
    }
    // Only the glyphs used are embedded, with their characters for copying.
    const QByteArray fonts = poppler::run(QStringLiteral("pdffonts"), {directPdf});
    QVERIFY2(fonts.contains("CID TrueType      Identity-H       yes yes yes"), fonts.constData());
}

// Pages the engine draws text on each bring their own subsets; in one
// document, one tag per font program.
void PdfPagesTest::subsetTagsNameOneProgramEach()
{
    PdfPages pages;
    const QStringList texts{QStringLiteral("\u03A3\u03AE\u03BC\u03B1"),
                            QStringLiteral("\u0386\u03BB\u03C6\u03B1"),
                            QStringLiteral("\u03A3\u03AE\u03BC\u03B1"),
                            QStringLiteral("\u4E2D\u6587 \u0398")};
    for (const QString& text : texts) {
        RecordingSurface page;
        drawText(page, text);
        drawText(page, QStringLiteral("Latin"));
        pages.add(pdfPage(page.takePage()));
    }
    const QByteArray pdf = pages.finish();
    const auto programs = programsByTag(pdf);
    std::set<QByteArray> all;
    for (const auto& [tag, named] : programs) {
        QVERIFY2(named.size() == 1, tag.constData());
        all.insert(*named.begin());
    }
    // The page font's subset and three of the engine's: the first page's
    // again on the third.
    QVERIFY2(programs.size() >= 4, QByteArray::number(qulonglong(programs.size())).constData());
    QCOMPARE(all.size(), programs.size());
    // Each font names its subset with the tag.
    static const QRegularExpression untagged(
        QStringLiteral("/(BaseFont|FontName) /(?![A-Z]{6}\\+)"));
    QVERIFY(!untagged.match(QString::fromLatin1(pdf)).hasMatch());
}

void PdfPagesTest::crossReferenceFindsEveryObject_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("one page") << QStringList{QStringLiteral("Latin")};
    QTest::newRow("binder, engine text between")
        << QStringList{QStringLiteral("Latin"), QStringLiteral("\u03A3\u03AE\u03BC\u03B1"),
                       QStringLiteral("\u4E2D\u6587"), QStringLiteral("again")};
}

void PdfPagesTest::crossReferenceFindsEveryObject()
{
    QFETCH(QStringList, texts);
    PdfPages pages;
    for (const QString& text : texts) {
        RecordingSurface page;
        drawText(page, text);
        page.Line(0, 0, 1200, 1200);
        pages.add(pdfPage(page.takePage()));
    }
    const QByteArray pdf = pages.finish();

    const qsizetype start = pdf.lastIndexOf("startxref\n");
    QVERIFY(start > 0);
    const qsizetype xref = pdf.mid(start + 10).split('\n').value(0).toLongLong();
    QVERIFY(pdf.mid(xref).startsWith("xref\n0 "));
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const int size = lines.value(1).split(' ').value(1).toInt();
    QVERIFY(pdf.contains("/Size " + QByteArray::number(size) + ' '));
    static const QRegularExpression heading(QStringLiteral("(?:^|\n)(\\d+) 0 obj\n"));
    int written = 0;
    for (auto it = heading.globalMatch(QString::fromLatin1(pdf.left(xref))); it.hasNext();
         it.next())
        ++written;
    QCOMPARE(written, size - 1);
    for (int number = 1; number < size; ++number) {
        const QByteArray entry = lines.value(2 + number);
        QVERIFY2(entry.size() == 19 && entry.endsWith(" 00000 n "), entry.constData());
        const QByteArray expected = QByteArray::number(number) + " 0 obj\n";
        QVERIFY2(pdf.mid(entry.left(10).toLongLong(), expected.size()) == expected,
                 expected.constData());
    }
}

QTEST_MAIN(PdfPagesTest)
#include "tst_pdfpages.moc"
