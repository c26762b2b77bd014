#include "printing/printers/pdfprinter.h"

#include "popplertools.h"
#include "printing/output/pdf/pdfbook.h"
#include "printing/output/pdf/pdfpages.h"
#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"
#include "printing/printers/printerchoice.h"
#include "printinghelpers.h"
#include "util/fault.h"

#include <QtTest>

#include <functional>
#include <map>
#include <set>

class PdfPrinterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void serviceListsThePdfPrinterLast();
    void sheet();
    void textPositions_data();
    void textPositions();
    void strokes();
    void directPageMatchesTheEngine_data();
    void directPageMatchesTheEngine();
    void chooserAskedOnlyAtTheEnd();
    void cancelWritesNothing();
    void unwritableTargetThrows();
    void replacesAnExistingFileWhole();
    void eachDocumentStartsAfresh();
    void subsetTagsNameOneProgramEach();
    void crossReferenceFindsEveryObject_data();
    void crossReferenceFindsEveryObject();

private:
    QString printDiagram(const QString& name);

    QTemporaryDir dir_;
    QString diagram_;
};

namespace {

const std::vector<QString> names{QStringLiteral("alpha"), QStringLiteral("bravo"),
                                 QStringLiteral("charlie"), QStringLiteral("deltadeltadelta")};

void drawText(PageSurface& page, const QString& text)
{
    page.CurrentX(1200);
    page.CurrentY(625);
    page.FontSize(12);
    page.Print(text);
}

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

void PdfPrinterTest::initTestCase()
{
    if (!poppler::available())
        QFAIL("poppler-utils (pdfinfo, pdftotext, pdftocairo) are needed to read the PDF back: "
              "make test installs them");
    QVERIFY(dir_.isValid());
    diagram_ = printDiagram(QStringLiteral("diagram.pdf"));
    QVERIFY(QFile::exists(diagram_));
}

// Slot 0 rises after sample 9, slot 1 is always high, slot 2 toggles every
// sample, slot 3 is always low.
QString PdfPrinterTest::printDiagram(const QString& name)
{
    const QString path = dir_.filePath(name);
    PrintingService service = makePrintingService({}, [path] { return path; });
    PrinterRef reference;
    const PrinterRef printer = selectPrinter(service, reference);
    if (!printer)
        return {};
    LevelTable table = levelTable({[](int k) { return k >= 10 ? 1 : 0; }, constantLevel(1),
                                   [](int k) { return k % 2; }, constantLevel(0)});
    for (std::size_t i = 0; i < names.size(); ++i)
        table.slotnames[i] = names[i];
    const PageRequest request = textRequest(QStringLiteral("Heading text"), QStringLiteral("10"),
                                            QStringLiteral("100"), 0, true);
    drawtraces(printer->surface(), table, request.ticks, wholePage());
    writePageText(printer->surface(), table, request, wholePage());
    return printer->surface().EndDoc() ? path : QString();
}

void PdfPrinterTest::serviceListsThePdfPrinterLast()
{
    const auto laser = fakePrinter(QStringLiteral("Laser"));
    PrintingService service = makePrintingService({laser}, {});
    QCOMPARE(service.printers().size(), std::size_t(2));
    QCOMPARE(service.printers()[0], PrinterRef(laser));
    QCOMPARE(service.printers()[1]->deviceName(), QStringLiteral("Adobe PDF"));
    QVERIFY(!service.current());
}

void PdfPrinterTest::sheet()
{
    const QByteArray info = poppler::info(diagram_);
    QVERIFY2(info.contains("Pages:           1\n"), info.constData());
    QVERIFY2(info.contains("Page size:       1224 x 792 pts"), info.constData());
    QVERIFY(poppler::text(diagram_).contains(QStringLiteral("Heading text")));
}

void PdfPrinterTest::textPositions_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("top"); // device pixels
    QTest::newRow("heading") << "Heading" << 625;
    QTest::newRow("tick line") << "Tick" << 850;
    for (int i = 0; i < 4; ++i)
        QTest::addRow("name %d", i) << pageName(names[std::size_t(i)]) << 1350 + 350 * i;
}

