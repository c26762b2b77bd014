#include "printing/printers/pdfprinter.h"

#include "popplertools.h"
#include "printing/page/pagetext.h"
#include "printing/page/tracedrawing.h"
#include "printing/printers/printerchoice.h"
#include "printinghelpers.h"
#include "util/fault.h"

#include <QtTest>

class PdfPrinterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void serviceListsThePdfPrinterLast();
    void sheet();
    void textPositions_data();
    void textPositions();
    void strokes();
    void chooserAskedOnlyAtTheEnd();
    void cancelWritesNothing();
    void unwritableTargetThrows();
    void replacesAnExistingFileWhole();
    void eachDocumentStartsAfresh();

private:
    QString printDiagram(const QString& name);

    QTemporaryDir dir_;
    QString diagram_;
};

namespace {

const std::vector<QString> names{QStringLiteral("alpha"), QStringLiteral("bravo"),
                                 QStringLiteral("charlie"), QStringLiteral("deltadeltadelta")};

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

QTEST_MAIN(PdfPrinterTest)
#include "tst_pdfprinter.moc"
