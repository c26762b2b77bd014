#include "printing/printers/printerchoice.h"

#include "printinghelpers.h"

#include <QtTest>

class PrinterChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
};

void PrinterChoiceTest::choice_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("currentBefore"); // index in names; -1 none; -2 an outside printer
    QTest::addColumn<int>("chosen");        // index; -1 given up; -2 the outside printer

    QTest::newRow("capital initials") << QStringList{"Adobe PDF"} << -1 << 0;
    QTest::newRow("all capitals") << QStringList{"ADOBE PDF"} << -1 << 0;
    QTest::newRow("lower case after others") << QStringList{"HP LaserJet", "adobe pdf"} << 0 << 1;
    QTest::newRow("trailing number refused") << QStringList{"Adobe PDF 2"} << -1 << -1;
    QTest::newRow("leading blank refused") << QStringList{" adobe pdf"} << -1 << -1;
    QTest::newRow("trailing blank refused") << QStringList{"adobe pdf "} << -1 << -1;
    QTest::newRow("first of two matches")
        << QStringList{"Laser", "Adobe PDF", "adobe pdf"} << 2 << 1;
    QTest::newRow("none: current stays") << QStringList{"Laser", "Ink"} << 1 << -1;
    QTest::newRow("no printers, no current") << QStringList{} << -1 << -1;
    QTest::newRow("current already bears the name") << QStringList{"Laser"} << -2 << -2;
}

void PrinterChoiceTest::choice()
{
    QFETCH(QStringList, names);
    QFETCH(int, currentBefore);
    QFETCH(int, chosen);

    std::vector<std::shared_ptr<FakePrinter>> fakes;
    std::vector<PrinterRef> refs;
    for (const QString& name : names) {
        fakes.push_back(fakePrinter(name));
        refs.push_back(fakes.back());
    }
    const auto outside = fakePrinter(QStringLiteral("adobe pdf"));
    PrintingService service(refs);
    if (currentBefore >= 0)
        service.setCurrent(refs[std::size_t(currentBefore)]);
    if (currentBefore == -2)
        service.setCurrent(outside);
    const PrinterRef before = service.current();
    const auto previousPrint = fakePrinter(QStringLiteral("from the last print"));
    PrinterRef printerreference = previousPrint;

    const PrinterRef result = selectPrinter(service, printerreference);

    if (chosen == -1) {
        QVERIFY(!result);
        QCOMPARE(service.current(), before);
        QCOMPARE(printerreference, PrinterRef(previousPrint));
        for (const auto& fake : fakes)
            QVERIFY(fake->page.isEmpty());
        return;
    }
    const std::shared_ptr<FakePrinter> expected =
        chosen == -2 ? outside : fakes[std::size_t(chosen)];
    QCOMPARE(result, PrinterRef(expected));
    QCOMPARE(service.current(), PrinterRef(expected));
    QCOMPARE(printerreference, PrinterRef(expected));

    using K = SurfaceCallKind;
    const std::vector<K> setup{K::ScaleMode, K::PrintResolution, K::PageSettingA, K::PageSettingB,
                               K::PageSettingC};
    QVERIFY(expected->page.kinds() == setup);
    const SurfaceState state = expected->page.state();
    QCOMPARE(state.scalemode, 3);
    QCOMPARE(state.resolution, 1200);
    QCOMPARE(state.pagesettinga, 4);
    QCOMPARE(state.pagesettingb, 2);
    QCOMPARE(state.pagesettingc, 1);
    for (const auto& fake : fakes)
        if (fake != expected)
            QVERIFY(fake->page.isEmpty());
}

QTEST_GUILESS_MAIN(PrinterChoiceTest)
#include "tst_printerchoice.moc"
