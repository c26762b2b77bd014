// The main window itself: its design, its layout, its keys and its size.

#include "tests/ui/mainfixture.h"
#include "ui/optionssummary.h"
#include "ui/preview/pageoptionsmodel.h"
#include "ui/toolkit/twips.h"

#include <QApplication>

using capturefixture::CaptureRecipe;

Q_DECLARE_METATYPE(PageOptions)

class TestMain : public QObject, MainFixture {
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedModal(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void startsWithTheDesignDefaults()
    {
        ui::main& w = *window;
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELMAR CSV to PDF (11x17 @ 1200 DPI)"));
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(toolkit::checkValue(w.channelselect[k]), 0);
            QCOMPARE(w.channelselect[k]->text(), QStringLiteral("Channel %1").arg(k));
        }
        QCOMPARE(w.channelselect[16]->text(), QStringLiteral("Tick marks"));
        QCOMPARE(toolkit::checkValue(w.channelselect[16]), 1);
        QCOMPARE(w.tickfrequency->text(), QStringLiteral("10"));
        QCOMPARE(w.resolution->text(), QStringLiteral("100"));
        QCOMPARE(toolkit::comboIndex(w.units), 0);
        QCOMPARE(w.units->currentText(), QStringLiteral("nS"));
        QCOMPARE(w.units->count(), 3);
        QVERIFY(w.Heading->text().isEmpty());
        QVERIFY(w.Text1->text().isEmpty());
        QVERIFY(w.Text1->isReadOnly());
        QCOMPARE(w.filepath, QDir::tempPath() + QStringLiteral("/zelmar.csv"));
        QCOMPARE(w.cmmd.indexes(), (QList<int>{0, 1, 3, 4, 5}));
        QCOMPARE(w.formwidth, 5160);
        QCOMPARE(w.formheight, 4125);
    }

    void controlsKeepTheirPlaces_data()
    {
        QTest::addColumn<PageOptions>("options"); // as the preview sets them
        QTest::addColumn<QString>("summary");     // what the window says of them
        PageOptions set = onA4(600, 900, 3);
        set.timeaxis = true;
        QTest::newRow("designed") << PageOptions{} << QString();
        PageOptions whole; // as the preview's range boxes give it
        whole.lastsample = 2047;
        QTest::newRow("the whole capture by number") << whole << QString();
        QTest::newRow("A4, a range over pages, a time axis")
            << set << QStringLiteral("A4 · 600–900 · 3 pages · time axis");
        set.markers.resize(2);
        set.buses.resize(1);
        set.layout = LayoutKind::Fill;
        QTest::newRow("more than the line holds")
            << set << "A4 · 600–900 · 3 pages · time axis · 2 markers · 1 bus · filled page";
    }

