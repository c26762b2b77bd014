#include "capture/csvcapture.h"
#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"
#include "tests/printing/popplertools.h"
#include "tests/printing/printinghelpers.h"
#include "tests/support/capturefixture.h"
#include "tests/ui/modalanswers.h"
#include "ui/chooser/selectfile.h"
#include "ui/main.h"
#include "ui/preview/capturesource.h"
#include "ui/preview/preview.h"
#include "ui/toolkit/modalseam.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstdio>

#include <memory>
#include <sys/stat.h>

using capturefixture::CaptureRecipe;

namespace {

size_t drawing(Preview& preview)
{
    const QImage image = preview.view->drawnImage();
    return qHashBits(image.constBits(), size_t(image.sizeInBytes()));
}

// Pixels of the drawing as dark as a black line: a trace thinner than a
// pixel must not fade away.
int darkPixels(Preview& preview)
{
    const QImage image = preview.view->drawnImage().convertToFormat(QImage::Format_RGB32);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 64;
    return dark;
}

// What Print says when it stops: the text of its fault report.
QString printsReport(ui::main& window)
{
    const auto text = catchreport();
    window.cmmd[3]->click();
    if (modalseam::pending() > 0) {
        modalseam::clear();
        return QStringLiteral("<Print stopped with no report>");
    }
    return *text;
}

void load(ui::main& window, const QString& path)
{
    modalseam::push([path](QWidget* shown) {
        auto* form = qobject_cast<selectfile*>(shown);
        QVERIFY(form);
        // The chooser starts at the root.
        form->filename->setText(path.mid(1));
        form->okbutton->click();
    });
    window.cmmd[0]->click();
    QCOMPARE(modalseam::pending(), 0);
}

// Answers the save dialog with `name` in `folder`, after choosing `filter`
// when it is given.
void answerSave(const QString& folder, const QString& name, const QString& filter)
{
    modalseam::push([folder, name, filter](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        QVERIFY(dialog);
        if (!filter.isEmpty()) {
            dialog->selectNameFilter(filter);
            emit dialog->filterSelected(filter);
        }
        dialog->setDirectory(folder);
        dialog->selectFile(name);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

// Whether a capture read through a reader that stalls may be read now.
std::atomic<bool> answer{true};

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ui::main> window;
    std::shared_ptr<FakePrinter> printer;
    QString capture;

    Preview& preview() { return *window->preview(); }

    // The preview once the events of this turn (and a file's settling) are through.
    void settle()
    {
        QTest::qWait(0);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() { failOnUnexpectedModal(); }

    void init()
    {
        QVERIFY(dir.isValid());
        // A row may leave a link to a device there: written through, it would replace the device.
        QFile::remove(dir.filePath(QStringLiteral("bus.csv")));
        capture = capturefixture::writeCapture(dir, QStringLiteral("bus.csv"),
                                               capturefixture::counterExample());
        window = std::make_unique<ui::main>();
        window->setEndProgram([] {});
        printer = fakePrinter(QStringLiteral("Adobe PDF"));
        window->setPrinterList([this] { return std::vector<PrinterRef>{printer}; });
        load(*window, capture);
        toolkit::setCheckValue(window->channelselect[0], 1);
        toolkit::setCheckValue(window->channelselect[1], 1);
        window->cmmd[1]->click();
        QVERIFY(window->preview());
        QVERIFY(QTest::qWaitForWindowExposed(&preview()));
        // Its shortcuts work in the active window.
        QVERIFY(QTest::qWaitForWindowActive(&preview()));
        settle();
    }

    void cleanup()
    {
        modalseam::clear();
        window.reset();
        answer = true;
        CaptureSource::readWith({}, std::chrono::seconds(3));
    }

    void followsTheWindowAndSaysWhatIsWrong_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message"); // "": a page; "print": Print's own report
        QTest::addColumn<int>("recorded");    // how often the pages were recorded
        QTest::addColumn<int>("reads");       // how often the capture was read
        QTest::newRow("tick a box") << "tick"
                                    << "" << 1 << 0;
        QTest::newRow("untick a box") << "untick"
                                      << "" << 1 << 0;
        QTest::newRow("All at once") << "all"
                                     << "" << 1 << 0;
        QTest::newRow("tick marks off") << "ticks"
                                        << "" << 1 << 0;
        QTest::newRow("tick spacing") << "spacing"
                                      << "" << 1 << 0;
        QTest::newRow("heading") << "heading"
                                 << "" << 1 << 0;
        QTest::newRow("resolution and unit") << "resolution"
                                             << "" << 1 << 0;
        QTest::newRow("paper") << "paper"
                               << "" << 1 << 0;
        QTest::newRow("range over pages") << "range"
                                          << "" << 1 << 0;
        QTest::newRow("zoomed in far") << "zoom"
                                       << "" << 0 << 0;
        QTest::newRow("loaded anew") << "load"
                                     << "" << 1 << 1;
        QTest::newRow("the same loaded again") << "again"
                                               << "" << 1 << 1;
        QTest::newRow("replaced on disk") << "replace"
                                          << "" << 3 << 3;
        QTest::newRow("faulty capture") << "fault"
                                        << "print" << 1 << 1;
        QTest::newRow("no channel ticked") << "none"
                                           << "No channel is ticked" << 1 << 0;
        QTest::newRow("capture removed") << "remove"
                                         << "print" << 1 << 1;
        QTest::newRow("a pipe as capture") << "pipe"
                                           << "print" << 1 << 1;
        QTest::newRow("link to a capture replaced") << "link"
                                                    << "" << 2 << 2;
        QTest::newRow("replaced by a link to a device") << "device"
                                                        << "is a device" << 1 << 1;
        QTest::newRow("a capture that does not answer") << "stall"
                                                        << "does not answer" << 1 << 1;
        QTest::newRow("reversed range") << "reversed"
                                        << "not a range" << 0 << 0;
        // (once more as it comes back)
        QTest::newRow("minimised, then asked for") << "minimised"
                                                   << "" << 2 << 0;
    }

    void followsTheWindowAndSaysWhatIsWrong()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QFETCH(int, recorded);
        QFETCH(int, reads);
        ui::main& w = *window;
        Preview& p = preview();
        QVERIFY2(p.message->isHidden(), qPrintable(p.message->text()));
        QCOMPARE(p.windowTitle(), QStringLiteral("Preview — bus.csv"));
        const size_t before = drawing(p);
        const int recordings = p.recordings();
        const int read = p.source().reads();
        p.status->setText(QStringLiteral("Copied page 1 as an image"));

        CaptureRecipe other = capturefixture::counterExample();
        other.level = [](int row, int channel) { return (row >> (channel + 2)) & 1; };
        if (change == QLatin1String("tick")) {
            toolkit::setCheckValue(w.channelselect[2], 1);
        } else if (change == QLatin1String("untick")) {
            toolkit::setCheckValue(w.channelselect[1], 0);
        } else if (change == QLatin1String("all")) {
            w.cmmd[4]->click();
        } else if (change == QLatin1String("ticks")) {
            toolkit::setCheckValue(w.channelselect[16], 0);
        } else if (change == QLatin1String("spacing")) {
            w.tickfrequency->setText(QStringLiteral("25"));
        } else if (change == QLatin1String("heading")) {
            w.Heading->setText(QStringLiteral("Another heading"));
        } else if (change == QLatin1String("resolution")) {
            w.resolution->setText(QStringLiteral("250"));
            toolkit::setComboIndex(w.units, 2);
        } else if (change == QLatin1String("paper")) {
            p.options->paper->setCurrentText(QStringLiteral("a4"));
        } else if (change == QLatin1String("range")) {
            p.options->to->setValue(1023);
            p.options->pages->setValue(3);
        } else if (change == QLatin1String("zoom")) {
            // Beyond what one image of the whole paper may take: the view
            // keeps what it shows and around it.
            for (int k = 0; k < 10; ++k)
                QTest::keyClick(p.view, Qt::Key_Plus);
            p.view->horizontalScrollBar()->setValue(0);
            p.view->verticalScrollBar()->setValue(0);
            QVERIFY(p.view->zoom() > 9);
            const int paperWidth =
                p.view->horizontalScrollBar()->maximum() + p.view->viewport()->width();
            QVERIFY(p.view->drawnImage().width() < paperWidth / 2);
        } else if (change == QLatin1String("load")) {
            load(w, capturefixture::writeCapture(dir, QStringLiteral("other.csv"), other));
        } else if (change == QLatin1String("again")) {
            load(w, capture); // unchanged on disk: only the Load reads it
        } else if (change == QLatin1String("replace")) {
            // As an editor saves: a new file renamed over the old one, twice,
            // so the second comes to a watch set up anew.
            for (int k = 1; k <= 2; ++k) {
                other.level = [k](int row, int channel) { return (row >> (channel + k)) & 1; };
                const QString fresh =
                    capturefixture::writeCapture(dir, QStringLiteral("new.csv"), other);
                QVERIFY(::rename(qPrintable(fresh), qPrintable(capture)) == 0);
                QTRY_COMPARE(p.source().reads(), read + k);
            }
            // Then written where it is, as a capture program writes.
            other.level = [](int row, int channel) { return (row >> channel) & 1; };
            QFile file(capture);
            // (one write over bytes of the same length: one change)
            QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
            QVERIFY(file.write(capturefixture::captureText(other)) > 0);
            file.close();
        } else if (change == QLatin1String("fault")) {
            other.fields[{3, 1}] = "x";
            load(w, capturefixture::writeCapture(dir, QStringLiteral("bad.csv"), other));
        } else if (change == QLatin1String("none")) {
            w.cmmd[5]->click();
        } else if (change == QLatin1String("remove")) {
            QVERIFY(QFile::remove(capture));
        } else if (change == QLatin1String("pipe")) {
            // Not waited for: no one writes into it.
            const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
            QVERIFY(::mkfifo(qPrintable(fifo), 0600) == 0);
            w.filepath = fifo;
            w.Heading->setText(QStringLiteral("through a pipe"));
        } else if (change == QLatin1String("link")) {
            const QString link = dir.filePath(QStringLiteral("link.csv"));
            QVERIFY(QFile::link(capture, link));
            load(w, link);
            QTRY_COMPARE(p.source().reads(), read + 1);
            const QString fresh =
                capturefixture::writeCapture(dir, QStringLiteral("new.csv"), other);
            QVERIFY(::rename(qPrintable(fresh), qPrintable(capture)) == 0);
        } else if (change == QLatin1String("device")) {
            const QString link = dir.filePath(QStringLiteral("device.csv"));
            QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), link));
            QVERIFY(::rename(qPrintable(link), qPrintable(capture)) == 0);
        } else if (change == QLatin1String("stall")) {
            answer = false;
            CaptureSource::readWith(
                [](const QString& path) {
                    for (int k = 0; k < 100 && !answer; ++k)
                        QThread::msleep(50);
                    return readCapture(path);
                },
                std::chrono::milliseconds(300));
            QElapsedTimer clock;
            clock.start();
            load(w, capture);
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        } else if (change == QLatin1String("minimised")) {
            p.showMinimized();
            w.Heading->setText(QStringLiteral("Another heading"));
            w.cmmd[1]->click();
            QVERIFY(!p.isMinimized());
        } else if (change == QLatin1String("reversed")) {
            p.options->from->setValue(900);
            p.options->to->setValue(100);
        }
        QTRY_COMPARE(p.source().reads(), read + reads);
        settle();

