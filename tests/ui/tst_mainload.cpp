// The main window's Load, and captures dropped on it or named at start.

#include "tests/ui/mainfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using capturefixture::CaptureRecipe;

class TestMainLoad : public QObject, MainFixture {
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedModal(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void loadFillsHeadingNamesAndPath()
    {
        CaptureRecipe recipe;
        recipe.header = {"ZelmarProgramVersion,2.31", "first", "", "third,\"quoted\"",
                         "\"CLK\",\"DATA\",,\"A_VERY_LONG_CHANNEL_NAME\""};
        const QString path =
            capturefixture::writeCapture(dir, QStringLiteral("mixed case.csv"), recipe);
        toolkit::setCheckValue(window->channelselect[2], 1);
        toolkit::setCheckValue(window->channelselect[16], 0);

        load(path);

        ui::main& w = *window;
        QCOMPARE(w.Heading->text(),
                 QStringLiteral("ZelmarProgramVersion 2.31  / first  /  / third quoted  "));
        QCOMPARE(w.channelselect[0]->text(), QStringLiteral("CLK"));
        QCOMPARE(w.channelselect[1]->text(), QStringLiteral("DATA"));
        QCOMPARE(w.channelselect[2]->text(), QStringLiteral("A_VERY_LONG_CHANNEL_NAME"));
        for (int k = 3; k < 16; ++k)
            QCOMPARE(w.channelselect[k]->text(), QString());
        QCOMPARE(w.filepath, path);
        QCOMPARE(w.Text1->text(), path.toUpper());
        // Loading never touches the ticks.
        QCOMPARE(toolkit::checkValue(w.channelselect[2]), 1);
        QCOMPARE(toolkit::checkValue(w.channelselect[16]), 0);
    }

    void loadTakesTheFirstSixteenOfTwentyNames()
    {
        CaptureRecipe recipe;
        QByteArray names;
        for (int i = 0; i < 20; ++i)
            names += "N" + QByteArray::number(i) + (i % 2 ? " " : ",");
        recipe.header[4] = names;
        load(capturefixture::writeCapture(dir, QStringLiteral("twenty.csv"), recipe));
        for (int k = 0; k < 16; ++k)
            QCOMPARE(window->channelselect[k]->text(), QStringLiteral("N%1").arg(k));
    }

    void aRejectedOrCancelledLoadChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("line1");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << QByteArray("ZelmarProgramVersion,2.31") << true;
        QTest::newRow("lower case") << QByteArray("zelmarprogramversion,2.31") << false;
        QTest::newRow("leading blank") << QByteArray(" ZelmarProgramVersion,2.31") << false;
        QTest::newRow("blank before comma") << QByteArray("ZelmarProgramVersion ,2.31") << false;
        QTest::newRow("space for comma") << QByteArray("ZelmarProgramVersion 2.31") << false;
        QTest::newRow("quoted") << QByteArray("\"ZelmarProgramVersion\",2.31") << false;
    }

    void aRejectedOrCancelledLoadChangesNothing()
    {
        QFETCH(QByteArray, line1);
        QFETCH(bool, cancel);
        ui::main& w = *window;
        w.Heading->setText(QStringLiteral("kept"));
        const WindowState before = stateof(w);
        const int handles = capturefixture::openFileCount();

        CaptureRecipe recipe;
        recipe.header[0] = line1;
        const QString path =
            capturefixture::writeCapture(dir, QStringLiteral("reject.csv"), recipe);
        answerchooser(cancel ? QString() : typedfor(path));
        w.cmmd[0]->click();
        QCOMPARE(modalseam::pending(), 0);

        QCOMPARE(stateof(w), before);
        QCOMPARE(capturefixture::openFileCount(), handles);

        // The window goes on: a good file loads and prints afterwards.
        recipe.header[0] = "ZelmarProgramVersion";
        const QString good = capturefixture::writeCapture(dir, QStringLiteral("good.csv"), recipe);
        load(good);
        QCOMPARE(w.filepath, good);
        QVERIFY(w.Heading->text().startsWith(QStringLiteral("ZelmarProgramVersion  / ")));
        w.cmmd[3]->click();
        QCOMPARE(printer->page.count(SurfaceCallKind::EndDoc), std::size_t(1));
    }

    void aDroppedFileLoadsAsLoadDoes_data()
    {
        QTest::addColumn<QByteArray>("line1");
        QTest::addColumn<int>("headerlines");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("droponly"); // what a drop reports and Load does not
        QTest::newRow("capture") << QByteArray("ZelmarProgramVersion,2.31") << 5 << QString()
                                 << QString();
        QTest::newRow("header ends early") << QByteArray("ZelmarProgramVersion,2.31") << 3
                                           << QStringLiteral("Input past end of file") << QString();
        QTest::newRow("not a capture") << QByteArray("time,level") << 5 << QString()
                                       << QStringLiteral("is not a capture file");
    }