void PdfPrinterTest::textPositions()
{
    QFETCH(QString, word);
    QFETCH(int, top);
    const QList<poppler::Word> words = poppler::words(diagram_);
    const auto found = std::find_if(words.begin(), words.end(),
                                    [&](const poppler::Word& w) { return w.text == word; });
    QVERIFY2(found != words.end(), qPrintable(word));
    QVERIFY2(qAbs(found->xMin - 72.0) < 0.5, qPrintable(QString::number(found->xMin)));
    // The top of the font's cell, give or take the face's own leading.
    const double topPoints = top * 72.0 / 1200.0;
    QVERIFY2(qAbs(found->yMin - topPoints) < 1.0,
             qPrintable(QStringLiteral("%1 vs %2").arg(found->yMin).arg(topPoints)));
}

void PdfPrinterTest::strokes()
{
    const QList<poppler::Stroke> strokes =
        poppler::strokes(diagram_, dir_.filePath(QStringLiteral("diagram.svg")));
    QVERIFY(!strokes.isEmpty());
    const auto near = [](double a, double b) { return qAbs(a - b) < 0.1; };

    QList<QPointF> ticks;
    QList<QList<QPointF>> trace;
    QList<QLineF> guides;
    for (const poppler::Stroke& stroke : strokes) {
        if (stroke.dashed) {
            QVERIFY(near(stroke.width, 1.0));
            QVERIFY2(stroke.colour.startsWith(QLatin1String("rgb(0%,50.")),
                     qPrintable(stroke.colour));
            for (const auto& sub : stroke.subpaths)
                guides << QLineF(sub.first(), sub.last());
        } else if (near(stroke.width, 1.0)) {
            QCOMPARE(stroke.colour, QStringLiteral("rgb(0%,0%,0%)"));
            for (const auto& sub : stroke.subpaths) {
                QCOMPARE(sub.size(), 2);
                QVERIFY(near(sub[0].x(), sub[1].x()));
                QVERIFY(near(sub[0].y(), 1250) && near(sub[1].y(), 1300));
                ticks << sub[0];
            }
        } else {
            QVERIFY2(near(stroke.width, 3.0), qPrintable(QString::number(stroke.width)));
            QCOMPARE(stroke.colour, QStringLiteral("rgb(0%,0%,0%)"));
            trace << stroke.subpaths;
        }
    }

    QCOMPARE(ticks.size(), 205);
    QVERIFY(near(ticks.first().x(), 3000));
    QVERIFY(near(ticks.last().x(), 3000 + 8 * 2040));

    // Slot 1 always high: guide at its base line; slot 3 always low: at its high level.
    QCOMPARE(guides.size(), 2);
    QVERIFY(near(guides[0].y1(), 1900) && near(guides[0].x1(), 3000)
            && near(guides[0].x2(), 19384));
    QVERIFY(near(guides[1].y1(), 2600 - 150));

    // Slot 0: low to x = 3080, an edge up, high to the end.
    QList<QPointF> points;
    for (const auto& sub : trace)
        points << sub;
    const auto has = [&](double x, double y) {
        return std::any_of(points.begin(), points.end(),
                           [&](const QPointF& p) { return near(p.x(), x) && near(p.y(), y); });
    };
    QVERIFY(has(3000, 1550));
    QVERIFY(has(3080, 1550));
    QVERIFY(has(3080, 1400));
    QVERIFY(has(19384, 1400));
    // Slot 2 toggles every sample: an edge at every boundary.
    for (int k = 1; k < 2048; k += 97)
        QVERIFY2(has(3000 + 8 * k, 2250) && has(3000 + 8 * k, 2100),
                 qPrintable(QString::number(k)));
    for (const QPointF& p : points)
        QVERIFY(p.x() > 2999.9 && p.x() < 19384.1 && p.y() > 1399.9 && p.y() < 2600.1);
}

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

void PdfPrinterTest::directPageMatchesTheEngine_data()
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
void PdfPrinterTest::directPageMatchesTheEngine()
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

void PdfPrinterTest::chooserAskedOnlyAtTheEnd()
{
    int asked = 0;
    const QString path = dir_.filePath(QStringLiteral("asked.pdf"));
    PdfPrinter printer([&] {
        ++asked;
        return path;
    });
    drawText(printer.surface(), QStringLiteral("x"));
    printer.surface().Line(0, 0, 100, 0);
    QCOMPARE(asked, 0);
    QVERIFY(!QFile::exists(path));
    QVERIFY(printer.surface().EndDoc());
    QCOMPARE(asked, 1);
    QVERIFY(QFile::exists(path));
}

