// The preview following its settings, what it says when it cannot draw,
// and the page options it shares with the main window's Print.

#include "printing/page/markers.h"
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

    void busEditorTakesWhatReads_data()
    {
        QTest::addColumn<QString>("action");     // on a page with bus "LOW" of channels 1 and 0
        QTest::addColumn<QStringList>("fields"); // name, channels, radix
        QTest::addColumn<QStringList>("buses");  // NAME=CHANNELS:RADIX after it
        QTest::addColumn<QString>("problem");
        const QStringList low{"LOW=1,0:0"};
        QTest::newRow("add") << "add" << QStringList{"DATA", " 15, 11-8 ", "dec"}
                             << QStringList{"LOW=1,0:0", "DATA=15,11,10,9,8:1"} << "";
        QTest::newRow("add, upwards") << "add" << QStringList{"UP", "2-5", "ascii"}
                                      << QStringList{"LOW=1,0:0", "UP=2,3,4,5:3"} << "";
        QTest::newRow("edit") << "edit" << QStringList{"LOW BITS", "0-2", "bin"}
                              << QStringList{"LOW BITS=0,1,2:2"} << "";
        QTest::newRow("remove") << "remove" << QStringList{} << QStringList{} << "";
        QTest::newRow("a channel in another bus")
            << "add" << QStringList{"D", "3-1", "hex"} << low << "channel 1 is in bus \"LOW\" too";
        QTest::newRow("no such channel")
            << "add" << QStringList{"D", "16", "hex"} << low << "the capture has no channel 16";
        QTest::newRow("not a channel")
            << "edit" << QStringList{"LOW", "1-x", "hex"} << low << "bad channel \"1-x\"";
        QTest::newRow("a channel twice")
            << "edit" << QStringList{"LOW", "1,0,1", "hex"} << low << "channel 1 is in it twice";
        QTest::newRow("no name") << "add" << QStringList{" ", "4", "hex"} << low
                                 << "a bus needs a name";
    }

    void busEditorTakesWhatReads()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, buses);
        QFETCH(QString, problem);
        Preview& p = preview();
        BusEditor& e = *p.options->buses;
        PageOptions options;
        options.buses = {{QStringLiteral("LOW"), {1, 0}, Radix::Hex}};
        window->pageOptions().set(options);
        QCOMPARE(e.bus->currentText(), QStringLiteral("New bus"));
        if (action != QLatin1String("add"))
            e.bus->setCurrentIndex(0);
        QCOMPARE(e.channels->text(), action == QLatin1String("add") ? "" : "1,0");
        if (!fields.isEmpty()) {
            e.name->setText(fields[0]);
            e.radix->setCurrentText(fields[2]);
            e.channels->setFocus();
            e.channels->selectAll();
            QTest::keyClicks(e.channels, fields[1]);
            QTest::keyClick(e.channels, Qt::Key_Return);
        } else {
            e.remove->click();
        }
        QStringList held;
        for (const BusLane& bus : window->pageOptions().options().buses) {
            QStringList channels;
            for (const int c : bus.channels)
                channels << QString::number(c);
            held << bus.name + u'=' + channels.join(u',') + u':' + QString::number(int(bus.radix));
        }
        QCOMPARE(held, buses);
        QCOMPARE(e.problem->isVisible(), !problem.isEmpty());
        QCOMPARE(e.problem->text().left(problem.isEmpty() ? 1 : problem.size()), problem);
        // What is held is drawn: each bus's name beside its lane.
        settle();
        QStringList names;
        for (const SurfaceCall& call : p.view->pages().front().calls)
            names << call.text;
        for (const QString& bus : buses)
            QVERIFY(names.contains(bus.section(u'=', 0, 0)));
        QCOMPARE(e.bus->count(), buses.size() + 1);
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
        o.layout->setCurrentText(QStringLiteral("fill"));
        o.buses->name->setText(QStringLiteral("B"));
        o.buses->channels->setText(QStringLiteral("3-0"));
        o.buses->add->click();
        settle();
        QCOMPARE((QStringList{o.paper->currentText(), o.from->text(), o.to->text()}),
                 (QStringList{"a4", "600", "900"}));
        QCOMPARE(window->pageOptions().summary(),
                 "A4 · 600–900 · 3 pages · time axis · 1 bus · filled page");
        QCOMPARE(p.view->pages().back().layout, LayoutKind::Fill);
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
        QCOMPARE(o.layout->currentText(), "sheet");
        QCOMPARE((QStringList{o.buses->bus->currentText(), o.buses->name->text()}),
                 (QStringList{"New bus", ""}));
        QCOMPARE(drawing(p), designed);
    }

    // Markers placed, moved, removed and named on the page, worked out from
    // the counter (Q0 changes every 16 samples, Q1 every 32) and the sheet:
    // sample k's boundary at x = 3000 + 8k, slot s 350 apart from 1550, 250
    // lower under a row of labels. "BEFORE|STEPS|AFTER|SAID", where steps are
    // "click SAMPLE SLOT" (-1: the tick marks), "drag FROM TO SLOT", "key"
    // (Delete) and "type TEXT", and markers "SAMPLE[:LABEL]" (26: 70 apart).
    // "|fill": on A4 laid out on the paper, traces from 2520 to 600 short of
    // its 14031, the line drawn under the pointer.
    void markersByPointerAndKeys_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("nearest edge of the trace under it") << "|click 66 0|64|";
        QTest::newRow("no edge near: the sample under it") << "|click 72.5 0|72|";
        QTest::newRow("only that trace's edges") << "|click 78 1|78|";
        QTest::newRow("over the ticks, every trace's") << "|click 78 -1|80|";
        QTest::newRow("dragged to an edge") << "300|drag 300 414 0|416|";
        QTest::newRow("a pan places none") << "|drag 900 1200 0||";
        QTest::newRow("Delete: the others keep their letters, a new one takes one free")
            << "300 600 900|click 600 0;key;click 500 -1|300 900:C 500:B|";
        QTest::newRow("renamed") << "300 600|click 600 0;type go|300 600:go|";
        QTest::newRow("a name taken")
            << "300 600|click 600 0;type A|300 600|Another marker is named A already";
        QTest::newRow("a 27th") << "26|click 2000 15|26|A page takes at most 26 markers";
        QTest::newRow("on a filled page") << "|click 78 -1|80||fill";
        QTest::newRow("dragged on a filled page") << "300|drag 300 414 -1|416||fill";
    }

    void markersByPointerAndKeys()
    {
        QFETCH(QString, row);
        const QStringList columns = row.split(u'|');
        const QString &steps = columns[1], &said = columns[3];
        const auto read = [](const QString& text) {
            std::vector<Marker> markers;
            for (int k = 1; text == QLatin1String("26") && k <= 26; ++k)
                markers.push_back({70 * k, {}});
            for (const QString& m : text.split(u' ', Qt::SkipEmptyParts))
                if (text != QLatin1String("26"))
                    markers.push_back({m.section(u':', 0, 0).toInt(), m.section(u':', 1)});
            return markers;
        };
        Preview& p = preview();
        PageOptions options;
        options.markers = read(columns[0]);
        const bool fill = columns.size() > 4;
        options.paper = fill ? Paper::A4 : Paper::Tabloid;
        options.layout = fill ? LayoutKind::Fill : LayoutKind::Sheet;
        window->pageOptions().set(options);
        p.view->setZoom(4); // a reach of about three samples
        settle();
        QWidget* viewport = p.view->viewport();
        QPoint last;
        for (const QString& step : steps.split(u';')) {
            const QStringList f = step.split(u' ');
            const auto at = [&](const QString& sample, const QString& slot) {
                const bool rows = !window->pageOptions().options().markers.empty();
                const double y = slot.toInt() < 0 ? 1275 : 1475 + 350 * slot.toInt();
                const double x = fill ? 2520 + (13431 - 2520) * sample.toDouble() / 2048
                                      : 3000 + 8 * sample.toDouble();
                return p.view->viewAt({x, y + 250 * rows}).toPoint();
            };
            if (f[0] == QLatin1String("click")) {
                QTest::mouseClick(viewport, Qt::LeftButton, {}, last = at(f[1], f[2]));
            } else if (f[0] == QLatin1String("drag")) {
                QTest::mousePress(viewport, Qt::LeftButton, {}, at(f[1], f[3]));
                QTest::mouseMove(viewport, at(f[2], f[3]));
                QTest::mouseRelease(viewport, Qt::LeftButton, {}, last = at(f[2], f[3]));
            } else if (f[0] == QLatin1String("key")) {
                QTest::keyClick(p.view, Qt::Key_Delete);
            } else {
                QTest::keyClicks(p.markers->label, f[1]);
            }
            settle();
        }
        const std::vector<Marker> after = read(columns[2]);
        QCOMPARE(window->pageOptions().options().markers, after);
        QCOMPARE(p.status->text().left(said.size()), said);
        // The page shown and printed has them.
        QStringList texts;
        for (const SurfaceCall& call : p.view->pages().front().calls)
            texts << call.text;
        for (std::size_t i = 0; i < after.size(); ++i)
            QVERIFY(texts.contains(markerLabel(after, i)));
        // The leftmost dark blue: the page's own line, not the lighter highlight.
        const QImage shown = fill ? viewport->grab().toImage() : QImage();
        int x = -1;
        for (int i = 0, h = shown.height(); x < 0 && i < shown.width() * h; ++i)
            if (const QColor c = shown.pixelColor(i / h, i % h); c.blue() - c.red() > 120)
                x = i / h;
        QVERIFY2(!fill || std::abs(x - last.x()) <= 2, qPrintable(QString::number(x)));
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
