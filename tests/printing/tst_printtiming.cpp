#include "printing/printtiming.h"

#include "popplertools.h"
#include "printing/drawpages.h"
#include "printing/printers/pdfprinter.h"
#include "printinghelpers.h"
#include "tests/support/capturefixture.h"
#include "util/fault.h"

#include <QtTest>

using namespace capturefixture;

class PrintTimingTest : public QObject {
    Q_OBJECT

private slots:
    void stagesInOrder();
    void tickedChannelsOnly();
    void readFaultComesBeforePrinterChoice_data();
    void readFaultComesBeforePrinterChoice();
    void drawingFaultWritesNothing_data();
    void drawingFaultWritesNothing();
    void drawingFaultDropsTheDocument();
    void printerStaysCurrent();
    void cancelledSave();
    void pageOptionsMakeOneDocument();
    void aCaptureOfAnyShape_data();
    void aCaptureOfAnyShape();
};

namespace {

CaptureRecipe moving()
{
    CaptureRecipe recipe;
    recipe.level = [](int row, int channel) { return (row >> (channel % 8)) & 1; };
    return recipe;
}

} // namespace

void PrintTimingTest::stagesInOrder()
{
    QTemporaryDir dir;
    const QString path = writeCapture(dir, QStringLiteral("a.csv"), moving());
    const auto printer = fakePrinter(QStringLiteral("Adobe PDF"));
    PrintingService service({fakePrinter(QStringLiteral("Laser")), printer});
    PrinterRef reference;

    QCOMPARE(printtiming(path, request(), service, reference), PrintOutcome::Printed);

    // Set-up, then every line, then every text, then the end of the document.
    using K = SurfaceCallKind;
    const std::vector<K> kinds = printer->page.kinds();
    const std::vector<K> setup{K::ScaleMode, K::PrintResolution, K::PageSettingA, K::PageSettingB,
                               K::PageSettingC};
    QVERIFY(std::equal(setup.begin(), setup.end(), kinds.begin()));
    const auto lastLine = std::find(kinds.rbegin(), kinds.rend(), K::Line);
    const auto firstPrint = std::find(kinds.begin(), kinds.end(), K::Print);
    QVERIFY(firstPrint != kinds.end());
    QVERIFY(lastLine.base() <= firstPrint);
    QCOMPARE(kinds.back(), K::EndDoc);
    QCOMPARE(printer->page.count(K::EndDoc), std::size_t(1));
    QCOMPARE(printer->page.count(K::KillDoc), std::size_t(0));
    QCOMPARE(printer->page.texts().size(), std::size_t(18)); // 16 names, heading, tick line
    QCOMPARE(reference, PrinterRef(printer));
}

void PrintTimingTest::tickedChannelsOnly()
{
    QTemporaryDir dir;
    CaptureRecipe recipe = moving();
    recipe.fields[{9, 4}] = "x"; // an unticked channel may hold anything
    const QString path = writeCapture(dir, QStringLiteral("a.csv"), recipe);
    const auto printer = fakePrinter(QStringLiteral("adobe pdf"));
    PrintingService service({printer});
    PrinterRef reference;

    WindowSettings w = windowSettings();
    w.channels.values.assign(16, 0);
    w.channels.values[3] = 1;
    w.channels.values[7] = 1;
    w.channels.values[8] = 2; // greyed counts as not ticked
    w.tickmarks = 2;          // so does a greyed "Tick marks"
    PageOptions options;
    options.timeaxis = true; // with no ticks to label, the traces keep their place
    QCOMPARE(printtiming(path, pageRequest(w, options), service, reference), PrintOutcome::Printed);

    const std::vector<PrintedText> texts = printer->page.texts();
    QCOMPARE(texts.size(), std::size_t(3));
    QCOMPARE(texts[0].text, QStringLiteral("Name3"));
    QCOMPARE(texts[0].y, 1350);
    QCOMPARE(texts[1].text, QStringLiteral("Name7"));
    QCOMPARE(texts[1].y, 1700);
    QCOMPARE(texts[2].text, QStringLiteral("Heading"));
    for (const DrawnLine& line : printer->page.lines())
        QVERIFY(line.y1 != 1250); // no tick marks
}

void PrintTimingTest::readFaultComesBeforePrinterChoice_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<int>("kind");
    QTest::newRow("missing file") << 0 << int(FaultKind::CannotOpenFile);
    QTest::newRow("short file") << 1 << int(FaultKind::InputPastEnd);
    QTest::newRow("letter in a ticked channel") << 2 << int(FaultKind::TypeMismatch);
    QTest::newRow("256 in a ticked channel") << 3 << int(FaultKind::Overflow);
}

