#include "util/basicutilities.h"
#include "util/numbers.h"

#include <QtTest>

#include <array>
#include <vector>

// Cutting one print's worth of sample rows: 2048 rows × 16 fields.
class BenchGetfield : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void getfield32768();
    void cutfields2048Rows();
    void toUnsignedByte32768();

private:
    std::vector<QString> rows_;
};

void BenchGetfield::initTestCase()
{
    rows_.reserve(2048);
    for (int r = 0; r < 2048; ++r) {
        QString row;
        for (int c = 0; c < 16; ++c) {
            if (c > 0)
                row += QLatin1Char(',');
            row += QLatin1Char(((r >> (c % 8)) & 1) ? '1' : '0');
        }
        rows_.push_back(row);
    }
}

void BenchGetfield::getfield32768()
{
    QString delimiter = QStringLiteral(",");
    int ones = 0;
    QBENCHMARK
    {
        ones = 0;
        for (QString& row : rows_) {
            for (qint32 k = 1; k <= 16; ++k)
                ones += basicutilities::getfield(row, k, delimiter) == QLatin1String("1");
        }
    }
    QVERIFY(ones > 0);
}

void BenchGetfield::cutfields2048Rows()
{
    std::array<basicutilities::FieldSpan, 16> spans;
    qsizetype total = 0;
    QBENCHMARK
    {
        total = 0;
        for (const QString& row : rows_) {
            basicutilities::cutFields(row, u',', spans);
            total += spans[15].length;
        }
    }
    QCOMPARE(total, qsizetype(2048));
}

void BenchGetfield::toUnsignedByte32768()
{
    int sum = 0;
    QBENCHMARK
    {
        sum = 0;
        for (const QString& row : rows_) {
            for (qsizetype i = 0; i < row.size(); i += 2)
                sum += numbers::toUnsignedByte(QStringView(row).sliced(i, 1)).value;
        }
    }
    QVERIFY(sum > 0);
}

QTEST_GUILESS_MAIN(BenchGetfield)
#include "bench_getfield.moc"
