#include "printing/page/recordingsurface.h"
#include "tests/printing/printinghelpers.h"
#include "tests/support/capturefixture.h"
#include "tests/ui/modalanswers.h"
#include "ui/chooser/selectfile.h"
#include "ui/main.h"
#include "ui/savetarget.h"
#include "ui/toolkit/modalseam.h"
#include "ui/toolkit/twips.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <atomic>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using capturefixture::CaptureRecipe;

namespace {

// Everything a command may change, to compare before and after.
struct WindowState {
    QString filepath, heading, text1, tickfrequency, resolution, unitText;
    QStringList captions;
    QList<int> values;
    int unitindex;
    friend bool operator==(const WindowState&, const WindowState&) = default;
};

WindowState stateof(ui::main& w)
{
    WindowState s{w.filepath,
                  w.Heading->text(),
                  w.Text1->text(),
                  w.tickfrequency->text(),
                  w.resolution->text(),
                  w.units->currentText(),
                  {},
                  {},
                  toolkit::comboIndex(w.units)};
    for (int k = 0; k <= 16; ++k) {
        s.captions << w.channelselect[k]->text();
        s.values << toolkit::checkValue(w.channelselect[k]);
    }
    return s;
}

// Answers the chooser with `typed` in the file-name box and OK; an empty
// text answers with Cancel.
void answerchooser(const QString& typed)
{
    modalseam::push([typed](QWidget* window) {
        auto* form = qobject_cast<selectfile*>(window);
        QVERIFY(form);
        if (typed.isEmpty()) {
            form->cancelbutton->click();
            return;
        }
        form->filename->setText(typed);
        form->okbutton->click();
    });
}

// The chooser opens on the root, so an absolute path is typed without its
// leading "/".
QString typedfor(const QString& path)
{
    return QDir::rootPath() == QStringLiteral("/") && path.startsWith(QLatin1Char('/'))
               ? path.mid(1)
               : path;
}

} // namespace

class TestMain : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ui::main> window;
    std::shared_ptr<FakePrinter> printer;

    void load(const QString& path)
    {
        answerchooser(typedfor(path));
        window->cmmd[0]->click();
        QCOMPARE(modalseam::pending(), 0);
    }

    std::vector<PrintedText> printedtexts() const { return printer->page.texts(); }
    QString printedheading() const
    {
        for (const PrintedText& t : printedtexts())
            if (t.y == 625)
                return t.text;
        return QStringLiteral("<none>");
    }