void PrintTimingTest::readFaultComesBeforePrinterChoice()
{
    QFETCH(int, damage);
    QFETCH(int, kind);
    QTemporaryDir dir;
    CaptureRecipe recipe = moving();
    if (damage == 1)
        recipe.rows = 2047;
    if (damage == 2)
        recipe.fields[{9, 3}] = "x";
    if (damage == 3)
        recipe.fields[{9, 3}] = "256";
    const QString path = damage == 0 ? dir.filePath(QStringLiteral("none.csv"))
                                     : writeCapture(dir, QStringLiteral("a.csv"), recipe);

    // No matching printer: the read still comes first and fails.
    const auto laser = fakePrinter(QStringLiteral("Laser"));
    PrintingService service({laser});
    service.setCurrent(laser);
    PrinterRef reference;
    try {
        printtiming(path, request(), service, reference);
        QFAIL("no fault");
    } catch (const Fault& fault) {
        QCOMPARE(int(fault.kind()), kind);
    }
    QVERIFY(laser->page.isEmpty());
    QVERIFY(!reference);
}

void PrintTimingTest::drawingFaultWritesNothing_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("tickfrequency");
    QTest::newRow("level 219") << 219 << "10";
    QTest::newRow("tick spacing beyond 32 bits") << 1 << "9999999999";
}

void PrintTimingTest::drawingFaultWritesNothing()
{
    QFETCH(int, level);
    QFETCH(QString, tickfrequency);
    QTemporaryDir dir;
    CaptureRecipe recipe = moving();
    recipe.fields[{100, 2}] = QByteArray::number(level);
    const QString path = writeCapture(dir, QStringLiteral("a.csv"), recipe);
    const QString out = dir.filePath(QStringLiteral("out.pdf"));

    bool asked = false;
    PrintingService service = makePrintingService({}, [&] {
        asked = true;
        return out;
    });
    PrinterRef reference;
    WindowSettings w = windowSettings();
    w.tickfrequency = tickfrequency;
    const PageRequest r = pageRequest(w);
    QVERIFY_THROWS_EXCEPTION(Fault, printtiming(path, r, service, reference));
    QVERIFY(!asked);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.csv")});

    // Without the printer the drawing's fault is never told: given up silently.
    PrintingService none({fakePrinter(QStringLiteral("Laser"))});
    QCOMPARE(printtiming(path, r, none, reference), PrintOutcome::NoPrinter);
}

void PrintTimingTest::drawingFaultDropsTheDocument()
{
    QTemporaryDir dir;
    CaptureRecipe bad = moving();
    bad.fields[{2047, 15}] = "219";
    const QString badPath = writeCapture(dir, QStringLiteral("bad.csv"), bad);
    const QString goodPath = writeCapture(dir, QStringLiteral("good.csv"), moving());

    const auto printer = fakePrinter(QStringLiteral("Adobe PDF"));
    PrintingService service({printer});
    PrinterRef reference;
    QVERIFY_THROWS_EXCEPTION(Fault, printtiming(badPath, request(), service, reference));
    using K = SurfaceCallKind;
    QCOMPARE(printer->page.kinds().back(), K::KillDoc);
    QCOMPARE(printer->page.count(K::EndDoc), std::size_t(0));
    QCOMPARE(printer->page.count(K::Line), std::size_t(0)); // nothing reached the page

    // The PDF printer starts the next print afresh.
    const QString out = dir.filePath(QStringLiteral("out.pdf"));
    PrintingService pdf = makePrintingService({}, [out] { return out; });
    QVERIFY_THROWS_EXCEPTION(Fault, printtiming(badPath, request(), pdf, reference));
    auto* writer = dynamic_cast<PdfPrinter*>(pdf.printers().back().get());
    QVERIFY(writer);
    QVERIFY(writer->recording().isEmpty());
    QCOMPARE(printtiming(goodPath, request(), pdf, reference), PrintOutcome::Printed);
    QVERIFY(QFile::exists(out));
}

void PrintTimingTest::printerStaysCurrent()
{
    QTemporaryDir dir;
    const QString path = writeCapture(dir, QStringLiteral("a.csv"), moving());
    const auto laser = fakePrinter(QStringLiteral("Laser"));
    const auto pdf = fakePrinter(QStringLiteral("ADOBE PDF"));
    PrintingService service({laser, pdf});
    service.setCurrent(laser);
    PrinterRef reference;

    QCOMPARE(printtiming(path, request(), service, reference), PrintOutcome::Printed);
    QCOMPARE(service.current(), PrinterRef(pdf));
    QCOMPARE(printtiming(path, request(), service, reference), PrintOutcome::Printed);
    QCOMPARE(service.current(), PrinterRef(pdf));
    QCOMPARE(pdf->page.count(SurfaceCallKind::EndDoc), std::size_t(2));
    QVERIFY(laser->page.isEmpty());
}

