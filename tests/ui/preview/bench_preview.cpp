#include "tests/support/capturefixture.h"
#include "ui/main.h"
#include "ui/preview/preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
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

    // From `change` to its page painted on the view (the paint is done when
    // the events it posted are). Kept whole for callgrind's --toggle-collect.
    [[gnu::noinline]] static double redrawnAfter(Preview& preview,
                                                 const std::function<void()>& change)
    {
        const int before = preview.view->renders();
        QElapsedTimer clock;
        clock.start();
        change();
        const double ms = drawn(preview, before, clock);
        return preview.view->renders() == before + 1 ? ms : -1;
    }

    static void report(const char* what, std::vector<double> times)
    {
        std::sort(times.begin(), times.end());
        qInfo("%s: %.1f ms (median of %zu), worst %.1f ms", what, times[times.size() / 2],
              times.size(), times.back());
    }

    // The window and its preview at 1920 x 1080, the busiest page shown.
    struct Busy {
        ui::main window;
        Preview* preview = nullptr;
    };
    bool open(Busy& busy)
    {
        busy.window.setEndProgram([] {});
        busy.window.filepath = capture;
        busy.window.cmmd[4]->click();
        busy.window.tickfrequency->setText(QStringLiteral("1"));
        // BENCH_MARKERS=N: N markers spread over the page; BENCH_BUSES=1: four
        // bus lanes under the sixteen traces.
        PageOptions options;
        for (int k = 0; k < qEnvironmentVariableIntValue("BENCH_MARKERS"); ++k)
            options.markers.push_back({100 + 250 * k, {}});
        if (qEnvironmentVariableIsSet("BENCH_BUSES"))
            for (int b = 0; b < 4; ++b)
                options.buses.push_back({QStringLiteral("B%1").arg(b),
                                         {4 * b + 3, 4 * b + 2, 4 * b + 1, 4 * b},
                                         Radix(b)});
        busy.window.pageOptions().set(options);
        busy.window.cmmd[1]->click();
        busy.preview = busy.window.preview();
        busy.preview->resize(1920, 1080);
        if (!QTest::qWaitForWindowExposed(busy.preview))
            return false;
        QTest::qWait(200);
        return busy.preview->message->isHidden();
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
        report("click to shown preview", times);
    }

    void settingChangeToRedrawn()
    {
        Busy busy;
        QVERIFY(open(busy));
        ui::main& window = busy.window;
        std::vector<double> times;
        for (int run = 0; run < 60; ++run) {
            // Channel 15 off and on, tick spacing 1 and 2 (with markers, the
            // first moved as a drag does): the page stays (nearly) the
            // busiest and the window's layout stays as it is.
            times.push_back(redrawnAfter(*busy.preview, [&] {
                PageOptions moved = window.pageOptions().options();
                if (run % 2 == 0) {
                    toolkit::setCheckValue(window.channelselect[15], run % 4 == 0 ? 0 : 1);
                } else if (!moved.markers.empty()) {
                    moved.markers[0].sample += run % 4 == 1 ? 40 : -40;
                    window.pageOptions().set(moved);
                } else {
                    window.tickfrequency->setText(run % 4 == 1 ? QStringLiteral("2")
                                                               : QStringLiteral("1"));
                }
            }));
            QVERIFY(times.back() >= 0);
            QVERIFY2(busy.preview->message->isHidden(), qPrintable(busy.preview->message->text()));
        }
        const QWidget* viewport = busy.preview->view->viewport();
        qInfo("view %dx%d", viewport->width(), viewport->height());
        report("setting change to redrawn page", times);
    }

    // Every zoom step in and out, scrolling across the page far in, and
    // paging through four pages.
    void viewChangeToRedrawn()
    {
        Busy busy;
        QVERIFY(open(busy));
        PageView& view = *busy.preview->view;
        std::vector<double> zooms;
        for (int step = 0; step < 34; ++step)
            zooms.push_back(
                redrawnAfter(*busy.preview, [&] { step < 17 ? view.zoomIn() : view.zoomOut(); }));
        report("zoom step to redrawn page", zooms);
        view.setZoom(8);
        QTest::qWait(0);
        std::vector<double> scrolls;
        for (QScrollBar* bar = view.horizontalScrollBar(); bar->value() < bar->maximum();)
            scrolls.push_back(redrawnAfter(*busy.preview, [&] {
                bar->setValue(bar->value() + 3 * bar->pageStep());
            }));
        report("scroll at zoom 8 to redrawn page", scrolls);
        view.fit();
        busy.preview->options->pages->setValue(4);
        QTest::qWait(0);
        std::vector<double> pages;
        for (int step = 0; step < 6; ++step)
            pages.push_back(redrawnAfter(*busy.preview, [&] {
                view.setPage(step < 3 ? view.page() + 1 : view.page() - 1);
            }));
        report("page step to redrawn page", pages);
        QVERIFY(std::find(zooms.begin(), zooms.end(), -1) == zooms.end());
    }
};

QTEST_MAIN(BenchPreview)
#include "bench_preview.moc"
