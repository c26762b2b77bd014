// The preview's commands: Save as, Copy and Print.

#include "tests/printing/popplertools.h"
#include "tests/ui/preview/previewfixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

namespace {

// Answers the save dialog with `name` in `folder`, after choosing `filter`
// when it is given; with `crop`, after ticking "Crop to the drawing".
void answerSave(const QString& folder, const QString& name, const QString& filter,
                bool crop = false)
{
    modalseam::push([folder, name, filter, crop](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        QVERIFY(dialog);
        if (!filter.isEmpty()) {
            dialog->selectNameFilter(filter);
            emit dialog->filterSelected(filter);
        }
        dialog->setDirectory(folder);
        dialog->selectFile(name);
        auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("crop"));
        QVERIFY(box && box->isVisible()
                && box->isEnabled()
                       == (name + filter).contains(QRegularExpression("\\.(svg|png)")));
        box->setChecked(crop);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

} // namespace

class TestPreviewSave : public QObject, PreviewFixture {
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedModal(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
        QTest::newRow("PNG, cropped") << "out.png"
                                      << "" << 1 << QStringList{"out.png"} << QByteArray("\x89PNG");
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
            QVERIFY(image.width() < 17 * 150 && image.height() < 11 * 150); // the drawing alone
            QVERIFY(data->data(QStringLiteral("image/svg+xml")).startsWith(begins));
            QVERIFY(!data->data(QStringLiteral("image/svg+xml")).contains("width=\"431.8mm\""));
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
        // Rows named so tick "Crop to the drawing".
        const bool crop = QByteArray(QTest::currentDataTag()).contains("crop");
        answerSave(out.path(), typed, filter, crop);
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
            const QByteArray saved = file.readAll();
            QVERIFY2(saved.startsWith(begins), qPrintable(name));
            if (begins.startsWith("\x89PNG"))
                QCOMPARE(QImage::fromData(saved).width() < 17 * 150, crop);
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

QTEST_MAIN(TestPreviewSave)
#include "tst_previewsave.moc"
