#include "tests/printing/popplertools.h"
#include "ui/systemprinters.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

// A system printer is stood in for by Qt's own PDF output, which has margins
// like a driver's and reports the sheet it prints on.
class TestPrintOnSheet : public QObject {
    Q_OBJECT

private slots:
    void drawsFromThePrintableCorner_data();
    void drawsFromThePrintableCorner();
};

void TestPrintOnSheet::drawsFromThePrintableCorner_data()
{
    QTest::addColumn<double>("margin"); // points, all four sides
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<QByteArray>("size");
    QTest::addColumn<double>("inchIn"); // points: where an inch in on the sheet lands
    QTest::addColumn<LayoutKind>("layout");
    const auto sheet = LayoutKind::Sheet;
    const QByteArray tabloid("1224 x 792 pts");
    QTest::newRow("no margins") << 0.0 << Paper::Tabloid << tabloid << 72.0 << sheet;
    QTest::newRow("half an inch") << 36.0 << Paper::Tabloid << tabloid << 72.0 << sheet;
    // Legal is 14 x 8.5 inches: the sheet at 8.5 / 11, centred across.
    QTest::newRow("legal, half an inch") << 36.0 << Paper::Legal << QByteArray("1008 x 612 pts")
                                         << ((14 - 17 * 8.5 / 11) / 2 + 8.5 / 11) * 72 << sheet;
    // Laid out on the paper: an inch from its corner (36 points past the margin).
    QTest::newRow("A4 filled, half an inch")
        << 36.0 << Paper::A4 << QByteArray("842 x 595 pts") << 36.0 << LayoutKind::Fill;
}

void TestPrintOnSheet::drawsFromThePrintableCorner()
{
    QFETCH(double, margin);
    QFETCH(Paper, paper);
    QFETCH(QByteArray, size);
    QFETCH(double, inchIn);
    QFETCH(LayoutKind, layout);
    if (!poppler::available())
        QFAIL("poppler-utils is needed");
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Point);

    RecordingSurface page;
    page.FontSize(12);
    page.CurrentX(1200); // one inch in
    page.CurrentY(1200);
    page.Print(QStringLiteral("corner"));
    QVERIFY(printOnSheet(printer, QStringLiteral("stand-in"), {{page.calls(), paper, layout}}));

    QVERIFY(poppler::info(pdf).contains(size));
    const QList<poppler::Word> words = poppler::words(pdf);
    QCOMPARE(words.size(), 1);
    QVERIFY2(qAbs(words.first().xMin - (inchIn + margin)) < 2,
             qPrintable(QString::number(words.first().xMin)));
}

QTEST_MAIN(TestPrintOnSheet)
#include "tst_printonsheet.moc"