    // The same file loaded by Load in one window and dropped on another must
    // leave both in the same state with the same report, except that a drop
    // says when the file is not a capture.
    void aDroppedFileLoadsAsLoadDoes()
    {
        QFETCH(QByteArray, line1);
        QFETCH(int, headerlines);
        QFETCH(QString, report);
        QFETCH(QString, droponly);
        CaptureRecipe recipe;
        recipe.header[0] = line1;
        if (headerlines < 5) {
            recipe.header = recipe.header.mid(0, headerlines);
            recipe.rows = 0;
        }
        const QString path =
            capturefixture::writeCapture(dir, QStringLiteral("dropped.csv"), recipe);

        ui::main loaded;
        loaded.setEndProgram([] {});
        loaded.Heading->setText(QStringLiteral("kept"));
        answerchooser(typedfor(path));
        auto loadreport = report.isEmpty() ? std::make_shared<QString>() : catchreport();
        loaded.cmmd[0]->click();
        QCOMPARE(modalseam::pending(), 0);

        ui::main& w = *window;
        w.Heading->setText(QStringLiteral("kept"));
        const int handles = capturefixture::openFileCount();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        auto dropreport =
            report.isEmpty() && droponly.isEmpty() ? std::make_shared<QString>() : catchreport();
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QVERIFY(drop.isAccepted());
        QCoreApplication::processEvents();

        QCOMPARE(modalseam::pending(), 0);
        QVERIFY2(loadreport->contains(report), qPrintable(*loadreport));
        if (droponly.isEmpty()) {
            QCOMPARE(*dropreport, *loadreport);
        } else {
            QVERIFY2(dropreport->contains(droponly) && dropreport->contains(path),
                     qPrintable(*dropreport));
            QVERIFY2(loadreport->isEmpty(), qPrintable(*loadreport));
        }
        QCOMPARE(stateof(w), stateof(loaded));
        QCOMPARE(w.filepath == path, report.isEmpty() && line1.startsWith("Zelmar"));
        QCOMPARE(capturefixture::openFileCount(), handles);

        // Two files, or none, are not taken.
        QMimeData two;
        two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(&w, &refused);
        QVERIFY(!refused.isAccepted());
    }

    void openingWhatCannotBeLoadedSaysSo_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("not a capture")
            << "csv" << QStringList{"is not a capture file", "ZelmarProgramVersion"};
        QTest::newRow("pipe without a writer")
            << "fifo" << QStringList{"Cannot open file", "is a pipe"};
        QTest::newRow("missing file") << "missing" << QStringList{"Cannot open file"};
        QTest::newRow("link to a terminal device")
            << "ptmx" << QStringList{"Cannot open file", "is a device"};
    }

    // `zelmar FILE` never waits on what it is given, and never passes over it
    // without a word.
    void openingWhatCannotBeLoadedSaysSo()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, expected);
        ui::main& w = *window;
        const QString path = dir.filePath(QStringLiteral("opened.") + kind);
        QFile::remove(path);
        if (kind == QLatin1String("fifo")) {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == QLatin1String("ptmx")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), path));
        } else if (kind == QLatin1String("csv")) {
            CaptureRecipe recipe;
            recipe.header[0] = "time,level";
            QVERIFY(
                !capturefixture::writeCapture(dir, QFileInfo(path).fileName(), recipe).isEmpty());
        }
        w.Heading->setText(QStringLiteral("kept"));
        const WindowState before = stateof(w);
        const int handles = capturefixture::openFileCount();

        // Should the open wait for a writer, one comes after 5 s, so that the
        // test fails instead of hanging.
        std::atomic<bool> returned{false};
        std::thread writer([&returned, name = QFile::encodeName(path)] {
            for (int k = 0; k < 50 && !returned; ++k)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const int fd = returned ? -1 : ::open(name.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        });
        auto report = catchreport();
        QElapsedTimer clock;
        clock.start();
        ::alarm(20); // a device read would wait for ever: end the test instead
        w.openCapture(path);
        ::alarm(0);
        returned = true;
        writer.join();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));

        QCOMPARE(modalseam::pending(), 0);
        for (const QString& part : expected)
            QVERIFY2(report->contains(part), qPrintable(*report));
        QVERIFY2(report->contains(path), qPrintable(*report));
        QCOMPARE(stateof(w), before);
        QCOMPARE(capturefixture::openFileCount(), handles);
    }
};

QTEST_MAIN(TestMainLoad)
#include "tst_mainload.moc"
