// The files in examples/ are what makecapture writes, and they load and print.

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "tests/support/capturefixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

using capturefixture::CaptureRecipe;

class TestExamples : public QObject {
    Q_OBJECT

private slots:
    void example_data();
    void example();
};

void TestExamples::example_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<CaptureRecipe>("recipe");
    QTest::addColumn<QStringList>("firstNames");
    QTest::addColumn<QList<int>>("firstSums"); // level sums of channels 0 … 5

    QTest::newRow("counter") << "counter.csv" << capturefixture::counterExample()
                             << QStringList{"Q0", "Q1", "Q2", "Q3", "CH4", "CH5"}
                             << QList<int>{1024, 1024, 1024, 1024, 0, 0};
    QTest::newRow("serial") << "serial.csv" << capturefixture::serialExample()
                            << QStringList{"CS#", "SCLK", "MOSI", "MISO", "WP#", "HOLD#"}
                            // 9F has 6 bits set, EF 40 18 have 7 + 1 + 2; 16 samples per set bit
                            << QList<int>{2048 - 1056, 32 * 16, 6 * 32, 10 * 32, 2048, 2048};
    QTest::newRow("steady") << "steady.csv" << capturefixture::steadyExample()
                            << QStringList{"PWR_OK", "RESET", "PWM", "HEARTBEAT", "CH4", "CH5"}
                            << QList<int>{2048, 0, 512, 1024, 0, 0};
}

void TestExamples::example()
{
    QFETCH(QString, file);
    QFETCH(CaptureRecipe, recipe);
    QFETCH(QStringList, firstNames);
    QFETCH(QList<int>, firstSums);
    const QString path = QDir(QStringLiteral(ZELMAR_EXAMPLES_DIR)).filePath(file);

    QFile written(path);
    QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(path));
    QVERIFY2(written.readAll() == capturefixture::captureText(recipe),
             "examples/ differ from makecapture's output");
    written.close();

    const auto capture = readKeyedCapture(path);
    QVERIFY(capture);
    const CaptureHeader& header = capture->header();
    QVERIFY(header.heading.startsWith(QStringLiteral("ZelmarProgramVersion 2.31  / ")));
    QCOMPARE(QStringList(header.names.begin(), header.names.begin() + 6), firstNames);

    std::vector<ChosenChannel> all;
    for (int c = 0; c < capture->channelCount(); ++c)
        all.push_back({c, header.names[std::size_t(c)]});
    const LevelTable levels = selectChannels(capture->samples(), all);
    for (int c = 0; c < 6; ++c)
        QCOMPARE(int(levels.sums[c]), firstSums[c]);
}

QTEST_GUILESS_MAIN(TestExamples)
#include "tst_examples.moc"