private slots:
    void initTestCase() { failOnUnexpectedModal(); }

    void init()
    {
        QVERIFY(dir.isValid());
        window = std::make_unique<ui::main>();
        window->setEndProgram([] {});
        printer = fakePrinter(QStringLiteral("Adobe PDF"));
        window->setPrinterList([this] { return std::vector<PrinterRef>{printer}; });
    }

    void cleanup()
    {
        modalseam::clear();
        window.reset();
        QDir::setCurrent(QDir::tempPath());
    }

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

    void controlsStandWhereTheDesignPutsThem_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Load") << "cmmd0" << QRect(60, 60, 1095, 315);
        QTest::newRow("Print") << "cmmd3" << QRect(60, 3540, 5055, 495);
        QTest::newRow("All") << "cmmd4" << QRect(60, 960, 1575, 315);
        QTest::newRow("None") << "cmmd5" << QRect(60, 1320, 1575, 315);
        QTest::newRow("Preview") << "cmmd1" << QRect(60, 2370, 1575, 375);
        QTest::newRow("Channel 0") << "channelselect0" << QRect(1740, 960, 1635, 255);
        QTest::newRow("Channel 7") << "channelselect7" << QRect(1740, 3060, 1635, 255);
        QTest::newRow("Channel 8") << "channelselect8" << QRect(3480, 960, 1635, 255);
        QTest::newRow("Channel 15") << "channelselect15" << QRect(3480, 3060, 1635, 255);
        QTest::newRow("Tick marks") << "channelselect16" << QRect(60, 1680, 1155, 255);
        QTest::newRow("tickfrequency") << "tickfrequency" << QRect(60, 1980, 435, 285);
        QTest::newRow("Text1") << "Text1" << QRect(1200, 60, 3915, 315);
        QTest::newRow("Heading") << "Heading" << QRect(1200, 420, 3915, 315);
        QTest::newRow("resolution") << "resolution" << QRect(60, 3060, 795, 285);
        QTest::newRow("units") << "units" << QRect(900, 3060, 735, 315);
        QTest::newRow("Samples") << "Label10" << QRect(540, 2040, 1095, 255);
        QTest::newRow("Units") << "Label13" << QRect(900, 2820, 795, 195);
    }

    void controlsStandWhereTheDesignPutsThem()
    {
        QFETCH(QString, control);
        QFETCH(QRect, twips);
        ui::main& w = *window;
        QWidget* widget = nullptr;
        const auto indexed = [&](const QString& name) { return control.mid(name.size()).toInt(); };
        if (control.startsWith(QLatin1String("cmmd")))
            widget = w.cmmd[indexed(QStringLiteral("cmmd"))];
        else if (control.startsWith(QLatin1String("channelselect")))
            widget = w.channelselect[indexed(QStringLiteral("channelselect"))];
        else if (control.startsWith(QLatin1String("Label1")))
            widget = w.Label1[indexed(QStringLiteral("Label1"))];
        else
            widget = w.findChild<QWidget*>(control);
        QVERIFY(widget);
        QCOMPARE(toolkit::designTwips(widget), twips);
        QCOMPARE(widget->geometry(), toolkit::twipsRect(twips, w.logicalDpiX(), w.logicalDpiY()));
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

    void anEditedHeadingPrintsUntilTheNextLoad()
    {
        ui::main& w = *window;
        const QString path = capturefixture::writeCapture(dir, QStringLiteral("a.csv"), {});
        load(path);
        const QString loaded = w.Heading->text();
        w.Heading->setText(QStringLiteral("Edited heading"));
        w.cmmd[3]->click();
        QCOMPARE(printedheading(), QStringLiteral("Edited heading"));

        printer->page.clear();
        load(path);
        QCOMPARE(w.Heading->text(), loaded);
        w.cmmd[3]->click();
        QCOMPARE(printedheading(), loaded);
    }

    void printUsesTheWindowsSettings()
    {
        ui::main& w = *window;
        CaptureRecipe recipe;
        recipe.header[4] = "ONE,TWO,THREE,FOUR,A_NAME_LONGER_THAN_TWELVE";
        load(capturefixture::writeCapture(dir, QStringLiteral("b.csv"), recipe));
        toolkit::setCheckValue(w.channelselect[1], 1);
        toolkit::setCheckValue(w.channelselect[4], 1);
        w.resolution->setText(QStringLiteral("2.5"));
        toolkit::setComboIndex(w.units, 1);
        w.cmmd[3]->click();

        QStringList texts;
        for (const PrintedText& t : printedtexts())
            texts << QStringLiteral("%1,%2:%3").arg(t.x).arg(t.y).arg(t.text);
        QCOMPARE(texts,
                 (QStringList{
                     QStringLiteral("1200,1350:TWO"), QStringLiteral("1200,1700:A_NAME_LONGE"),
                     QStringLiteral("1200,625:") + w.Heading->text(),
                     QStringLiteral("1200,850:Tick frequency:10 samples @ 2.5us/sample =25us")}));
        QCOMPARE(w.printerreference, PrinterRef(printer));
    }

    void printWithoutTheAdobePrinterDoesNothing()
    {
        ui::main& w = *window;
        w.filepath = capturefixture::writeCapture(dir, QStringLiteral("c.csv"), {});
        auto office = fakePrinter(QStringLiteral("Office laser"));
        w.setPrinterList([office] { return std::vector<PrinterRef>{office}; });
        w.printingService().setCurrent(office);
        w.cmmd[3]->click();
        QVERIFY(office->page.isEmpty());
        QCOMPARE(w.printingService().current(), PrinterRef(office));
        QVERIFY(!w.printerreference);

        // The list is asked afresh at each print: a printer added meanwhile is found.
        w.setPrinterList([office, this] { return std::vector<PrinterRef>{office, printer}; });
        w.cmmd[3]->click();
        QVERIFY(!printer->page.isEmpty());
        QCOMPARE(w.printerreference, PrinterRef(printer));
    }

    void faultsAreReportedAndTheWindowGoesOn_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("field"); // put into row 3, channel 2 when not empty
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("target"); // where the PDF goes; "" for a fresh file
        QTest::newRow("print: 2052 lines")
            << 3 << 2047 << QByteArray() << false
            << QStringList{"Input past end of file", "line 2053"} << QString();
        QTest::newRow("print: letter in a ticked column")
            << 3 << 2048 << QByteArray("x") << false
            << QStringList{"Type mismatch", "\"x\"", "line 9", "field 3"} << QString();
        QTest::newRow("print: 256")
            << 3 << 2048 << QByteArray("256") << false
            << QStringList{"Overflow", "\"256\"", "line 9", "field 3"} << QString();
        QTest::newRow("print: missing file")
            << 3 << 2048 << QByteArray() << true << QStringList{"Cannot open file", "missing.csv"}
            << QString();
        QTest::newRow("print: full disk")
            << 3 << 2048 << QByteArray() << false
            << QStringList{"Cannot write file", "No space left"} << QStringLiteral("/dev/full");
        QTest::newRow("print: through another user's link in a shared folder")
            << 3 << 2048 << QByteArray() << false << QStringList{"Cannot open file", "not followed"}
            << QStringLiteral("planted");
        QTest::newRow("load: header ends early")
            << 0 << -1 << QByteArray() << false << QStringList{"Input past end of file", "line 4"}
            << QString();
    }

    void faultsAreReportedAndTheWindowGoesOn()
    {
        QFETCH(int, command);
        QFETCH(int, rows);
        QFETCH(QByteArray, field);
        QFETCH(bool, missing);
        QFETCH(QStringList, expected);
        QFETCH(QString, target);
        ui::main& w = *window;

        CaptureRecipe recipe;
        if (rows < 0) {
            recipe.header = recipe.header.mid(0, 3);
            recipe.rows = 0;
        } else {
            recipe.rows = rows;
        }
        if (!field.isEmpty())
            recipe.fields[{3, 2}] = field;
        const QString path =
            missing ? dir.filePath(QStringLiteral("missing.csv"))
                    : capturefixture::writeCapture(dir, QStringLiteral("bad.csv"), recipe);
        if (target == QLatin1String("planted")) {
            // A link to a folder of ours, as another user may plant one in /tmp.
            if (::geteuid() != 0)
                QSKIP("only root can make links that belong to another user");
            const QString shared = dir.filePath(QStringLiteral("shared"));
            QVERIFY(QDir().mkpath(shared + QStringLiteral("/ours"))
                    && ::chmod(qPrintable(shared), 01777) == 0);
            QFile::remove(shared + QStringLiteral("/x"));
            QVERIFY(QFile::link(shared + QStringLiteral("/ours"), shared + QStringLiteral("/x"))
                    && ::lchown(qPrintable(shared + QStringLiteral("/x")), 65534, 65534) == 0);
            target = shared + QStringLiteral("/x/out.pdf");
        }
        const QString pdf = target.isEmpty() ? dir.filePath(QStringLiteral("never.pdf")) : target;
        w.pdfPrinter().setTargetChooser([pdf] { return pdf; });
        w.setPrinterList(
            [&w] { return std::vector<PrinterRef>{PrinterRef(&w.pdfPrinter(), [](Printer*) {})}; });
        if (command == 3)
            w.filepath = path;
        toolkit::setCheckValue(w.channelselect[2], 1);
        w.Heading->setText(QStringLiteral("before"));
        const WindowState before = stateof(w);
        const int handles = capturefixture::openFileCount();

        if (command == 0)
            answerchooser(typedfor(path));
        auto report = catchreport();
        w.cmmd[command]->click();

        QCOMPARE(modalseam::pending(), 0);
        for (const QString& part : expected)
            QVERIFY2(report->contains(part), qPrintable(*report));
        QVERIFY2(report->contains(QFileInfo(target.isEmpty() ? path : target).fileName()),
                 qPrintable(*report));
        QCOMPARE(stateof(w), before);
        QCOMPARE(capturefixture::openFileCount(), handles);
        QVERIFY(target.isEmpty() ? !QFile::exists(pdf) : !QFileInfo(pdf).isFile());
        QVERIFY(w.pdfPrinter().recording().isEmpty());
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

    void printBeforeAnyLoadReadsTheDefaultFile()
    {
        // The default file lies in the system's temporary folder: point that
        // at a folder of our own.
        const QByteArray oldtmp = qgetenv("TMPDIR");
        const QString tmp = dir.filePath(QStringLiteral("systemtmp"));
        QVERIFY(QDir().mkpath(tmp));
        qputenv("TMPDIR", tmp.toLocal8Bit());
        window = std::make_unique<ui::main>();
        window->setEndProgram([] {});
        window->setPrinterList([this] { return std::vector<PrinterRef>{printer}; });
        qputenv("TMPDIR", oldtmp);
        ui::main& w = *window;
        const QString fallback = tmp + QStringLiteral("/zelmar.csv");
        QCOMPARE(w.filepath, fallback);
        w.cmmd[4]->click();

        auto report = catchreport();
        w.cmmd[3]->click();
        QVERIFY2(report->startsWith(QStringLiteral("Print stopped")), qPrintable(*report));
        QVERIFY2(report->contains(QStringLiteral("Cannot open file")), qPrintable(*report));
        QVERIFY2(report->contains(fallback), qPrintable(*report));
        QVERIFY(printer->page.isEmpty());

        QVERIFY(!capturefixture::writeCapture(dir, QStringLiteral("systemtmp/zelmar.csv"), {})
                     .isEmpty());
        w.cmmd[3]->click();
        QCOMPARE(modalseam::pending(), 0);
        const std::vector<PrintedText> texts = printedtexts();
        QCOMPARE(texts.size(), std::size_t(16 + 2));
        QCOMPARE(texts.front().text, QStringLiteral("Channel 0"));
        QCOMPARE(texts[15].text, QStringLiteral("Channel 15"));
        QCOMPARE(printedheading(), QString());
    }

    void saveDialogProposesTheCapturesNameAndCancelWritesNothing()
    {
        // A window as the program makes it, with its own printers and Save dialog.
        window = std::make_unique<ui::main>();
        window->setEndProgram([] {});
        const QString path = capturefixture::writeCapture(dir, QStringLiteral("run7.csv"), {});
        const QString pdf = dir.filePath(QStringLiteral("run7.pdf"));
        window->filepath = path;
        QCOMPARE(proposedPdfPath(path), pdf);

        QString proposed;
        modalseam::push([&proposed](QWidget* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            QVERIFY(dialog);
            proposed = dialog->selectedFiles().value(0);
            dialog->reject();
        });
        window->cmmd[3]->click();
        QCOMPARE(modalseam::pending(), 0);
        QCOMPARE(proposed, pdf);
        QVERIFY(!QFile::exists(pdf));

        modalseam::push([](QWidget* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            QVERIFY(dialog);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        window->cmmd[3]->click();
        QCOMPARE(modalseam::pending(), 0);
        QVERIFY(QFile::exists(pdf));
        QVERIFY(QFile(pdf).size() > 1000);
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
