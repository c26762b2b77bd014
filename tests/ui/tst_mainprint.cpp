// The main window's Print: what it prints, on which printer, and its faults.

#include "tests/printing/popplertools.h"
#include "tests/ui/mainfixture.h"
#include "ui/preview/pageoptionsmodel.h"
#include "ui/savetarget.h"

#include <QFile>
#include <QFileDialog>

#include <sys/stat.h>
#include <unistd.h>

using capturefixture::CaptureRecipe;

class TestMainPrint : public QObject, MainFixture {
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedModal(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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

    void printUsesThePageOptions_data()
    {
        QTest::addColumn<int>("last");      // of a range from 600 over 3 pages of A4; -1 none
        QTest::addColumn<int>("pages");     // in the document; 0: Print stops with a report
        QTest::addColumn<QString>("size");  // of every page, as pdfinfo gives it
        QTest::addColumn<QString>("first"); // on the first page, or in the report
        QTest::newRow("designed") << -1 << 1 << "1224 x 792 pts"
                                  << "Tick frequency:10";
        QTest::newRow("A4, 600 to 900 on 3 pages") << 900 << 3 << "841.89 x 595.2"
                                                   << "samples 600\u2013700";
        QTest::newRow("reversed range") << 100 << 0 << ""
                                        << "Subscript out of range";
    }

    // Several pages make one document, asked for once.
    void printUsesThePageOptions()
    {
        QFETCH(int, last);
        QFETCH(int, pages);
        QFETCH(QString, size);
        QFETCH(QString, first);
        ui::main& w = *window;
        w.filepath = capturefixture::writeCapture(dir, QStringLiteral("options.csv"), {});
        toolkit::setCheckValue(w.channelselect[0], 1);
        const QString pdf = dir.filePath(QString::number(last) + QStringLiteral(".pdf"));
        int asked = 0;
        w.pdfPrinter().setTargetChooser([&asked, pdf] { return ++asked, pdf; });
        w.setPrinterList(
            [&w] { return std::vector<PrinterRef>{PrinterRef(&w.pdfPrinter(), [](Printer*) {})}; });
        if (last >= 0)
            w.pageOptions().set(onA4(600, last, 3));
        const WindowState before = stateof(w);
        const auto report = pages == 0 ? catchreport() : std::make_shared<QString>();
        w.cmmd[3]->click();
        QCOMPARE(modalseam::pending(), 0);
        QCOMPARE(asked, pages == 0 ? 0 : 1);
        QCOMPARE(stateof(w), before);
        QVERIFY2(pages > 0 ? QFile::exists(pdf) : report->contains(first) && !QFile::exists(pdf),
                 qPrintable(*report));
        if (pages == 0 || !poppler::available())
            return;
        const QString info = QString::fromLatin1(poppler::run(
            QStringLiteral("pdfinfo"), {QStringLiteral("-l"), QString::number(pages), pdf}));
        QVERIFY2(info.contains(QStringLiteral("Pages:           %1\n").arg(pages))
                     && info.count(size) == pages,
                 qPrintable(info));
        QVERIFY(poppler::run(QStringLiteral("pdftotext"), {pdf, "-"}).contains(first.toUtf8()));
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
};

QTEST_MAIN(TestMainPrint)
#include "tst_mainprint.moc"
