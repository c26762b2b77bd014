// Timing of one print's reading work: a 2053-line capture into the sample
// table, then all sixteen channels converted and summed.

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "tests/support/capturefixture.h"

#include <QTemporaryDir>
#include <QTest>

class BenchCapture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readAndSelectAll();
    void headerRead();

private:
    QTemporaryDir dir_;
    QString path_;
};

void BenchCapture::initTestCase()
{
    path_ = capturefixture::writeCapture(dir_, QStringLiteral("bench.csv"),
                                         capturefixture::serialExample());
    QVERIFY(!path_.isEmpty());
}

void BenchCapture::readAndSelectAll()
{
    std::vector<ChosenChannel> all;
    for (int c = 0; c < csv::channelCount; ++c)
        all.push_back({c, QString()});
    qint16 last = 0;
    QBENCHMARK
    {
        const LevelTable levels = selectChannels(readCapture(path_).samples(), all);
        last = levels.lastslot;
    }
    QCOMPARE(int(last), 15);
}

void BenchCapture::headerRead()
{
    bool loaded = false;
    QBENCHMARK { loaded = readHeader(path_).has_value(); }
    QVERIFY(loaded);
}

QTEST_GUILESS_MAIN(BenchCapture)
#include "bench_capture.moc"