void PrintTimingTest::cancelledSave()
{
    QTemporaryDir dir;
    const QString path = writeCapture(dir, QStringLiteral("a.csv"), moving());
    PrintingService service = makePrintingService({}, [] { return QString(); });
    PrinterRef reference;
    QCOMPARE(printtiming(path, request(), service, reference), PrintOutcome::Cancelled);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.csv")});
}

// Pages of a range go to the printer as one document: the PDF printer asks
// once and writes them all, on their paper.
void PrintTimingTest::pageOptionsMakeOneDocument()
{
    QTemporaryDir dir;
    const QString path = writeCapture(dir, QStringLiteral("a.csv"), moving());
    PageOptions options;
    options.firstsample = 600;
    options.lastsample = 900;
    options.pages = 3;
    options.timeaxis = true;
    options.paper = Paper::A4;
    options.layout = LayoutKind::Fill;
    const auto printer = fakePrinter(QStringLiteral("Adobe PDF"));
    PrintingService service({printer});
    PrinterRef reference;
    QCOMPARE(printtiming(path, request(QStringLiteral("H"), options), service, reference),
             PrintOutcome::Printed);
    using K = SurfaceCallKind;
    QCOMPARE(printer->page.count(K::NewPage), std::size_t(2));
    QCOMPARE(printer->page.count(K::Paper), std::size_t(3));
    QCOMPARE(printer->page.count(K::ScaleMode), std::size_t(1));
    QCOMPARE(printer->page.count(K::PageSettingA), std::size_t(3));
    QCOMPARE(printer->page.count(K::EndDoc), std::size_t(1));

    const QString out = dir.filePath(QStringLiteral("out.pdf"));
    int asked = 0;
    PrintingService pdf = makePrintingService({}, [&] {
        ++asked;
        return out;
    });
    QCOMPARE(printtiming(path, request(QStringLiteral("H"), options), pdf, reference),
             PrintOutcome::Printed);
    QCOMPARE(asked, 1);
    if (!poppler::available())
        QFAIL("poppler-utils is needed");
    const QByteArray info = poppler::info(out);
    QVERIFY2(info.contains("Pages:           3"), info.constData());
    QVERIFY2(info.contains("pts (A4)"), info.constData());
    // Half an inch in, at 12 points.
    const poppler::Word heading = poppler::words(out, 3).first();
    QVERIFY(heading.text == "H" && heading.xMin == 36 && heading.yMax - heading.yMin > 13.9);
}

void PrintTimingTest::aCaptureOfAnyShape_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("samples");
    QTest::newRow("3 channels, 100 samples") << 3 << 100;
    QTest::newRow("20 channels, 4096 samples") << 20 << 4096;
}

// A capture of another format, as its reader would make it: every channel
// drawn across the whole trace width, a segment a sample.
void PrintTimingTest::aCaptureOfAnyShape()
{
    QFETCH(int, channels);
    QFETCH(int, samples);
    SampleTable table(QStringLiteral("other"), channels, 1);
    for (int r = 0; r < samples; ++r) {
        QStringList row;
        for (int c = 0; c < channels; ++c)
            row << QString::number((r >> (c % 4)) & 1);
        table.addRow(row.join(u';'), u';');
    }
    const Capture capture({QStringLiteral("other"), std::vector<QString>(channels)},
                          std::move(table), true);
    PageRequest r = request();
    r.channels = {{channels - 1, QStringLiteral("last")}, {0, QStringLiteral("first")}};
    const std::vector<RecordedPage> pages = drawPages(r, capture);
    QCOMPARE(pages.size(), std::size_t(1));
    int segments = 0, right = 0, ticks = 0;
    for (const DrawnLine& line : drawnLines(pages.front().calls)) {
        segments += line.width == 3 && line.isHorizontal();
        right = std::max(right, line.x2);
        ticks += line.y1 == tickTop;
    }
    QCOMPARE(segments, 2 * samples);
    QCOMPARE(right, traceRight);
    QCOMPARE(ticks, samples / 10 + 1);
    QCOMPARE(printedTexts(pages.front().calls).front().text, QStringLiteral("last"));

    // Print replays the same drawing.
    const auto printer = fakePrinter(QStringLiteral("Adobe PDF"));
    PrintingService service({printer});
    PrinterRef reference;
    QCOMPARE(printtiming(r, capture, service, reference), PrintOutcome::Printed);
    QCOMPARE(printer->page.lines(), drawnLines(pages.front().calls));
}

QTEST_MAIN(PrintTimingTest)
#include "tst_printtiming.moc"