        QCOMPARE(p.recordings(), recordings + recorded);
        // A status line goes with what it spoke of.
        QCOMPARE(p.status->text().isEmpty(), recorded > 0 || !message.isEmpty());
        if (message.isEmpty()) {
            QVERIFY2(p.message->isHidden(), qPrintable(p.message->text()));
            const size_t redrawn = drawing(p);
            QVERIFY(redrawn != before || change == QLatin1String("again"));
            QVERIFY(darkPixels(p) > 1000);
            // What was drawn again of the page is the page drawn whole.
            const double zoom = p.view->zoom();
            p.view->setZoom(zoom * 1.25);
            QVERIFY(drawing(p) != redrawn);
            p.view->setZoom(zoom);
            QCOMPARE(drawing(p), redrawn);
        } else {
            QVERIFY(p.message->isVisible());
            if (message == QLatin1String("print"))
                QCOMPARE(p.message->text(), printsReport(w));
            else
                QVERIFY2(p.message->text().contains(message), qPrintable(p.message->text()));
            // The last good page stays only for options that cannot be applied.
            QCOMPARE(p.view->pages().empty(), recorded > 0);
            p.saveAs();
            QVERIFY(p.status->text().startsWith(QStringLiteral("Nothing to save")));
        }
        if (change == QLatin1String("range")) {
            QCOMPARE(p.view->pages().size(), std::size_t(3));
            QCOMPARE(p.pageNumber->text(), QStringLiteral("page 1 of 3"));
            QTest::keyClick(&p, Qt::Key_PageDown);
            QCOMPARE(p.pageNumber->text(), QStringLiteral("page 2 of 3"));
        }
        if (change == QLatin1String("remove"))
            QVERIFY2(p.message->text().contains(capture), qPrintable(p.message->text()));
        if (change == QLatin1String("stall")) {
            answer = true; // and the page comes when the file does
            QTRY_VERIFY(p.message->isHidden());
        }
    }

    void asksBeforeReplacingPageFiles_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("replaced") << true;
        QTest::newRow("kept") << false;
    }

    // The save dialog asks about out.svg only; the pages go to out-N.svg.
    void asksBeforeReplacingPageFiles()
    {
        QFETCH(bool, replace);
        const QString format = replace ? QStringLiteral("svg") : QStringLiteral("png"); // kept: PNG
        Preview& p = preview();
        p.options->pages->setValue(3);
        settle();
        QTemporaryDir out;
        const QString earlier = out.filePath(QStringLiteral("out-2.") + format);
        QFile file(earlier);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier");
        file.close();
        answerSave(out.path(), QStringLiteral("out.") + format, QString());
        auto question = std::make_shared<QString>();
        modalseam::push([question, replace](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            QVERIFY(box);
            *question = box->text();
            box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        QTest::keyClick(&p, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(modalseam::pending(), 0);
        QVERIFY2(question->contains(QFileInfo(earlier).fileName()), qPrintable(*question));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().startsWith("<?xml"), replace);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), replace ? 3 : 1);
    }

    // Pages typed but not yet entered when Save as is asked for count.
    void savesWhatIsTyped()
    {
        Preview& p = preview();
        p.options->pages->setFocus();
        p.options->pages->selectAll();
        QTest::keyClicks(p.options->pages, QStringLiteral("3"));
        QTemporaryDir out;
        answerSave(out.path(), QStringLiteral("out.svg"), QString());
        QTest::keyClick(&p, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(modalseam::pending(), 0);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files),
                 (QStringList{"out-1.svg", "out-2.svg", "out-3.svg"}));
    }

    void savesAndCopiesThePages_data()
    {
        QTest::addColumn<QString>("typed");  // "": Copy instead of Save as
        QTest::addColumn<QString>("filter"); // chosen in the dialog, "" as it opens
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("begins");
        QTest::newRow("PDF") << "out.pdf"
                             << "" << 1 << QStringList{"out.pdf"} << QByteArray("%PDF-");
        QTest::newRow("PDF, 3 pages in one")
            << "out"
            << "" << 3 << QStringList{"out.pdf"} << QByteArray("%PDF-");
        QTest::newRow("SVG by the filter")
            << "out"
            << "SVG image (*.svg)" << 1 << QStringList{"out.svg"} << QByteArray("<?xml");
        QTest::newRow("SVG, 3 pages")
            << "out.svg"
            << "" << 3 << QStringList{"out-1.svg", "out-2.svg", "out-3.svg"} << QByteArray("<?xml");
        QTest::newRow("PNG, 12 pages")
            << "out.png"
            << "" << 12 << QStringList{"out-01.png", "out-07.png", "out-12.png"}
            << QByteArray("\x89PNG");
        QTest::newRow("value change dump")
            << "out.vcd"
            << "" << 1 << QStringList{"out.vcd"} << QByteArray("$comment");
        QTest::newRow("copy") << ""
                              << "" << 1 << QStringList{} << QByteArray("<?xml");
        QTest::newRow("print, 2 pages")
            << "print"
            << "" << 2 << QStringList{"printed.pdf"} << QByteArray("%PDF-");
        QTest::newRow("print where no file can be made")
            << "print"
            << "" << 1 << QStringList{"gone/printed.pdf"} << QByteArray("%PDF-");
        // No files: a folder that is not there.
        QTest::newRow("PDF where no file can be made") << "gone/out.pdf"
                                                       << "" << 1 << QStringList{} << QByteArray();
        // 0 pages: no channel ticked, after a copy that worked.
        QTest::newRow("copy, nothing shown") << ""
                                             << "" << 0 << QStringList{} << QByteArray();
        QTest::newRow("print, nothing shown") << "print"
                                              << "" << 0 << QStringList{} << QByteArray();
    }

    void savesAndCopiesThePages()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(int, pages);
        QFETCH(QStringList, files);
        QFETCH(QByteArray, begins);
        Preview& p = preview();
        if (pages == 0) {
            QTest::keyClick(&p, Qt::Key_C, Qt::ControlModifier);
            QVERIFY(p.status->text().startsWith(QStringLiteral("Copied")));
            window->cmmd[5]->click();
            settle();
            QTest::keyClick(&p, typed.isEmpty() ? Qt::Key_C : Qt::Key_P, Qt::ControlModifier);
            QVERIFY2(p.status->text().startsWith(QStringLiteral("Nothing to"))
                         && p.status->text().contains(QStringLiteral("No channel is ticked")),
                     qPrintable(p.status->text()));
            return;
        }
        p.options->pages->setValue(pages);
        settle();
        QCOMPARE(p.view->pages().size(), std::size_t(pages));
        QTemporaryDir out;

        if (typed.isEmpty()) {
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(&p, Qt::Key_C, Qt::ControlModifier);
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            QVERIFY(data);
            QVERIFY(data->hasImage());
            const QImage image = qvariant_cast<QImage>(data->imageData());
            QCOMPARE(image.size(), QSize(17 * 150, 11 * 150));
            QVERIFY(data->data(QStringLiteral("image/svg+xml")).startsWith(begins));
            return;
        }
        if (typed == QLatin1String("print")) {
            // Qt's own printer to a file stands in for a system printer.
            const QString pdf = out.filePath(files.first());
            modalseam::push([pdf](QWidget* shown) {
                auto* dialog = qobject_cast<QPrintDialog*>(shown);
                QVERIFY(dialog);
                dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
                dialog->printer()->setOutputFileName(pdf);
                dialog->done(QDialog::Accepted);
            });
            const auto report = files.first().startsWith(QLatin1String("gone/"))
                                    ? catchreport()
                                    : std::make_shared<QString>();
            QTest::keyClick(&p, Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(modalseam::pending(), 0);
            // A file printed to is named, as a printer would be.
            if (!report->isEmpty()) {
                QVERIFY2(report->contains(pdf), qPrintable(*report));
                QVERIFY(QDir(out.path()).isEmpty());
                return;
            }
            QVERIFY2(p.status->text().endsWith(pdf), qPrintable(p.status->text()));
            QVERIFY(QFileInfo(pdf).size() > 1000);
            if (poppler::available()) {
                const QString info = QString::fromLatin1(poppler::info(pdf));
                QVERIFY2(
                    info.contains(QRegularExpression(QStringLiteral("Pages: +%1\n").arg(pages))),
                    qPrintable(info));
                const QByteArray text =
                    poppler::run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
                QVERIFY2(text.contains("Q1"), text.constData());
                // Landscape tabloid, as the page was set up.
                QVERIFY2(
                    info.contains(QRegularExpression(QStringLiteral("Page size: +1224 x 792 pts"))),
                    qPrintable(info));
            }
            return;
        }
        answerSave(out.path(), typed, filter);
        if (files.isEmpty()) {
            QTest::keyClick(&p, Qt::Key_C, Qt::ControlModifier);
            const auto report = catchreport();
            QTest::keyClick(&p, Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(modalseam::pending(), 0);
            QVERIFY2(report->contains(out.filePath(typed)), qPrintable(*report));
            QVERIFY(!QGuiApplication::overrideCursor()); // no wait cursor left
            // What the copy before it did is no answer to this command.
            QVERIFY2(p.status->text().isEmpty(), qPrintable(p.status->text()));
            QVERIFY(QDir(out.path()).isEmpty());
            return;
        }
        const bool dump = typed.endsWith(QLatin1String(".vcd"));
        if (dump) {
            p.options->from->setValue(600);
            p.options->to->setValue(900);
            settle();
        }
        QTest::keyClick(&p, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(modalseam::pending(), 0);
        if (dump) {
            QFile saved(out.filePath(files.first()));
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QVERIFY(saved.readAll().endsWith("\n#901\n"));
        }
        for (const QString& name : files) {
            QFile file(out.filePath(name));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
            QVERIFY2(file.read(64).startsWith(begins), qPrintable(name));
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(),
                 typed.endsWith(QLatin1String(".svg")) || typed.endsWith(QLatin1String(".png"))
                     ? pages
                     : 1);
        QVERIFY2(p.status->text().startsWith(
                     QStringLiteral("Saved to %1").arg(out.filePath(files.first()))),
                 qPrintable(p.status->text()));
        if (begins.startsWith("%PDF") && poppler::available()) {
            const QByteArray info = poppler::info(out.filePath(files.first()));
            QVERIFY2(QRegularExpression(QStringLiteral("Pages: +%1\n").arg(pages))
                         .match(QString::fromLatin1(info))
                         .hasMatch(),
                     info.constData());
        }
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
