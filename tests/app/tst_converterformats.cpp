// The formats besides PDF read back by readers of their own: SVG, PNG and the
// value change dump.

#include "convertertools.h"

#include <QRegularExpression>
#include <QStandardPaths>

#include <cctype>
#include <cmath>
#include <map>

using namespace capturefixture;
using namespace convertertools;

class ConverterFormatsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void valueChangeDumpReadsBack_data();
    void valueChangeDumpReadsBack();
    void svgReadsBack();
    void pngMatchesThePdf_data();
    void pngMatchesThePdf();

private:
    QTemporaryDir dir_;
    QString good_;
};

void ConverterFormatsTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

void ConverterFormatsTest::valueChangeDumpReadsBack_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<int>>("channels");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<double>("period"); // ns a sample
    QTest::newRow("defaults") << QStringList{}
                              << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}
                              << 0 << 2047 << 100.0;
    QTest::newRow("channels, range, period in us")
        << QStringList{"--channels",   "0-3,7,15", "--samples", "600-900",
                       "--resolution", "2.5",      "--unit",    "us"}
        << QList<int>{0, 1, 2, 3, 7, 15} << 600 << 900 << 2500.0;
    QTest::newRow("one sample, last channel")
        << QStringList{"--channels", "15", "--samples", "2047-2047"} << QList<int>{15} << 2047
        << 2047 << 100.0;
    QTest::newRow("a bad capture") << QStringList{"BAD"} << QList<int>{} << 0 << 0 << 0.0;
}

// The dump read by a reader of its own, level by level against the capture's rows.
void ConverterFormatsTest::valueChangeDumpReadsBack()
{
    QFETCH(QStringList, options);
    QFETCH(QList<int>, channels);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(double, period);
    QTemporaryDir here;
    CaptureRecipe recipe = moving();
    recipe.level = [](int row, int channel) {
        return ((row * 7 + channel * 13) >> (channel % 5)) & 1;
    };
    if (options == QStringList{"BAD"}) {
        recipe.fields[{9, 3}] = "x";
        options.clear();
    }
    const QString capture = writeCapture(here, QStringLiteral("run.csv"), recipe);
    const QString vcd = here.filePath(QStringLiteral("run.vcd"));
    const Result result = convert(QStringList{capture, QStringLiteral("-o"), vcd} + options);
    if (channels.isEmpty()) {
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(capture) && result.err.contains(QStringLiteral("line 15"))
                     && result.err.contains(QStringLiteral("field 4")),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(vcd));
        return;
    }
    QVERIFY2(result.exitCode == 0 && result.err.isEmpty(), qPrintable(result.err));

    // The capture's rows, as the file has them.
    const QList<QByteArray> lines = contents(capture).split('\n');
    const auto level = [&](int sample, int channel) {
        return lines[5 + sample].trimmed().split(',')[channel].toInt();
    };

    double unitNs = 0;
    QHash<QByteArray, int> channelOf; // identifier -> channel
    QList<QByteArray> order;
    std::map<qint64, QList<std::pair<QByteArray, int>>> changes; // time -> (identifier, value)
    qint64 now = -1;
    bool header = true;
    static const QHash<QByteArray, double> units{{"s", 1e9}, {"ms", 1e6},  {"us", 1e3},
                                                 {"ns", 1},  {"ps", 1e-3}, {"fs", 1e-6}};
    const QList<QByteArray> words = contents(vcd).simplified().split(' ');
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QByteArray& word = words[i];
        if (header) {
            if (word == "$timescale") {
                const QByteArray scale = words[i + 1] + words[i + 2];
                qsizetype split = 0;
                while (split < scale.size() && std::isdigit(uchar(scale[split])))
                    ++split;
                QVERIFY2(units.contains(scale.mid(split)), scale.constData());
                unitNs = scale.left(split).toDouble() * units[scale.mid(split)];
            } else if (word == "$var") {
                QCOMPARE(words[i + 1], QByteArray("wire"));
                QCOMPARE(words[i + 2], QByteArray("1"));
                QVERIFY(words[i + 4].startsWith("CH"));
                channelOf.insert(words[i + 3], words[i + 4].mid(2).toInt());
                order << words[i + 3];
            } else if (word == "$enddefinitions") {
                header = false;
            }
            continue;
        }
        if (word.startsWith('#')) {
            now = word.mid(1).toLongLong();
            changes[now]; // a time may end the dump with no change
        } else if (word != "$dumpvars" && word != "$end") {
            QVERIFY2(now >= 0 && (word[0] == '0' || word[0] == '1'), word.constData());
            changes[now] << std::pair{word.mid(1), word[0] - '0'};
        }
    }
    QVERIFY(unitNs > 0);
    QList<int> named;
    for (const QByteArray& id : order)
        named << channelOf[id];
    QCOMPARE(named, channels);

    // Replayed sample by sample.
    const double perSample = period / unitNs;
    QCOMPARE(changes.begin()->first, qint64(std::llround(first * perSample)));
    QCOMPARE(changes.rbegin()->first, qint64(std::llround((last + 1) * perSample)));
    QHash<QByteArray, int> value;
    auto next = changes.begin();
    for (int sample = first; sample <= last; ++sample) {
        for (; next != changes.end() && next->first <= qint64(std::llround(sample * perSample));
             ++next)
            for (const auto& [id, bit] : next->second)
                value[id] = bit;
        for (const QByteArray& id : order)
            QVERIFY2(
                value.value(id, -1) == level(sample, channelOf[id]),
                qPrintable(QStringLiteral("sample %1, channel %2").arg(sample).arg(channelOf[id])));
    }
}

