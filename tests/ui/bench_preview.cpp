#include "tests/support/capturefixture.h"
#include "ui/main.h"
#include "ui/preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

// The preview on its busiest page: every channel changes at every sample and
// a tick marks every sample, in a 1920 x 1080 window.
class BenchPreview : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString capture;

    // Waits until the preview has drawn anew; the milliseconds it took.
    static double drawn(Preview& preview, int before, const QElapsedTimer& clock)
    {
        while (preview.view->renders() == before && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return clock.nsecsElapsed() / 1e6;
    }

    static double median(std::vector<double> times)
    {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }

private slots:
    void initTestCase()
    {
        capturefixture::CaptureRecipe recipe;
        recipe.level = [](int row, int channel) { return (row + channel) & 1; };
        capture = capturefixture::writeCapture(dir, QStringLiteral("worst.csv"), recipe);
        QVERIFY(!capture.isEmpty());
    }

    void clickToShown()
    {
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            ui::main window;
            window.setEndProgram([] {});
            window.filepath = capture;
            window.cmmd[4]->click();
            window.tickfrequency->setText(QStringLiteral("1"));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QElapsedTimer clock;
            clock.start();
            window.cmmd[1]->click();
            // At the size it opens with.
            Preview& preview = *window.preview();
            const double ms = drawn(preview, 0, clock);
            QVERIFY(preview.isVisible());
            QVERIFY(preview.message->isHidden());
            times.push_back(ms);
        }
        qInfo("click to shown preview: %.1f ms (median of %zu)", median(times), times.size());
    }

    void settingChangeToRedrawn()
    {
        ui::main window;
        window.setEndProgram([] {});
        window.filepath = capture;
        window.cmmd[4]->click();
        window.tickfrequency->setText(QStringLiteral("1"));
        window.cmmd[1]->click();
        Preview& preview = *window.preview();
        preview.resize(1920, 1080);
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QTest::qWait(200);

        std::vector<double> times;
        for (int run = 0; run < 20; ++run) {
            const int before = preview.view->renders();
            QElapsedTimer clock;
            clock.start();
            // Channel 15 off and on, tick spacing 1 and 2: the page stays
            // (nearly) the busiest and the window's layout stays as it is.
            if (run % 2 == 0)
                toolkit::setCheckValue(window.channelselect[15], run % 4 == 0 ? 0 : 1);
            else
                window.tickfrequency->setText(run % 4 == 1 ? QStringLiteral("2")
                                                           : QStringLiteral("1"));
            times.push_back(drawn(preview, before, clock));
            QCoreApplication::processEvents();
            QCOMPARE(preview.view->renders(), before + 1);
            QVERIFY2(preview.message->isHidden(), qPrintable(preview.message->text()));
        }
        qInfo("setting change to redrawn page: %.1f ms (median), worst %.1f ms, view %dx%d",
              median(times), *std::max_element(times.begin(), times.end()),
              preview.view->viewport()->width(), preview.view->viewport()->height());
    }
};

QTEST_MAIN(BenchPreview)
#include "bench_preview.moc"
