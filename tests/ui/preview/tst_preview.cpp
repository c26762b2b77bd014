// The preview following its settings, what it says when it cannot draw,
// and the page options it shares with the main window's Print.

#include "tests/ui/preview/previewfixture.h"
#include "ui/optionssummary.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QScrollBar>
#include <QThread>

#include <atomic>

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

// Whether a capture read through a reader that stalls may be read now.
std::atomic<bool> answer{true};

// Settings of its own, with no main window.
struct FixedSettings : SettingsSource {
    using SettingsSource::SettingsSource;
    WindowSettings settings() const override { return values; }
    QString capturePath() const override { return path; }
    WindowSettings values;
    QString path;
};

} // namespace

class TestPreview : public QObject, PreviewFixture {
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedModal(); }
    void init() { setUp(); }
    void cleanup()
    {
        tearDown();
        answer = true;
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
        if (decode::decodingAvailable()) {
            QTest::newRow("decoder added in the panel") << "decoder"
                                                        << "" << 1 << 0;
            QTest::newRow("failing decoder") << "failing"
                                             << "zelmar_test stopped" << 1 << 0;
        }
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
            loadInto(w, capturefixture::writeCapture(dir, QStringLiteral("other.csv"), other));
        } else if (change == QLatin1String("again")) {
            loadInto(w, capture); // unchanged on disk: only the Load reads it
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
            loadInto(w, capturefixture::writeCapture(dir, QStringLiteral("bad.csv"), other));
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
            loadInto(w, link);
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
            loadInto(w, capture);
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        } else if (change == QLatin1String("minimised")) {
            p.showMinimized();
            w.Heading->setText(QStringLiteral("Another heading"));
            w.cmmd[1]->click();
            QVERIFY(!p.isMinimized());
        } else if (change == QLatin1String("decoder")) {
            // Chosen, its channels mapped, added: the page and Print have it.
            DecoderPanel& d = *p.decoders;
            p.decodersButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(d.decoder->isEnabled(), 20000);
            d.decoder->setCurrentIndex(d.decoder->findData(QStringLiteral("spi")));
            for (const QString channel : {"clk", "mosi"}) {
                auto* box = d.settings->findChild<QComboBox*>("channel-" + channel);
                box->setCurrentIndex(box->findData(channel == QLatin1String("mosi")));
            }
            d.add->click();
            QCOMPARE(d.inUse->item(0)->text(), QStringLiteral("spi:clk=0:mosi=1"));
            QCOMPARE(w.pageOptions().summary(), QStringLiteral("1 decoder"));
            QTRY_COMPARE(p.recordings(), recordings + 1);
        } else if (change == QLatin1String("failing")) {
            PageOptions decoding;
            decoding.decoders.push_back(decode::parseStackRequest(u"zelmar_test:data=0").value);
            w.pageOptions().set(decoding);
            QTRY_COMPARE(p.recordings(), recordings + 1);
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

    // The options set in the preview are those the main window prints with;
    // set there or here, both show them, and Reset takes them back to the
    // designed page.
    void resetBringsBackTheDefaults()
    {
        Preview& p = preview();
        PreviewOptions& o = *p.options;
        const size_t designed = drawing(p);
        QVERIFY(!o.reset->isEnabled());
        window->pageOptions().set(onA4(600, 900, 1));
        o.pages->setValue(3);
        o.timeaxis->setChecked(true);
        settle();
        QCOMPARE((QStringList{o.paper->currentText(), o.from->text(), o.to->text()}),
                 (QStringList{"a4", "600", "900"}));
        QCOMPARE(window->pageOptions().summary(), "A4 · 600–900 · 3 pages · time axis");
        QVERIFY(!window->optionsSummary->isHidden() && o.reset->isEnabled());
        QCOMPARE(p.view->pages().size(), std::size_t(3));

        // (A button's key clicks it once it has shown it pressed.)
        QTest::keyClick(&p, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(window->pageOptions().isDefault());
        settle();
        QVERIFY(window->optionsSummary->isHidden() && !o.reset->isEnabled());
        QCOMPARE(
            (QStringList{o.paper->currentText(), o.from->text(), o.to->text(), o.pages->text()}),
            (QStringList{"tabloid", "0", "2047", "1"}));
        QVERIFY(!o.timeaxis->isChecked());
        QCOMPARE(drawing(p), designed);
    }

    // A preview needs no main window: any source of settings will do.
    void drawsFromASettingsSourceAlone()
    {
        PageOptionsModel options;
        FixedSettings settings(options, nullptr);
        settings.path = capture;
        settings.values.channels = {{1, 0, 1}, {"ONE", "TWO", "THREE"}};
        settings.values.heading = QStringLiteral("alone");
        Preview alone(settings);
        alone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&alone));
        QTRY_COMPARE(alone.view->pages().size(), std::size_t(1));
        QCOMPARE(alone.windowTitle(), QStringLiteral("Preview — bus.csv"));
        QStringList texts;
        for (const SurfaceCall& call : alone.view->pages().front().calls)
            texts << call.text;
        QCOMPARE(texts.filter(QRegularExpression("^(ONE|TWO|THREE|alone)$")),
                 (QStringList{"ONE", "THREE", "alone"}));

        // What the source says changed is drawn, and a capture loaded anew read again.
        settings.values.channels.values = {0, 0, 0};
        emit settings.changed();
        QTRY_VERIFY(alone.message->text().contains(QStringLiteral("No channel is ticked")));
        const int reads = alone.source().reads();
        emit settings.captureLoaded();
        QTRY_COMPARE(alone.source().reads(), reads + 1);
        // Its page options are the source's, not the main window's.
        options.set(onA4(0, 2047, 2));
        QCOMPARE(alone.options->pages->value(), 2);
        QCOMPARE(preview().options->pages->value(), 1);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