void PdfPrinterTest::cancelWritesNothing()
{
    QTemporaryDir empty;
    PdfPrinter printer([] { return QString(); });
    drawText(printer.surface(), QStringLiteral("x"));
    QVERIFY(!printer.surface().EndDoc());
    QVERIFY(printer.recording().isEmpty());
    QVERIFY(QDir(empty.path()).isEmpty());

    PdfPrinter unset; // no chooser at all: nowhere to save
    drawText(unset.surface(), QStringLiteral("x"));
    QVERIFY(!unset.surface().EndDoc());
}

void PdfPrinterTest::unwritableTargetThrows()
{
    const QString path = dir_.filePath(QStringLiteral("no such folder/out.pdf"));
    PdfPrinter printer([path] { return path; });
    drawText(printer.surface(), QStringLiteral("x"));
    try {
        printer.surface().EndDoc();
        QFAIL("no fault");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::CannotOpenFile);
        QCOMPARE(fault.file(), path);
        QVERIFY(fault.message().contains(path));
    }
    QVERIFY(!QFile::exists(path));
    QVERIFY(printer.recording().isEmpty());

    // A folder in the way of the file.
    const QString folder = dir_.filePath(QStringLiteral("a folder.pdf"));
    QVERIFY(QDir().mkpath(folder));
    PdfPrinter blocked([folder] { return folder; });
    drawText(blocked.surface(), QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(Fault, blocked.surface().EndDoc());
    QVERIFY(QFileInfo(folder).isDir());

    // A date that cannot be written is a fault, not another date.
    const QString dated = dir_.filePath(QStringLiteral("dated.pdf"));
    PdfPrinter misdated([dated] { return dated; });
    drawText(misdated.surface(), QStringLiteral("x"));
    qputenv("SOURCE_DATE_EPOCH", "253402300800");
    const auto unset = qScopeGuard([] { qunsetenv("SOURCE_DATE_EPOCH"); });
    QVERIFY_THROWS_EXCEPTION(Fault, misdated.surface().EndDoc());
    QVERIFY(!QFile::exists(dated));
}

void PdfPrinterTest::replacesAnExistingFileWhole()
{
    const QString path = dir_.filePath(QStringLiteral("existing.pdf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500000, 'x'));
    }
    PdfPrinter printer([path] { return path; });
    drawText(printer.surface(), QStringLiteral("replacement"));
    QVERIFY(printer.surface().EndDoc());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    QVERIFY(!bytes.contains("xxxxxxxx"));
    QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral("existing.pdf*")}, QDir::Files).size(), 1);
}

void PdfPrinterTest::eachDocumentStartsAfresh()
{
    QString path = dir_.filePath(QStringLiteral("first.pdf"));
    PdfPrinter printer([&path] { return path; });
    drawText(printer.surface(), QStringLiteral("first"));
    QVERIFY(printer.surface().EndDoc());

    path = dir_.filePath(QStringLiteral("second.pdf"));
    drawText(printer.surface(), QStringLiteral("dropped"));
    printer.surface().KillDoc();
    QVERIFY(printer.recording().isEmpty());
    drawText(printer.surface(), QStringLiteral("second"));
    QVERIFY(printer.surface().EndDoc());

    QCOMPARE(poppler::text(dir_.filePath(QStringLiteral("first.pdf"))).trimmed(),
             QStringLiteral("first"));
    QCOMPARE(poppler::text(path).trimmed(), QStringLiteral("second"));
}

// Pages the engine draws text on each bring their own subsets; in one
// document, one tag per font program.
void PdfPrinterTest::subsetTagsNameOneProgramEach()
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

void PdfPrinterTest::crossReferenceFindsEveryObject_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("one page") << QStringList{QStringLiteral("Latin")};
    QTest::newRow("binder, engine text between")
        << QStringList{QStringLiteral("Latin"), QStringLiteral("\u03A3\u03AE\u03BC\u03B1"),
                       QStringLiteral("\u4E2D\u6587"), QStringLiteral("again")};
}

void PdfPrinterTest::crossReferenceFindsEveryObject()
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

QTEST_MAIN(PdfPrinterTest)
#include "tst_pdfprinter.moc"
