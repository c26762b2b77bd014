#include "app/orderedwork.h"

#include <QTest>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

class TestOrderedWork : public QObject {
    Q_OBJECT
private slots:
    void handsOnInOrderWithinTheWindow_data();
    void handsOnInOrderWithinTheWindow();
    void failureStopsTheRun_data();
    void failureStopsTheRun();
};

void TestOrderedWork::handsOnInOrderWithinTheWindow_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("jobs");
    QTest::newRow("none") << 0 << 4;
    QTest::newRow("one job") << 50 << 1;
    QTest::newRow("two jobs") << 200 << 2;
    QTest::newRow("more jobs than work") << 3 << 16;
    QTest::newRow("many jobs") << 300 << 12;
}

// Late indexes finish first, so that order is the runner's doing and not
// the threads' luck; work may never run more than 2 x jobs ahead of done().
void TestOrderedWork::handsOnInOrderWithinTheWindow()
{
    QFETCH(int, count);
    QFETCH(int, jobs);
    std::vector<int> handed;
    std::atomic<int> handedCount{0};
    std::atomic<int> furthestAhead{0};
    std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
    runInOrder(
        count, jobs,
        [&](int i) {
            ++runs[std::size_t(i)];
            const int ahead = i - handedCount.load();
            int seen = furthestAhead.load();
            while (ahead > seen && !furthestAhead.compare_exchange_weak(seen, ahead)) {}
            std::this_thread::sleep_for(std::chrono::microseconds((i % 7 == 0) ? 300 : 10));
        },
        [&](int i) {
            handed.push_back(i);
            ++handedCount;
        });
    QCOMPARE(int(handed.size()), count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(handed[std::size_t(i)], i);
        QCOMPARE(runs[std::size_t(i)].load(), 1);
    }
    QVERIFY2(furthestAhead.load() < 2 * std::max(jobs, 1),
             qPrintable(QStringLiteral("work ran %1 ahead").arg(furthestAhead.load())));
}

void TestOrderedWork::failureStopsTheRun_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("inWork");
    for (const int jobs : {1, 2, 8}) {
        QTest::addRow("work fails, %d jobs", jobs) << jobs << true;
        QTest::addRow("done fails, %d jobs", jobs) << jobs << false;
    }
}

// The exception reaches the caller in order, after everything before it was
// handed on, and nothing far beyond it ever starts.
void TestOrderedWork::failureStopsTheRun()
{
    QFETCH(int, jobs);
    QFETCH(bool, inWork);
    constexpr int count = 400;
    constexpr int failing = 40;
    std::atomic<int> started{0};
    std::vector<int> handed;
    try {
        runInOrder(
            count, jobs,
            [&](int i) {
                ++started;
                if (inWork && i == failing)
                    throw std::runtime_error("work 40");
            },
            [&](int i) {
                if (!inWork && i == failing)
                    throw std::runtime_error("done 40");
                handed.push_back(i);
            });
        QFAIL("the failure did not reach the caller");
    } catch (const std::runtime_error& failure) {
        QCOMPARE(QString::fromLatin1(failure.what()),
                 QString::fromLatin1(inWork ? "work 40" : "done 40"));
    }
    QCOMPARE(int(handed.size()), failing);
    QCOMPARE(handed.back(), failing - 1);
    QVERIFY(started.load() <= failing + 1 + 2 * jobs);
}

QTEST_GUILESS_MAIN(TestOrderedWork)
#include "tst_orderedwork.moc"