    // Each control stands where the design puts it, in the design's order,
    // none over another; the line on the page options Print uses only comes
    // and goes, over the rule above Print.
    void controlsKeepTheirPlaces()
    {
        QFETCH(PageOptions, options);
        QFETCH(QString, summary);
        ui::main& w = *window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QList<QWidget*> controls;
        QList<QRect> places;
        for (QWidget* control : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect design = toolkit::designTwips(control);
            if (design.isNull())
                continue;
            controls << control;
            places << control->geometry();
            // (A rule is drawn a few pixels high about its line.)
            if (design.height() > 0)
                QCOMPARE(control->geometry(),
                         toolkit::twipsRect(design, w.logicalDpiX(), w.logicalDpiY()));
        }
        QCOMPARE(controls.size(), 5 + 17 + 4 + 2 + 5);

        w.pageOptions().set(options);
        QCOMPARE(w.pageOptions().summary(), summary);
        QCOMPARE(w.optionsSummary->isVisible(), !summary.isEmpty());
        QVERIFY(w.optionsSummary->toolTip().contains(summary));
        if (w.optionsSummary->isVisible())
            controls << w.optionsSummary;
        for (int i = 0; i < controls.size(); ++i) {
            QVERIFY(i >= places.size() || controls[i]->geometry() == places[i]);
            QVERIFY(w.rect().contains(controls[i]->geometry()));
            for (int j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry())
                             || (controls[i] == w.Line1[1] && controls[j] == w.optionsSummary),
                         qPrintable(controls[i]->objectName() + " " + controls[j]->objectName()));
        }
        // The left column from top to bottom; the channels in two columns of eight.
        const QList<QWidget*> column = {w.cmmd[0], w.Label1[1],         w.cmmd[4],
                                        w.cmmd[5], w.channelselect[16], w.tickfrequency,
                                        w.cmmd[1], w.Label1[2],         w.resolution,
                                        w.cmmd[3]};
        for (int i = 1; i < column.size(); ++i)
            QVERIFY(column[i - 1]->geometry().bottom() < column[i]->y());
        for (int k = 0; k < 15; ++k) {
            const QRect box = w.channelselect[k]->geometry(),
                        next = w.channelselect[k + 1]->geometry();
            QVERIFY(k == 7 ? box.right() < next.left() : box.bottom() < next.top());
        }
    }

    void tabOrderFollowsTheDesign()
    {
        ui::main& w = *window;
        QList<QWidget*> expected = {w.cmmd[0], w.cmmd[3]};
        for (int k = 0; k < 16; ++k)
            expected << w.channelselect[k];
        expected << w.cmmd[4] << w.cmmd[5] << w.channelselect[16] << w.tickfrequency << w.Text1
                 << w.Heading << w.resolution << w.units << w.cmmd[1];
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        expected.first()->setFocus();
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            // An editable combo box takes the focus in its line edit.
            if (focus != expected[i])
                focus = focus->parentWidget();
            QCOMPARE(focus, expected[i]);
        }
    }

    void allAndNoneLeaveTickMarksAlone_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("tickmarks");
        QTest::addColumn<int>("expected");
        QTest::newRow("All, ticks on") << 4 << 1 << 1;
        QTest::newRow("All, ticks off") << 4 << 0 << 1;
        QTest::newRow("None, ticks on") << 5 << 1 << 0;
        QTest::newRow("None, ticks off") << 5 << 0 << 0;
    }

    void allAndNoneLeaveTickMarksAlone()
    {
        QFETCH(int, command);
        QFETCH(int, tickmarks);
        QFETCH(int, expected);
        ui::main& w = *window;
        toolkit::setCheckValue(w.channelselect[16], tickmarks);
        toolkit::setCheckValue(w.channelselect[3], 1 - expected);
        w.cmmd[command]->click();
        for (int k = 0; k < 16; ++k)
            QCOMPARE(toolkit::checkValue(w.channelselect[k]), expected);
        QCOMPARE(toolkit::checkValue(w.channelselect[16]), tickmarks);
    }

    void otherCommandIndexesDoNothing()
    {
        const WindowState before = stateof(*window);
        for (int index : {-1, 2, 6, 99})
            window->cmmd_Click(index);
        QCOMPARE(stateof(*window), before);
    }

    void shortcutsRunLoadAndPrint_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("chooser");
        QTest::addColumn<bool>("printed");
        QTest::newRow("Ctrl+O: Load") << int(Qt::Key_O) << true << false;
        QTest::newRow("Ctrl+P: Print") << int(Qt::Key_P) << false << true;
    }

    void shortcutsRunLoadAndPrint()
    {
        QFETCH(int, key);
        QFETCH(bool, chooser);
        QFETCH(bool, printed);
        ui::main& w = *window;
        w.filepath = capturefixture::writeCapture(dir, QStringLiteral("keys.csv"), CaptureRecipe());
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (chooser)
            answerchooser(QString());
        QTest::keyClick(&w, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(modalseam::pending(), 0);
        QCOMPARE(!printer->page.isEmpty(), printed);
    }

    void keepsItsSize()
    {
        ui::main& w = *window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize design = w.size();

        w.resize(design.width() + 120, design.height() - 40);
        QTRY_COMPARE(w.size(), design);

        w.showMaximized();
        QTRY_VERIFY(!(w.windowState() & Qt::WindowMaximized));
        QTRY_COMPARE(w.size(), design);

        w.showMinimized();
        w.resize(10, 10); // ignored while minimised ...
        w.showNormal();   // ... and undone on the way back
        QTRY_COMPARE(w.size(), design);
    }

    void closingEndsTheProgram()
    {
        int ended = 0;
        window->setEndProgram([&ended] { ++ended; });
        window->show();
        QVERIFY(window->close());
        QCOMPARE(ended, 1);
    }

    void stripperRewritesItsArgument()
    {
        QString line = QStringLiteral("\"a\",\"b c\",d");
        QCOMPARE(window->stripper(line), QStringLiteral("a b c d "));
        QCOMPARE(line, QStringLiteral(" a   b c  d"));
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"