void ConverterFormatsTest::svgReadsBack()
{
    if (!poppler::available()
        || QStandardPaths::findExecutable(QStringLiteral("rsvg-convert")).isEmpty())
        QFAIL("poppler-utils and librsvg2-bin are needed to read the SVG back: make test installs "
              "them");
    QTemporaryDir here;
    const QString capture = writeCapture(here, QStringLiteral("serial.csv"), serialExample());
    const QString svg = here.filePath(QStringLiteral("page.svg"));
    const QString pdf = here.filePath(QStringLiteral("page.pdf"));
    QCOMPARE(convert({capture, QStringLiteral("-o"), svg}).exitCode, 0);
    QCOMPARE(convert({capture, QStringLiteral("-o"), pdf}).exitCode, 0);

    const QString text = QString::fromUtf8(contents(svg));
    QVERIFY(text.contains(QStringLiteral("viewBox=\"0 0 20400 13200\"")));
    QVERIFY(text.contains(QStringLiteral("width=\"431.8mm\" height=\"279.4mm\"")));
    QStringList texts;
    static const QRegularExpression element(
        QStringLiteral("<text [^>]*x=\"([\\d.]+)\" y=\"([\\d.]+)\"[^>]*>([^<]*)</text>"));
    for (auto it = element.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        texts << match.captured(3).trimmed();
        // Every text begins at the names' column, as on the PDF page.
        QCOMPARE(match.captured(1), QStringLiteral("1200"));
    }
    for (const char* expected : {"CS#", "SCLK", "MOSI", "MISO", "CH15"})
        QVERIFY2(texts.contains(QString::fromUtf8(expected)), qPrintable(texts.join(u'|')));
    QVERIFY(texts.join(u' ').contains(QStringLiteral("Tick frequency:10 samples")));

    // Tick marks, traces and guide lines at full resolution, drawn from the
    // SVG by librsvg and from the PDF by poppler. (Text is left out: each
    // renderer spaces the letters of a run its own way.)
    const QString cropped = here.filePath(QStringLiteral("crop.svg"));
    QVERIFY(writeBytes(cropped, QString(text)
                                    .replace(QStringLiteral("width=\"431.8mm\" height=\"279.4mm\""),
                                             QStringLiteral("width=\"2600\" height=\"1200\""))
                                    .replace(QStringLiteral("viewBox=\"0 0 20400 13200\""),
                                             QStringLiteral("viewBox=\"2900 1200 2600 1200\""))
                                    .toUtf8()));
    const QString rendered = here.filePath(QStringLiteral("svg.png"));
    poppler::run(QStringLiteral("rsvg-convert"), {QStringLiteral("-b"), QStringLiteral("white"),
                                                  cropped, QStringLiteral("-o"), rendered});
    poppler::run(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("1200"), QStringLiteral("-x"),
                  QStringLiteral("2900"), QStringLiteral("-y"), QStringLiteral("1200"),
                  QStringLiteral("-W"), QStringLiteral("2600"), QStringLiteral("-H"),
                  QStringLiteral("1200"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                  pdf, here.filePath(QStringLiteral("pdf"))});
    const QImage fromSvg = QImage(rendered).convertToFormat(QImage::Format_Grayscale8);
    const QImage fromPdf =
        QImage(here.filePath(QStringLiteral("pdf.png"))).convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(fromSvg.size(), QSize(2600, 1200));
    const double agreed = agreement(fromSvg, fromPdf);
    QVERIFY2(agreed > 0.97, qPrintable(QString::number(agreed)));
}

void ConverterFormatsTest::pngMatchesThePdf_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("dpi");
    QTest::newRow("traces, 150 dpi") << QStringList{} << 150;
    QTest::newRow("traces, 40 dpi") << QStringList{} << 40;
    QTest::newRow("markers, time axis, 150 dpi")
        << QStringList{"--marker",  "300",     "--marker",   "302:ack",
                       "--samples", "200-600", "--time-axis"}
        << 150;
    // Text alone: tab stops, and glyphs no installed font has.
    QTest::newRow("tabs, a script without a font")
        << QStringList{"--channels", "none", "--no-tick-marks", "--heading",
                       "Tab\tstops\there \u0926\u0947\u0935 \u16A0\u16A2"}
        << 100;
}

void ConverterFormatsTest::pngMatchesThePdf()
{
    QFETCH(QStringList, options);
    QFETCH(int, dpi);
    if (!poppler::available())
        QFAIL("poppler-utils are needed to compare the PNG: make test installs them");
    QTemporaryDir here;
    const QString pdf = here.filePath(QStringLiteral("good.pdf"));
    QCOMPARE(convert(QStringList{good_, QStringLiteral("-o"), pdf} + options).exitCode, 0);
    const QString folder = here.filePath(QStringLiteral("png"));
    const Result result =
        convert(QStringList{good_, QStringLiteral("--format"), QStringLiteral("png"),
                            QStringLiteral("--dpi"), QString::number(dpi),
                            QStringLiteral("--output-dir"), folder}
                + options);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    const QImage png = QImage(QDir(folder).filePath(QStringLiteral("good.png")))
                           .convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(png.size(), QSize(17 * dpi, 11 * dpi));
    const QImage fromPdf = popplerImage(pdf, dpi, here.filePath(QStringLiteral("pdf")));
    const double agreed = agreement(png, fromPdf);
    QVERIFY2(agreed > 0.9, qPrintable(QString::number(agreed)));
}

QTEST_MAIN(ConverterFormatsTest)
#include "tst_converterformats.moc"
