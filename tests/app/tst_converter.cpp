#include "app/converter.h"

#include "tests/printing/popplertools.h"
#include "tests/support/capturefixture.h"
#include "util/fault.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace capturefixture;

class ConverterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void channelList_data();
    void channelList();
    void arguments_data();
    void arguments();
    void runs_data();
    void runs();
    void helpAndVersion_data();
    void helpAndVersion();
    void runsWithoutAPlatformSet();
    void answersBeforeAnyPlatform_data();
    void answersBeforeAnyPlatform();
    void readsAPipeOnce_data();
    void readsAPipeOnce();
    void neverWritesOverItsCapture_data();
    void neverWritesOverItsCapture();
    void clashingTargetsAreRefused_data();
    void clashingTargetsAreRefused();
    void fullDeviceIsAFailure();
    void interruptedBatch_data();
    void interruptedBatch();
    void pageFollowsTheOptions_data();
    void pageFollowsTheOptions();
    void batchArguments_data();
    void batchArguments();
    void failuresStayLocal_data();
    void failuresStayLocal();
    void linksAlongTheOutputPath_data();
    void linksAlongTheOutputPath();
    void progressCountsFailures_data();
    void progressCountsFailures();
    void combinedPagesAreTheSinglePages();
    void splitPagesReadBack_data();
    void splitPagesReadBack();
    void valueChangeDumpReadsBack_data();
    void valueChangeDumpReadsBack();
    void svgReadsBack();
    void pngMatchesThePdf_data();
    void pngMatchesThePdf();
    void sourceDateEpoch_data();
    void sourceDateEpoch();
    void soundWithoutThePageFont_data();
    void soundWithoutThePageFont();
    void sameBytesHoweverFontsAreFound_data();
    void sameBytesHoweverFontsAreFound();

private:
    struct Result {
        int exitCode;
        QString out;
        QString err;
    };
    Result
    convert(const QStringList& arguments,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    QTemporaryDir dir_;
    QString good_;
};

namespace {

using Action = ParsedArguments::Action;

int mask(const std::array<bool, 16>& channels)
{
    int bits = 0;
    for (int c = 0; c < 16; ++c)
        if (channels[std::size_t(c)])
            bits |= 1 << c;
    return bits;
}

CaptureRecipe moving()
{
    CaptureRecipe recipe;
    recipe.level = [](int row, int channel) { return (row >> (channel % 6)) & 1; };
    return recipe;
}

// One line a terminal shows as it stands: no control character in it.
bool plainLine(const QString& text)
{
    return !text.isEmpty() && std::none_of(text.begin(), text.end(), [](QChar c) {
        return c < u' ' || (c >= u'\x7f' && c <= u'\x9f');
    });
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Rendered by poppler at `dpi`, as a grey image; null when that failed.
QImage popplerImage(const QString& pdf, int dpi, const QString& stem)
{
    poppler::run(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// How well two renderings agree: of the dark pixels in either, the share that
// has a dark pixel in the other within one pixel; the smaller of the two.
double agreement(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    const auto dark = [](const QImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height()
               && image.constScanLine(y)[x] < 160;
    };
    const auto share = [&](const QImage& from, const QImage& in) {
        qint64 total = 0, matched = 0;
        for (int y = 0; y < from.height(); ++y)
            for (int x = 0; x < from.width(); ++x) {
                if (!dark(from, x, y))
                    continue;
                ++total;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx)
                        near = dark(in, x + dx, y + dy);
                matched += near;
            }
        return total == 0 ? 0.0 : double(matched) / double(total);
    };
    return std::min(share(a, b), share(b, a));
}

} // namespace

void ConverterTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

ConverterTest::Result ConverterTest::convert(const QStringList& arguments,
                                             const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZELMAR_PDF), arguments);
    if (!process.waitForFinished(60000))
        return {-1, {}, QStringLiteral("did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void ConverterTest::channelList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("channels"); // bit c for channel c; -1 refused
    QTest::newRow("numbers and a range") << "0-3,7" << 0x008f;
    QTest::newRow("all") << "all" << 0xffff;
    QTest::newRow("none") << "none" << 0;
    QTest::newRow("last channel") << "15" << 0x8000;
    QTest::newRow("one-channel range") << "3-3" << 0x0008;
    QTest::newRow("repeated") << "2,2,1-2" << 0x0006;
    QTest::newRow("blanks around items") << " 1 , 4 " << 0x0012;
    QTest::newRow("whole range") << "0-15" << 0xffff;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("16") << "16" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("backwards range") << "5-3" << -1;
    QTest::newRow("range past 15") << "0-16" << -1;
    QTest::newRow("open range") << "3-" << -1;
    QTest::newRow("empty item") << "1,,2" << -1;
    QTest::newRow("trailing comma") << "1," << -1;
    QTest::newRow("line break after") << "1\n" << -1;
    QTest::newRow("word") << "a" << -1;
    QTest::newRow("fraction") << "1.5" << -1;
    QTest::newRow("plus sign") << "+1" << -1;
    QTest::newRow("two dashes") << "1-2-3" << -1;
    QTest::newRow("capitals") << "ALL" << -1;
}

void ConverterTest::channelList()
{
    QFETCH(QString, list);
    QFETCH(int, channels);
    const auto parsed = parseChannelList(list);
    if (channels < 0) {
        QVERIFY(!parsed);
        return;
    }
    QVERIFY(parsed);
    QCOMPARE(mask(*parsed), channels);
}

void ConverterTest::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("tickmarks");
    QTest::addColumn<QString>("tickfrequency");
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("heading"); // "(header)": from the capture
    QTest::addColumn<QString>("page");    // first-last pages axis|- paper

    const QString fromHeader = QStringLiteral("(header)");
    const auto run = int(Action::Run);
    const auto usage = int(Action::UsageError);
    const QString whole = QStringLiteral("0-2047 1 - tabloid");
    QTest::newRow("defaults") << QStringList{"a.csv", "-o", "a.pdf"} << run << 0xffff << true
                              << "10"
                              << "100" << 0 << fromHeader << whole;
    QTest::newRow("everything") << QStringList{"a.csv", "--output",     "a.pdf", "--channels",
                                               "0-3,7", "--tick-marks", "025",   "--resolution",
                                               "",      "--unit",       "ms",    "--heading",
                                               "Bench"}
                                << run << 0x008f << true << "025"
                                << "" << 2 << "Bench" << whole;
    QTest::newRow("tick spacing 0")
        << QStringList{"a.csv", "-o", "a.pdf", "--tick-marks", "0"} << run << 0xffff << true << "0"
        << "100" << 0 << fromHeader << whole;
    QTest::newRow("largest tick spacing")
        << QStringList{"a.csv", "-o", "a.pdf", "--tick-marks", "2147483647"} << run << 0xffff
        << true << "2147483647"
        << "100" << 0 << fromHeader << whole;
    QTest::newRow("no tick marks")
        << QStringList{"a.csv", "-o", "a.pdf", "--no-tick-marks"} << run << 0xffff << false << "10"
        << "100" << 0 << fromHeader << whole;
    QTest::newRow("unit none") << QStringList{"a.csv", "-o", "a.pdf", "--unit", "none"} << run
                               << 0xffff << true << "10"
                               << "100" << -1 << fromHeader << whole;
    QTest::newRow("empty heading")
        << QStringList{"a.csv", "-o", "a.pdf", "--heading", ""} << run << 0xffff << true << "10"
        << "100" << 0 << "" << whole;
    QTest::newRow("no channels") << QStringList{"a.csv", "-o", "a.pdf", "--channels", "none"} << run
                                 << 0 << true << "10"
                                 << "100" << 0 << fromHeader << whole;
    const auto page = [&](const char* name, const QStringList& options, const char* shown) {
        QTest::newRow(name) << QStringList{"a.csv", "-o", "a.pdf"} + options << run << 0xffff
                            << true << "10"
                            << "100" << 0 << fromHeader << QString::fromLatin1(shown);
    };
    page("sample range", {"--samples", "600-900"}, "600-900 1 - tabloid");
    page("one sample", {"--samples", "2047-2047"}, "2047-2047 1 - tabloid");
    page("four pages", {"--pages", "4"}, "0-2047 4 - tabloid");
    page("a page a sample", {"--samples", "10-13", "--pages", "4"}, "10-13 4 - tabloid");
    page("time axis", {"--time-axis"}, "0-2047 1 axis tabloid");
    page("paper in capitals", {"--paper", "A4"}, "0-2047 1 - a4");
    for (const char* paper : {"tabloid", "a3", "letter", "legal"})
        page(qPrintable(QStringLiteral("paper %1").arg(QLatin1String(paper))), {"--paper", paper},
             qPrintable(QStringLiteral("0-2047 1 - %1").arg(QLatin1String(paper))));
    const auto period = [&](const char* text) {
        QTest::addRow("resolution %s", text)
            << QStringList{"a.csv", "-o", "a.pdf", "--resolution", text} << run << 0xffff << true
            << "10" << text << 0 << fromHeader << whole;
    };
    for (const char* text : {"2.5", "0.001", "1e3", ".5", "-5"})
        period(text);
    page("all of them",
         {"--paper", "letter", "--samples", "600-900", "--time-axis", "--pages", "3"},
         "600-900 3 axis letter");

    const auto refused = [&](const char* name, const QStringList& args) {
        QTest::newRow(name) << args << usage << 0 << false << ""
                            << "" << 0 << "" << whole;
    };
    refused("no arguments", {});
    refused("empty output", {"a.csv", "-o", ""});
    refused("no capture", {"-o", "a.pdf"});
    refused("two captures", {"a.csv", "b.csv", "-o", "a.pdf"});
    refused("bad channel list", {"a.csv", "-o", "a.pdf", "--channels", "0-16"});
    refused("bad unit", {"a.csv", "-o", "a.pdf", "--unit", "nS"});
    refused("tick marks both ways",
            {"a.csv", "-o", "a.pdf", "--tick-marks", "5", "--no-tick-marks"});
    refused("unknown option", {"a.csv", "-o", "a.pdf", "--colour"});
    refused("option without value", {"a.csv", "-o", "a.pdf", "--channels"});
    refused("output twice", {"a.csv", "-o", "a.pdf", "-o", "b.pdf"});
    refused("output twice, both spellings", {"a.csv", "-o", "a.pdf", "--output", "b.pdf"});
    refused("no tick marks twice", {"a.csv", "-o", "a.pdf", "--no-tick-marks", "--no-tick-marks"});
    for (const char* text : {"abc", "2,5", "2.5ns", " 2", "1e", ".", "-", "inf"})
        refused(qPrintable(QStringLiteral("resolution \"%1\"").arg(QLatin1String(text))),
                {"a.csv", "-o", "a.pdf", "--resolution", text});
    // A line break after a good value is refused, and escapes in a value are
    // shown escaped (arguments() reads every message for control characters).
    const std::map<QString, QString> good{
        {"--dpi", "150"},      {"--jobs", "2"},     {"--channels", "1"},  {"--tick-marks", "5"},
        {"--resolution", "2"}, {"--unit", "ns"},    {"--samples", "1-5"}, {"--pages", "2"},
        {"--paper", "a4"},     {"--format", "pdf"}, {"--\x1b[2J", ""}};
    for (const auto& [option, value] : good) {
        for (const QString& bad : {value + "\n", "\x1b]0;x\x07" + value})
            refused(qPrintable(escapedText(option + QLatin1Char(' ') + bad)),
                    QStringList{"a.csv", "-o", "a.pdf", option} << bad);
    }
    refused("-o with escapes", {"a.csv", "-o", "\x1b[31m.jpg"});
    for (const char* spacing :
         {"abc", "2.5", "1e3", "-5", "+5", " 5", "", "2147483648", "99999999999"})
        refused(qPrintable(QStringLiteral("tick spacing \"%1\"").arg(QLatin1String(spacing))),
                {"a.csv", "-o", "a.pdf", "--tick-marks", spacing});
    for (const char* range : {"900-600", "0-2048", "2047-2048", "600", "600-", "-900", "a-b",
                              "1-2-3", " 1-5", "+1-5", "1--5", "1.5-3", "", "0-99999999999"})
        refused(qPrintable(QStringLiteral("samples \"%1\"").arg(QLatin1String(range))),
                {"a.csv", "-o", "a.pdf", "--samples", range});
    for (const char* pages : {"0", "-1", "x", "1.5", "+2", " 2", "", "2049", "99999999999"})
        refused(qPrintable(QStringLiteral("pages \"%1\"").arg(QLatin1String(pages))),
                {"a.csv", "-o", "a.pdf", "--pages", pages});
    refused("more pages than samples",
            {"a.csv", "-o", "a.pdf", "--samples", "10-12", "--pages", "4"});
    refused("fewer pages of equal length",
            {"a.csv", "-o", "a.pdf", "--samples", "0-6", "--pages", "5"});
    refused("unknown paper", {"a.csv", "-o", "a.pdf", "--paper", "a5"});
    refused("paper twice", {"a.csv", "-o", "a.pdf", "--paper", "a4", "--paper", "a4"});
    refused("samples twice", {"a.csv", "-o", "a.pdf", "--samples", "1-2", "--samples", "1-2"});
    refused("pages twice", {"a.csv", "-o", "a.pdf", "--pages", "2", "--pages", "2"});
    refused("time axis twice", {"a.csv", "-o", "a.pdf", "--time-axis", "--time-axis"});
    for (const char* pageOnly : {"--pages=2", "--time-axis", "--paper=a4"})
        refused(
            qPrintable(QStringLiteral("value change dump with %1").arg(QLatin1String(pageOnly))),
            {"a.csv", "-o", "a.pdf", "--format", "vcd", pageOnly});

    QTest::newRow("help") << QStringList{"--help"} << int(Action::Help) << 0 << false << ""
                          << "" << 0 << "" << whole;
    QTest::newRow("version") << QStringList{"--version"} << int(Action::Version) << 0 << false << ""
                             << "" << 0 << "" << whole;
}

void ConverterTest::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(int, channels);
    QFETCH(bool, tickmarks);
    QFETCH(QString, tickfrequency);
    QFETCH(QString, resolution);
    QFETCH(int, unit);
    QFETCH(QString, heading);
    QFETCH(QString, page);

    const ParsedArguments parsed = parseArguments(QStringList{QStringLiteral("zelmar-pdf")} + args);
    QCOMPARE(int(parsed.action), action);
    if (parsed.action == Action::UsageError)
        QVERIFY2(plainLine(parsed.error), qPrintable(escapedText(parsed.error)));
    if (parsed.action != Action::Run)
        return;
    const ConverterOptions& o = parsed.options;
    QCOMPARE(o.captures, QStringList{QStringLiteral("a.csv")});
    QCOMPARE(o.output, QStringLiteral("a.pdf"));
    QCOMPARE(mask(o.channels), channels);
    QCOMPARE(o.tickmarks, tickmarks);
    QCOMPARE(o.tickfrequency, tickfrequency);
    QCOMPARE(o.resolution, resolution);
    QCOMPARE(o.unitindex, unit);
    if (heading == QLatin1String("(header)"))
        QVERIFY(!o.heading.has_value());
    else
        QCOMPARE(o.heading.value_or(QStringLiteral("(unset)")), heading);
    QCOMPARE(QStringLiteral("%1-%2 %3 %4 %5")
                 .arg(o.page.firstsample)
                 .arg(o.page.lastsample)
                 .arg(o.page.pages)
                 .arg(o.page.timeaxis ? QStringLiteral("axis") : QStringLiteral("-"))
                 .arg(paperName(o.page.paper)),
             page);
    QCOMPARE(o.pagecount, o.page.pages);
}

void ConverterTest::runs_data()
{
    QTest::addColumn<QString>("capture");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("existing"); // OUT exists beforehand
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("mentions"); // in the one line on stderr

    CaptureRecipe badSample = moving();
    badSample.fields[{9, 3}] = "x";
    const QString bad = writeCapture(dir_, QStringLiteral("bad.csv"), badSample);
    CaptureRecipe controls = moving();
    controls.fields[{9, 3}] = "\x1b]0;owned\x07\x1b[2J";
    const QString escapes = writeCapture(dir_, QStringLiteral("escapes.csv"), controls);
    CaptureRecipe highLevel = moving();
    highLevel.fields[{300, 1}] = "219";
    const QString high = writeCapture(dir_, QStringLiteral("high.csv"), highLevel);
    CaptureRecipe shortRecipe = moving();
    shortRecipe.rows = 2047;
    const QString shortFile = writeCapture(dir_, QStringLiteral("short.csv"), shortRecipe);
    CaptureRecipe noKeyRecipe = moving();
    noKeyRecipe.header[0] = "zelmarprogramversion,2.31";
    const QString noKey = writeCapture(dir_, QStringLiteral("nokey.csv"), noKeyRecipe);
    const QString missing = dir_.filePath(QStringLiteral("missing.csv"));

    for (bool existing : {false, true}) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::addRow("%s%s", name, existing ? ", OUT exists" : "");
        };
        row("good") << good_ << QStringList{} << existing << 0 << QStringList{};
        row("not a capture file") << noKey << QStringList{} << existing << 1
                                  << QStringList{noKey, "ZelmarProgramVersion"};
        row("letter in a sample") << bad << QStringList{} << existing << 1
                                  << QStringList{bad, "line 15", "field 4", "Type mismatch"};
        row("control characters in a sample")
            << escapes << QStringList{} << existing << 1
            << QStringList{escapes, "line 15", "\"\\x1b]0;owned\\x07\\x1b[2J\""};
        row("level 219") << high << QStringList{} << existing << 1
                         << QStringList{high, "line 306", "field 2", "Overflow"};
        row("short file") << shortFile << QStringList{} << existing << 1
                          << QStringList{shortFile, "line 2053"};
        row("missing capture") << missing << QStringList{} << existing << 1 << QStringList{missing};
        row("tick spacing too large")
            << good_ << QStringList{"--tick-marks", "1e12"} << existing << 2 << QStringList{"1e12"};
        row("tick spacing not a number") << good_ << QStringList{"--tick-marks", "abc"} << existing
                                         << 2 << QStringList{"--tick-marks", "abc"};
        row("bad channel list") << good_ << QStringList{"--channels", "9-2"} << existing << 2
                                << QStringList{"9-2"};
        row("unknown option") << good_ << QStringList{"--landscape"} << existing << 2
                              << QStringList{"landscape"};
        row("range, pages, time axis, paper")
            << good_
            << QStringList{"--samples", "600-900", "--pages", "4", "--time-axis", "--paper", "a4"}
            << existing << 0 << QStringList{};
        row("reversed range") << good_ << QStringList{"--samples", "900-600"} << existing << 2
                              << QStringList{"900-600", "backwards"};
        row("range past the last sample") << good_ << QStringList{"--samples", "0-2048"} << existing
                                          << 2 << QStringList{"0-2048", "2047"};
        row("malformed range") << good_ << QStringList{"--samples", "600"} << existing << 2
                               << QStringList{"600"};
        row("no pages") << good_ << QStringList{"--pages", "0"} << existing << 2
                        << QStringList{"--pages", "0"};
        row("more pages than samples") << good_ << QStringList{"--samples", "5-7", "--pages", "4"}
                                       << existing << 2 << QStringList{"--pages 4", "5-7"};
        row("unknown paper") << good_ << QStringList{"--paper", "b5"} << existing << 2
                             << QStringList{"b5", "a4"};
        row("escapes in a value") << good_ << QStringList{"--paper", "\x1b[2J"} << existing << 2
                                  << QStringList{"\"\\x1b[2J\""};
        row("resolution not a number") << good_ << QStringList{"--resolution", "2,5"} << existing
                                       << 2 << QStringList{"\"2,5\"", "2.5"};
        row("time axis twice") << good_ << QStringList{"--time-axis", "--time-axis"} << existing
                               << 2 << QStringList{"--time-axis", "more than once"};
        row("value change dump with pages")
            << good_ << QStringList{"--format", "vcd", "--pages", "2"} << existing << 2
            << QStringList{"--pages", "value change dump"};
    }
}

void ConverterTest::runs()
{
    QFETCH(QString, capture);
    QFETCH(QStringList, extra);
    QFETCH(bool, existing);
    QFETCH(int, exitCode);
    QFETCH(QStringList, mentions);

    QTemporaryDir outDir;
    const QString out = outDir.filePath(QStringLiteral("out.pdf"));
    const QByteArray old("an earlier document\n");
    if (existing) {
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }

    const Result result = convert(QStringList{capture, QStringLiteral("-o"), out} + extra);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));

    if (exitCode == 0) {
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        QVERIFY(contents(out).startsWith("%PDF-"));
    } else {
        const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        // A fault is one line; a usage error adds where to find help.
        QCOMPARE(lines.size(), exitCode == 2 ? 2 : 1);
        for (const QString& word : mentions)
            QVERIFY2(lines.first().contains(word), qPrintable(lines.first()));
        if (existing)
            QCOMPARE(contents(out), old);
        else
            QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(outDir.path()).entryList(QDir::Files).size(), existing ? 1 : 0);
    }
}

void ConverterTest::neverWritesOverItsCapture_data()
{
    QTest::addColumn<QString>("spelling");
    QTest::newRow("same path") << QStringLiteral("%1/self.csv");
    QTest::newRow("other spelling") << QStringLiteral("%1/./sub/../self.csv");
    QTest::newRow("through a linked folder") << QStringLiteral("%1/link/self.csv");
}

void ConverterTest::neverWritesOverItsCapture()
{
    QFETCH(QString, spelling);
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::link(here.path(), here.filePath(QStringLiteral("link"))));
    const QString capture = writeCapture(here, QStringLiteral("self.csv"), moving());
    const QByteArray before = contents(capture);

    // --format, as a .csv names no format of its own.
    const Result result = convert({capture, QStringLiteral("-o"), spelling.arg(here.path()),
                                   QStringLiteral("--format"), QStringLiteral("pdf")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("capture file itself")), qPrintable(result.err));
    QCOMPARE(contents(capture), before);
}

void ConverterTest::clashingTargetsAreRefused_data()
{
    // Paths inside a fresh folder holding a/x.csv, a/x.txt, b/x.csv, a/sub,
    // link -> a and down -> a/sub.
    QTest::addColumn<QStringList>("captures");
    QTest::addColumn<QString>("outputDir"); // none: beside each capture
    QTest::addColumn<QString>("target");    // named in the message
    QTest::newRow("same name in two folders") << QStringList{"a/x.csv", "b/x.csv"} << "out"
                                              << "out/x.pdf";
    QTest::newRow("same capture twice") << QStringList{"a/x.csv", "a/x.csv"} << ""
                                        << "a/x.pdf";
    QTest::newRow("same capture twice, spelt two ways")
        << QStringList{"b/x.csv", "a/../b/x.csv"} << ""
        << "a/../b/x.pdf";
    QTest::newRow("one folder through a link") << QStringList{"a/x.csv", "link/x.txt"} << ""
                                               << "link/x.pdf";
    QTest::newRow("back out of a link") << QStringList{"a/x.csv", "down/../x.txt"} << ""
                                        << "down/../x.pdf";
}

void ConverterTest::clashingTargetsAreRefused()
{
    QFETCH(QStringList, captures);
    QFETCH(QString, outputDir);
    QFETCH(QString, target);

    QTemporaryDir here;
    const QDir root(here.path());
    QVERIFY(root.mkpath(QStringLiteral("a/sub")) && root.mkdir(QStringLiteral("b")));
    QVERIFY(QFile::link(here.filePath(QStringLiteral("a")), here.filePath(QStringLiteral("link"))));
    QVERIFY(
        QFile::link(here.filePath(QStringLiteral("a/sub")), here.filePath(QStringLiteral("down"))));
    for (const char* name : {"a/x.csv", "a/x.txt", "b/x.csv"})
        QVERIFY(!writeCapture(here, QString::fromLatin1(name), moving()).isEmpty());
    QStringList arguments;
    for (const QString& capture : captures)
        arguments << here.filePath(capture);
    if (!outputDir.isEmpty())
        arguments << QStringLiteral("--output-dir") << here.filePath(outputDir);

    for (const char* jobs : {"1", "2"}) {
        const Result result = convert(arguments + QStringList{QStringLiteral("--jobs"), jobs});
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(QStringLiteral(" would both be written to ")
                                     + here.filePath(target)),
                 qPrintable(result.err));
        QDirIterator left(here.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
        int entries = 0;
        while (left.hasNext()) {
            left.next();
            ++entries;
        }
        QCOMPARE(entries, 8); // nothing written, no folder made
    }
}

void ConverterTest::fullDeviceIsAFailure()
{
    const Result result = convert({good_, QStringLiteral("-o"), QStringLiteral("/dev/full")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("/dev/full"))
                 && result.err.contains(QStringLiteral("No space left")),
             qPrintable(result.err));
    QVERIFY(QFileInfo(QStringLiteral("/dev/full")).exists()
            && !QFileInfo(QStringLiteral("/dev/full")).isFile());
}

void ConverterTest::interruptedBatch_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("written");    // documents in place before the signal
    QTest::addColumn<bool>("replacing"); // every output exists beforehand
    QTest::addColumn<int>("pages");      // SVG files a capture; 1: a PDF

    QTest::newRow("SIGINT at the first document") << SIGINT << 1 << false << 1;
    QTest::newRow("SIGTERM after 20") << SIGTERM << 20 << false << 1;
    QTest::newRow("SIGHUP after 40") << SIGHUP << 40 << false << 1;
    QTest::newRow("SIGINT after 20, replacing") << SIGINT << 20 << true << 1;
    QTest::newRow("SIGTERM after 40 page files") << SIGTERM << 40 << false << 8;
    QTest::newRow("SIGINT after 40 page files, replacing") << SIGINT << 40 << true << 8;
}

// A batch ended by a signal ends by that signal and leaves whole documents
// (or the files that were there) and no temporary file.
void ConverterTest::interruptedBatch()
{
    QFETCH(int, signal);
    QFETCH(int, written);
    QFETCH(bool, replacing);
    QFETCH(int, pages);

    constexpr int captures = 300;
    const QByteArray end = pages > 1 ? "</svg>\n" : "%%EOF\n";
    QTemporaryDir here;
    const QString out = here.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const QByteArray capture = captureText(moving());
    const QByteArray earlier = "an earlier file\n";
    QStringList arguments;
    for (int i = 0; i < captures; ++i) {
        const QString name = QStringLiteral("run%1").arg(i, 3, 10, QLatin1Char('0'));
        arguments << writeBytes(here, name + QStringLiteral(".csv"), capture);
        for (int k = 1; replacing && k <= pages; ++k) {
            const QString file = pages > 1 ? QStringLiteral("%1-%2.svg").arg(name).arg(k)
                                           : name + QStringLiteral(".pdf");
            QVERIFY(writeBytes(out + QLatin1Char('/') + file, earlier));
        }
    }
    arguments << QStringLiteral("--output-dir") << out << QStringLiteral("--jobs")
              << QStringLiteral("4");
    if (pages > 1)
        arguments << QStringLiteral("--format") << QStringLiteral("svg")
                  << QStringLiteral("--pages") << QString::number(pages);

    const auto documents = [&] {
        int whole = 0;
        for (const QString& name : QDir(out).entryList(QDir::Files))
            whole += contents(out + QLatin1Char('/') + name).endsWith(end);
        return whole;
    };
    QProcess process;
    process.start(QStringLiteral(ZELMAR_PDF), arguments);
    QVERIFY(process.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (documents() < written && clock.elapsed() < 60000)
        QTest::qSleep(5);
    QVERIFY(::kill(pid_t(process.processId()), signal) == 0);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(process.exitCode(), signal);

    // Page files of captures still being written when the signal came are
    // taken back: only whole documents count as kept.
    const int kept = pages > 1 ? 0 : written;
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    QVERIFY(left.size() >= kept);
    int whole = 0;
    QMap<QString, int> pagesOf; // capture -> its page files left
    QMap<QString, int> newOf;   // capture -> those of them written by this run
    for (const QString& name : left) {
        QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
        const QByteArray bytes = contents(out + QLatin1Char('/') + name);
        QVERIFY2(bytes == earlier || bytes.endsWith(end), qPrintable(name));
        whole += bytes != earlier;
        ++pagesOf[name.left(6)];
        newOf[name.left(6)] += bytes != earlier;
    }
    QVERIFY2(whole >= kept && whole < captures * pages, qPrintable(QString::number(whole)));
    // A capture's pages are all there or none of them, and all new or all
    // as they were before.
    for (auto it = pagesOf.cbegin(); it != pagesOf.cend(); ++it) {
        QVERIFY2(it.value() == pages, qPrintable(it.key()));
        QVERIFY2(newOf[it.key()] == 0 || newOf[it.key()] == pages, qPrintable(it.key()));
    }
}

void ConverterTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("shows"); // on standard output, or error when the exit is not 0
    const QString pdf = QStringLiteral(ZELMAR_PDF);
    const QString desktop = QStringLiteral(ZELMAR_DESKTOP);
    QTest::newRow("--help") << pdf << QStringList{"--help"} << 0
                            << QStringList{"zelmar-pdf",      "-o",
                                           "--channels",      "--tick-marks",
                                           "--no-tick-marks", "--resolution",
                                           "--unit",          "--heading"};
    QTest::newRow("-h") << pdf << QStringList{"-h"} << 0 << QStringList{"--channels"};
    QTest::newRow("--help-all") << pdf << QStringList{"--help-all"} << 0
                                << QStringList{"--channels"};
    QTest::newRow("--version") << pdf << QStringList{"--version"} << 0
                               << QStringList{"zelmar-pdf 1.0.0"};
    // The desktop program answers these before it needs a display.
    QTest::newRow("desktop --help")
        << desktop << QStringList{"--help"} << 0 << QStringList{"zelmar", "--version", "capture"};
    QTest::newRow("desktop -h") << desktop << QStringList{"-h"} << 0 << QStringList{"capture"};
    QTest::newRow("desktop --version")
        << desktop << QStringList{"--version"} << 0 << QStringList{"zelmar 1.0.0"};
    QTest::newRow("desktop, two captures")
        << desktop << QStringList{"a.csv", "b.csv"} << 2 << QStringList{"more than one capture"};
    QTest::newRow("desktop, unknown option")
        << desktop << QStringList{"--landscape"} << 1 << QStringList{"landscape"};
}

void ConverterTest::helpAndVersion()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, shows);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(30000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(err));
    if (exitCode == 0)
        QVERIFY2(err.isEmpty(), qPrintable(err));
    for (const QString& text : shows)
        QVERIFY2((exitCode == 0 ? out : err).contains(text), qPrintable(out + err));
}

void ConverterTest::runsWithoutAPlatformSet()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QString out = dir_.filePath(QStringLiteral("headless.pdf"));
    const Result result = convert({good_, QStringLiteral("-o"), out}, environment);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QVERIFY(contents(out).startsWith("%PDF-"));
}

// Under a platform that does not exist, making the GUI application ends the
// program: whatever finishes was answered without it.
void ConverterTest::answersBeforeAnyPlatform_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QStringList>("arguments"); // CAPTURE: a good capture; FOLDER: a new folder
    QTest::addColumn<int>("exitCode");          // -1: ended by the missing platform
    QTest::addColumn<QString>("shows"); // on standard output, or error when the exit is not 0

    const QString none = QStringLiteral("doesnotexist");
    QTest::newRow("--version") << none << QStringList{"--version"} << 0 << "zelmar-pdf 1.0.0\n";
    QTest::newRow("--help") << none << QStringList{"--help"} << 0 << "--no-tick-marks";
    QTest::newRow("no capture") << none << QStringList{} << 2 << "no capture file given";
    QTest::newRow("unknown option")
        << none << QStringList{"--landscape", "a.csv"} << 2 << "Unknown option";
    QTest::newRow("bad value") << none << QStringList{"a.csv", "--dpi", "5"} << 2 << "bad --dpi";
    QTest::newRow("the one capture unreadable")
        << none << QStringList{"no-such.csv"} << 1
        << "Cannot open file: No such file or directory (file no-such.csv)";
    QTest::newRow("the application's own option still taken")
        << none << QStringList{"-platform", "offscreen", "--version"} << 0 << "zelmar-pdf 1.0.0\n";
    QTest::newRow("a PDF in the page font alone needs none")
        << none << QStringList{"CAPTURE", "-o", "-"} << 0 << "%PDF-";
    QTest::newRow("text in another font needs the platform")
        << none << QStringList{"CAPTURE", "--heading", "\u03A3\u03AE\u03BC\u03B1", "-o", "-"} << -1
        << "";
    QTest::newRow("SVG needs the platform")
        << none << QStringList{"CAPTURE", "--format", "svg", "-o", "-"} << -1 << "";
    QTest::newRow("the first capture unreadable, the next drawn")
        << QStringLiteral("offscreen")
        << QStringList{"no-such.csv", "CAPTURE", "--output-dir", "FOLDER"} << 1 << "no-such.csv";
}

void ConverterTest::answersBeforeAnyPlatform()
{
    QFETCH(QString, platform);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, shows);
    QTemporaryDir folder;
    arguments.replaceInStrings(QStringLiteral("CAPTURE"), good_);
    arguments.replaceInStrings(QStringLiteral("FOLDER"), folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    const Result result = convert(arguments, environment);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    if (exitCode == 0)
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    QVERIFY2((exitCode == 0 ? result.out : result.err).contains(shows),
             qPrintable(result.out + result.err));
}

void ConverterTest::readsAPipeOnce_data()
{
    QTest::addColumn<bool>("fifo"); // else standard input
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("named"); // -o given; a pipe has no folder to write beside
    QTest::newRow("standard input") << false << 2048 << true;
    QTest::newRow("named pipe") << true << 2048 << true;
    QTest::newRow("standard input, short") << false << 2047 << true;
    QTest::newRow("named pipe, short") << true << 2047 << true;
    QTest::newRow("standard input, no output named") << false << 2048 << false;
    QTest::newRow("named pipe, no output named") << true << 2048 << false;
}

// A pipe gives its bytes once: the header and the samples must come from one
// reading, and the page must be the file's, byte for byte.
void ConverterTest::readsAPipeOnce()
{
    QFETCH(bool, fifo);
    QFETCH(int, rows);
    QFETCH(bool, named);
    QTemporaryDir here;
    CaptureRecipe recipe = moving();
    recipe.rows = rows;
    const QString capture = writeCapture(here, QStringLiteral("run.csv"), recipe);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1700000000"));
    const QString fromFile = here.filePath(QStringLiteral("file.pdf"));
    const Result expected = convert({capture, QStringLiteral("-o"), fromFile}, environment);

    const QString out = here.filePath(QStringLiteral("pipe.pdf"));
    const QString pipe = here.filePath(QStringLiteral("fifo"));
    const QStringList output = named ? QStringList{QStringLiteral("-o"), out} : QStringList{};
    QProcess writer;
    QProcess converter;
    converter.setProcessEnvironment(environment);
    if (fifo) {
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        writer.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QStringLiteral("exec cat \"$0\" > \"$1\""), capture,
                      pipe});
        converter.start(QStringLiteral(ZELMAR_PDF), QStringList{pipe} + output);
    } else {
        converter.start(QStringLiteral(ZELMAR_PDF),
                        QStringList{QStringLiteral("/dev/stdin")} + output);
        converter.write(contents(capture));
        converter.closeWriteChannel();
    }
    const bool finished = converter.waitForFinished(20000);
    writer.kill();
    writer.waitForFinished();
    if (!finished)
        converter.kill();
    QVERIFY2(finished, "the converter waits on the pipe");
    const QString err = QString::fromUtf8(converter.readAllStandardError());
    if (!named) {
        QCOMPARE(converter.exitCode(), 2);
        QVERIFY2(err.contains(QStringLiteral("is not a regular file")), qPrintable(err));
        QCOMPARE(QDir(here.path()).entryList({QStringLiteral("*.pdf")}), QStringList{"file.pdf"});
        return;
    }
    QCOMPARE(converter.exitCode(), expected.exitCode);
    if (expected.exitCode == 0) {
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QVERIFY(contents(fromFile).startsWith("%PDF-"));
        QVERIFY(contents(out) == contents(fromFile));
    } else {
        QVERIFY2(err.contains(QStringLiteral("line 2053")), qPrintable(err));
        QVERIFY(!QFile::exists(out));
    }
}

void ConverterTest::pageFollowsTheOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("defaults") << QStringList{}
                              << QStringList{"ZelmarProgramVersion 2.31",
                                             "Tick frequency:10 samples @ 100ns/sample =1000ns",
                                             "CH0", "CH15"}
                              << QStringList{};
    QTest::newRow("two channels, own heading, no tick marks")
        << QStringList{"--channels", "2,5", "--heading", "Bench run", "--no-tick-marks"}
        << QStringList{"Bench run", "CH2", "CH5"}
        << QStringList{"CH3", "Tick frequency", "ZelmarProgramVersion"};
    QTest::newRow("period without unit")
        << QStringList{"--tick-marks", "4", "--resolution", "2.5", "--unit", "none"}
        << QStringList{"Tick frequency:4 samples @ 2.5/sample =10"} << QStringList{"2.5ns"};
    QTest::newRow("no period") << QStringList{"--resolution", ""}
                               << QStringList{"Tick frequency:10 samples"} << QStringList{"@"};
    // Qt notes that the page font cannot shape the script; not the user's concern.
    QTest::newRow("a script the page font lacks")
        << QStringList{"--heading", "Run \u0926\u0947\u0935\u0928\u093E\u0917\u0930\u0940"}
        << QStringList{"Run"} << QStringList{};
}

void ConverterTest::pageFollowsTheOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("pdftotext (poppler-utils) is needed to read the page back: make test installs it");

    const QString out = dir_.filePath(QStringLiteral("page.pdf"));
    const Result result = convert(QStringList{good_, QStringLiteral("-o"), out} + options);
    QVERIFY2(result.exitCode == 0 && result.err.isEmpty(), qPrintable(result.err));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), out, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(60000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const QString& t : present)
        QVERIFY2(page.contains(t), qPrintable(t + QStringLiteral(" in: ") + page));
    for (const QString& t : absent)
        QVERIFY2(!page.contains(t), qPrintable(t + QStringLiteral(" in: ") + page));
}

void ConverterTest::batchArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<int>("captures");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("outputDir");
    QTest::addColumn<QString>("combine");
    QTest::addColumn<int>("format"); // -1: a value change dump
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("jobs"); // 0: the default, one per core

    const int pdf = int(OutputFormat::Pdf), svg = int(OutputFormat::Svg),
              png = int(OutputFormat::Png), vcd = -1;
    const auto row = [](const char* name, const QStringList& args) -> QTestData& {
        return QTest::newRow(name) << args;
    };
    row("one capture, beside it", {"a.csv"}) << true << 1 << ""
                                             << ""
                                             << "" << pdf << 150 << 0;
    row("many, beside them", {"a.csv", "b.csv", "c.csv"}) << true << 3 << ""
                                                          << ""
                                                          << "" << pdf << 150 << 0;
    row("standard output", {"a.csv", "-o", "-"}) << true << 1 << "-"
                                                 << ""
                                                 << "" << pdf << 150 << 0;
    row("svg from -o", {"a.csv", "-o", "a.SVG"}) << true << 1 << "a.SVG"
                                                 << ""
                                                 << "" << svg << 150 << 0;
    row("png from -o", {"a.csv", "-o", "a.png"}) << true << 1 << "a.png"
                                                 << ""
                                                 << "" << png << 150 << 0;
    row("no extension: pdf", {"a.csv", "-o", "out/a"}) << true << 1 << "out/a"
                                                       << ""
                                                       << "" << pdf << 150 << 0;
    row("other extension with --format", {"a.csv", "-o", "a.jpg", "--format", "png"})
        << true << 1 << "a.jpg"
        << ""
        << "" << png << 150 << 0;
    row("--format wins", {"a.csv", "-o", "a.pdf", "--format", "png", "--dpi", "1200"})
        << true << 1 << "a.pdf"
        << ""
        << "" << png << 1200 << 0;
    row("folder, svg", {"a.csv", "b.csv", "--output-dir", "d", "--format", "svg"})
        << true << 2 << ""
        << "d"
        << "" << svg << 150 << 0;
    row("combine", {"a.csv", "b.csv", "--combine", "all.pdf", "--jobs", "3"})
        << true << 2 << ""
        << ""
        << "all.pdf" << pdf << 150 << 3;
    row("combine to standard output", {"a.csv", "--combine", "-", "--jobs", "1"})
        << true << 1 << ""
        << ""
        << "-" << pdf << 150 << 1;
    row("vcd from -o", {"a.csv", "-o", "a.VCD"}) << true << 1 << "a.VCD"
                                                 << ""
                                                 << "" << vcd << 150 << 0;
    row("vcd to a folder", {"a.csv", "--format", "vcd", "--output-dir", "d", "--samples", "1-2"})
        << true << 1 << ""
        << "d"
        << "" << vcd << 150 << 0;
    row("one page to standard output", {"a.csv", "-o", "-", "--format", "svg", "--pages", "1"})
        << true << 1 << "-"
        << ""
        << "" << svg << 150 << 0;
    row("PDF pages to standard output", {"a.csv", "-o", "-", "--pages", "2"})
        << true << 1 << "-"
        << ""
        << "" << pdf << 150 << 0;
    row("combined pages", {"a.csv", "--combine", "all.pdf", "--pages", "2"})
        << true << 1 << ""
        << ""
        << "all.pdf" << pdf << 150 << 0;
    row("lowest dpi", {"a.csv", "--format", "png", "--dpi", "10"}) << true << 1 << ""
                                                                   << ""
                                                                   << "" << png << 10 << 0;

    const auto refused = [&](const char* name, const QStringList& args) {
        row(name, args) << false << 0 << ""
                        << ""
                        << "" << 0 << 0 << 0;
    };
    refused("-o and --output-dir", {"a.csv", "-o", "a.pdf", "--output-dir", "d"});
    refused("--combine and --output-dir", {"a.csv", "--combine", "all.pdf", "--output-dir", "d"});
    refused("-o and --combine", {"a.csv", "-o", "a.pdf", "--combine", "all.pdf"});
    refused("-o - for two", {"a.csv", "b.csv", "-o", "-"});
    refused("combined svg", {"a.csv", "--combine", "all.pdf", "--format", "svg"});
    refused("unknown format", {"a.csv", "--format", "jpeg"});
    refused("extension of no format", {"a.csv", "-o", "a.jpg"});
    refused("another extension", {"a.csv", "-o", "a.out"});
    refused("binder with an extension of no format", {"a.csv", "--combine", "all.out"});
    refused("binder named .svg", {"a.csv", "--combine", "all.svg"});
    refused("empty folder", {"a.csv", "--output-dir", ""});
    refused("empty binder", {"a.csv", "--combine", ""});
    refused("dpi below 10", {"a.csv", "--format", "png", "--dpi", "9"});
    refused("dpi above 1200", {"a.csv", "--format", "png", "--dpi", "1201"});
    refused("dpi not a number", {"a.csv", "--format", "png", "--dpi", "150dpi"});
    refused("no jobs", {"a.csv", "--jobs", "0"});
    refused("SVG pages to standard output",
            {"a.csv", "-o", "-", "--format", "svg", "--pages", "2"});
    refused("PNG pages to standard output",
            {"a.csv", "-o", "-", "--format", "png", "--pages", "3"});
    refused("combined dump", {"a.csv", "--combine", "all.pdf", "--format", "vcd"});
    refused("binder named .vcd", {"a.csv", "--combine", "all.vcd"});
    refused("jobs twice", {"a.csv", "--jobs", "1", "--jobs", "2"});
    refused("dpi with a blank", {"a.csv", "--format", "png", "--dpi", " 150"});
    refused("jobs with a sign", {"a.csv", "--jobs", "+2"});
}

void ConverterTest::batchArguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, runs);
    QFETCH(int, captures);
    QFETCH(QString, output);
    QFETCH(QString, outputDir);
    QFETCH(QString, combine);
    QFETCH(int, format);
    QFETCH(int, dpi);
    QFETCH(int, jobs);

    const ParsedArguments parsed = parseArguments(QStringList{QStringLiteral("zelmar-pdf")} + args);
    QCOMPARE(parsed.action == Action::Run, runs);
    if (!runs) {
        QCOMPARE(int(parsed.action), int(Action::UsageError));
        QVERIFY2(plainLine(parsed.error), qPrintable(escapedText(parsed.error)));
        return;
    }
    const ConverterOptions& o = parsed.options;
    QCOMPARE(o.captures.size(), captures);
    QCOMPARE(o.output, output);
    QCOMPARE(o.outputDir, outputDir);
    QCOMPARE(o.combine, combine);
    QCOMPARE(o.format == OutputFormat::Vcd ? -1 : int(o.format), format);
    QCOMPARE(o.dpi, dpi);
    QCOMPARE(o.jobs, jobs > 0 ? jobs : std::max(1, QThread::idealThreadCount()));
}

void ConverterTest::failuresStayLocal_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("jobs");
    QTest::addColumn<int>("bad"); // captures that cannot be printed, one to three
    for (const char* mode : {"beside", "folder", "combine"})
        for (const char* jobs : {"1", "2"})
            for (const int bad : {1, 3})
                QTest::addRow("%s, %s jobs, %d bad", mode, jobs, bad) << mode << jobs << bad;
}

void ConverterTest::failuresStayLocal()
{
    QFETCH(QString, mode);
    QFETCH(QString, jobs);
    QFETCH(int, bad);

    QTemporaryDir here;
    CaptureRecipe letter = moving();
    letter.fields[{9, 3}] = "x";
    CaptureRecipe noKey = moving();
    noKey.header[0] = "zelmarprogramversion,2.31";
    QStringList captures{
        writeCapture(here, QStringLiteral("one.csv"), moving()),
        writeCapture(here, QStringLiteral("letter.csv"), letter),
        writeCapture(here, QStringLiteral("two.csv"), counterExample()),
        here.filePath(QStringLiteral("device.csv")), // never read: it would wait for ever
        writeCapture(here, QStringLiteral("nokey.csv"), noKey),
        here.filePath(QStringLiteral("missing.csv")),
        writeCapture(here, QStringLiteral("three.csv"), serialExample()),
    };
    const QStringList good{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), here.filePath(QStringLiteral("device.csv"))));
    QStringList failing{QStringLiteral("letter"), QStringLiteral("device"), QStringLiteral("nokey"),
                        QStringLiteral("missing")};
    // Beside the captures, a device is a usage error before any is read.
    if (mode == QLatin1String("beside"))
        failing.removeAll(QStringLiteral("device"));
    for (const QString& spared : failing.mid(bad) + QStringList{QStringLiteral("device")})
        if (!failing.mid(0, bad).contains(spared))
            captures.removeAll(here.filePath(spared + QStringLiteral(".csv")));
    failing = failing.mid(0, bad);

    QStringList destination;
    QString folder = here.path();
    if (mode == QLatin1String("folder")) {
        folder = here.filePath(QStringLiteral("out/pages"));
        destination = {QStringLiteral("--output-dir"), folder};
    } else if (mode == QLatin1String("combine")) {
        destination = {QStringLiteral("--combine"), here.filePath(QStringLiteral("all.pdf"))};
    }
    const qsizetype before = QDir(here.path()).entryList(QDir::Files | QDir::Hidden).size();
    const Result result =
        convert(captures + destination + QStringList{QStringLiteral("--jobs"), jobs});
    QCOMPARE(result.exitCode, 1);

    // One line per failed capture, in the order given, naming where.
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), mode == QLatin1String("combine") ? bad + 1 : bad);
    for (int i = 0; i < failing.size(); ++i)
        QVERIFY2(lines[i].contains(failing[i] + QStringLiteral(".csv")), qPrintable(result.err));
    QVERIFY2(lines[0].contains(QStringLiteral("line 15"))
                 && lines[0].contains(QStringLiteral("field 4")),
             qPrintable(lines[0]));

    if (mode == QLatin1String("combine")) {
        QVERIFY2(lines[bad].contains(QStringLiteral("all.pdf: not written, as %1 of %2 captures")
                                         .arg(bad)
                                         .arg(captures.size())),
                 qPrintable(lines[bad]));
        QVERIFY(!QFile::exists(here.filePath(QStringLiteral("all.pdf"))));
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden).size(), before);
        return;
    }
    for (const QString& name : good)
        QVERIFY2(contents(QDir(folder).filePath(name + QStringLiteral(".pdf"))).startsWith("%PDF-"),
                 qPrintable(name));
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden).size(),
             good.size());
}

void ConverterTest::linksAlongTheOutputPath_data()
{
    QTest::addColumn<QStringList>("destination"); // LINK: a link to a folder, in another folder
    QTest::addColumn<int>("linkOwner");           // 0: the user, 1: another user, 2: folder owner
    QTest::addColumn<int>("mode");                // of the folder holding the link
    const std::pair<const char*, QStringList> destinations[] = {
        {"-o", {"-o", "LINK/run.pdf"}},
        {"--output-dir", {"--output-dir", "LINK"}},
        {"--output-dir made", {"--output-dir", "LINK/new/sub"}},
        {"--combine", {"--combine", "LINK/all.pdf"}},
        {"page files", {"-o", "LINK/run.svg", "--format", "svg", "--pages", "2"}},
    };
    for (const auto& [name, destination] : destinations) {
        QTest::addRow("%s, another user's link, sticky", name) << destination << 1 << 01777;
        QTest::addRow("%s, own link, sticky", name) << destination << 0 << 01777;
        QTest::addRow("%s, folder owner's link, sticky", name) << destination << 2 << 01777;
        QTest::addRow("%s, another user's link, ordinary", name) << destination << 1 << 0755;
    }
}

// Another user's link in a shared folder is refused wherever it is on the way.
void ConverterTest::linksAlongTheOutputPath()
{
    QFETCH(QStringList, destination);
    QFETCH(int, linkOwner);
    QFETCH(int, mode);
    if (::geteuid() != 0)
        QSKIP("only root can make links that belong to another user");
    QTemporaryDir here;
    const QString shared = here.filePath(QStringLiteral("shared"));
    const QString victims = here.filePath(QStringLiteral("victims"));
    QVERIFY(QDir().mkpath(shared) && QDir().mkpath(victims));
    const uid_t owners[] = {0, 65534, 65533};
    QVERIFY(::chmod(qPrintable(shared), mode_t(mode)) == 0
            && ::chown(qPrintable(shared), owners[2], owners[2]) == 0);
    const QString link = shared + QStringLiteral("/x");
    QVERIFY(QFile::link(victims, link));
    QVERIFY(::lchown(qPrintable(link), owners[linkOwner], owners[linkOwner]) == 0);

    const Result result =
        convert(QStringList{good_} + destination.replaceInStrings(QStringLiteral("LINK"), link));
    if (linkOwner == 1 && mode == 01777) {
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(QStringLiteral("not followed")) && result.err.contains(link),
                 qPrintable(result.err));
        QVERIFY(QDir(victims).isEmpty());
    } else {
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY(!QDir(victims).isEmpty());
    }
}

void ConverterTest::progressCountsFailures_data()
{
    QTest::addColumn<int>("bad");
    QTest::newRow("none failed") << 0;
    QTest::newRow("two failed") << 2;
}

void ConverterTest::progressCountsFailures()
{
    QFETCH(int, bad);
    QTemporaryDir here;
    ConverterOptions options;
    options.captures = {good_, writeCapture(here, QStringLiteral("other.csv"), moving())};
    for (int i = 0; i < bad; ++i)
        options.captures << here.filePath(QStringLiteral("missing%1.csv").arg(i));
    options.outputDir = here.filePath(QStringLiteral("out"));
    options.jobs = 2;
    QString text;
    QTextStream err(&text);
    QCOMPARE(runConverter(options, err, true), bad == 0 ? 0 : 1);
    err.flush();

    // The line is redrawn after carriage returns: the last drawing stays.
    const QString last = text.split(u'\r').last().trimmed();
    const QString total = QString::number(options.captures.size());
    QVERIFY2(last.startsWith(total + u'/' + total + QStringLiteral(" captures, ")),
             qPrintable(last));
    QVERIFY2(last.contains(QStringLiteral("failed")) == (bad > 0), qPrintable(last));
    if (bad > 0)
        QVERIFY2(last.contains(QStringLiteral(", %1 failed, ").arg(bad)), qPrintable(last));
}

void ConverterTest::combinedPagesAreTheSinglePages()
{
    if (!poppler::available()
        || QStandardPaths::findExecutable(QStringLiteral("pdfseparate")).isEmpty())
        QFAIL("poppler-utils are needed to read the pages back: make test installs them");
    QTemporaryDir here;
    // A channel name only the PDF engine can draw, after the first pages:
    // the engine then binds them all.
    const QString greek = writeCapture(here, QStringLiteral("greek.csv"), counterExample());
    QFile file(greek);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Two fonts besides the page font: the engine's subsets then differ by run
    // unless their order and names depend on the text alone.
    const QByteArray text = file.readAll().replace(
        "\"Q2\"", "\"\xce\xa3\xce\xae\xce\xbc\xce\xb1 \xe4\xb8\xad\xe6\x96\x87\"");
    file.close();
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(text) == text.size());
    file.close();
    const QStringList captures{writeCapture(here, QStringLiteral("serial.csv"), serialExample()),
                               good_,
                               writeCapture(here, QStringLiteral("counter.csv"), counterExample()),
                               greek};
    const QString all = here.filePath(QStringLiteral("all.pdf"));
    const QString allOneJob = here.filePath(QStringLiteral("all1.pdf"));
    // With the date fixed, as reproducible builds fix it, the bytes are the same.
    QProcessEnvironment fixedDate = QProcessEnvironment::systemEnvironment();
    fixedDate.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1700000000"));
    QCOMPARE(convert(captures + QStringList{"--combine", all, "--jobs", "2"}, fixedDate).exitCode,
             0);
    QCOMPARE(
        convert(captures + QStringList{"--combine", allOneJob, "--jobs", "1"}, fixedDate).exitCode,
        0);
    QVERIFY(contents(all) == contents(allOneJob));
    for (int run = 0; run < 3; ++run) {
        QCOMPARE(convert(captures + QStringList{"--combine", allOneJob, "--jobs", "2"}, fixedDate)
                     .exitCode,
                 0);
        QVERIFY2(contents(all) == contents(allOneJob),
                 qPrintable(QStringLiteral("run %1").arg(run)));
    }

    // The binder to standard output is the same document.
    QProcess piped;
    piped.setProcessEnvironment(fixedDate);
    piped.start(QStringLiteral(ZELMAR_PDF), captures + QStringList{"--combine", "-"});
    QVERIFY(piped.waitForFinished(60000) && piped.exitCode() == 0);
    QVERIFY(piped.readAllStandardOutput() == contents(all));

    const QByteArray info = poppler::info(all);
    QVERIFY2(info.contains("Pages:           4"), info.constData());
    QVERIFY2(info.contains("CreationDate:    Tue Nov 14 22:13:20 2023 UTC"), info.constData());
    // The structure, read by a second, stricter reader.
    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), all});
    QVERIFY2(check.waitForFinished(60000) && check.exitCode() == 0,
             "qpdf --check found faults (make test installs qpdf)");
    QVERIFY(poppler::text(all).contains(QStringLiteral("\u03A3\u03AE\u03BC\u03B1")));
    poppler::run(QStringLiteral("pdfseparate"),
                 {all, here.filePath(QStringLiteral("page-%d.pdf"))});
    for (int i = 0; i < captures.size(); ++i) {
        const QString single = here.filePath(QStringLiteral("single-%1.pdf").arg(i + 1));
        QCOMPARE(convert({captures[i], QStringLiteral("-o"), single}).exitCode, 0);
        const QImage page = popplerImage(here.filePath(QStringLiteral("page-%1.pdf").arg(i + 1)),
                                         50, here.filePath(QStringLiteral("page")));
        const QImage alone = popplerImage(single, 50, here.filePath(QStringLiteral("alone")));
        QVERIFY(!page.isNull());
        QVERIFY2(page == alone, qPrintable(QStringLiteral("page %1").arg(i + 1)));
    }
}

void ConverterTest::svgReadsBack()
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

void ConverterTest::pngMatchesThePdf_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("dpi");
    QTest::newRow("traces, 150 dpi") << QStringList{} << 150;
    QTest::newRow("traces, 40 dpi") << QStringList{} << 40;
    // Text alone: tab stops, and glyphs no installed font has.
    QTest::newRow("tabs, a script without a font")
        << QStringList{"--channels", "none", "--no-tick-marks", "--heading",
                       "Tab\tstops\there \u0926\u0947\u0935 \u16A0\u16A2"}
        << 100;
}

void ConverterTest::pngMatchesThePdf()
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

void ConverterTest::sourceDateEpoch_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("date"); // as pdfinfo shows it; empty: today's
    QTest::newRow("set") << "1700000000" << 0 << "Tue Nov 14 22:13:20 2023 UTC";
    QTest::newRow("the last second of 9999")
        << "253402300799" << 0 << "Fri Dec 31 23:59:59 9999 UTC";
    QTest::newRow("empty, as unset") << "" << 0 << "";
    QTest::newRow("not a number") << "abc" << 2 << "";
    QTest::newRow("negative") << "-5" << 2 << "";
    QTest::newRow("past 9999") << "253402300800" << 2 << "";
    QTest::newRow("past 64 bits") << "99999999999999999999" << 2 << "";
    QTest::newRow("space before") << " 5" << 2 << "";
    QTest::newRow("fraction") << "5.5" << 2 << "";
}

void ConverterTest::sourceDateEpoch()
{
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QFETCH(QString, date);
    QTemporaryDir here;
    const QString out = here.filePath(QStringLiteral("page.pdf"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), value);
    const Result result = convert({good_, QStringLiteral("-o"), out}, environment);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    if (exitCode != 0) {
        QVERIFY2(result.err.count(u'\n') == 1
                     && result.err.contains(QStringLiteral("SOURCE_DATE_EPOCH")),
                 qPrintable(result.err));
        QVERIFY(QDir(here.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        return;
    }
    QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    const QByteArray info = poppler::info(out);
    const QByteArray shown = date.isEmpty()
                                 ? QDateTime::currentDateTimeUtc().toString(u"yyyy UTC").toLatin1()
                                 : date.toLatin1();
    QVERIFY2(info.contains("CreationDate:    ") && info.contains(shown), info.constData());
}

void ConverterTest::soundWithoutThePageFont_data()
{
    QTest::addColumn<QString>("fonts"); // the only font folder fontconfig sees
    QTest::addColumn<QString>("shown"); // text the page must show; empty: none
    QTest::newRow("no fonts at all") << QString() << QString();
    // Outlines as CFF, not TrueType: the engine draws the text.
    QTest::newRow("OpenType fonts with CFF outlines") << "/usr/share/fonts/opentype/urw-base35"
                                                      << "Tick frequency:10 samples";
}

// The page font cannot be embedded; the document names no font it lacks.
void ConverterTest::soundWithoutThePageFont()
{
    QFETCH(QString, fonts);
    QFETCH(QString, shown);
    if (!poppler::available() || QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        QFAIL("poppler-utils and qpdf are needed to check the PDF: make test installs them");
    QTemporaryDir here;
    if (!fonts.isEmpty() && QDir(fonts).isEmpty())
        QSKIP("no CFF fonts here (fonts-urw-base35)");
    const QString folder = fonts.isEmpty() ? here.path() : fonts;
    QVERIFY(writeBytes(here.filePath(QStringLiteral("fonts.conf")),
                       QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig><dir>%1</dir>"
                                      "<cachedir>%2</cachedir></fontconfig>\n")
                           .arg(folder, here.filePath(QStringLiteral("cache")))
                           .toUtf8()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FONTCONFIG_FILE"),
                       here.filePath(QStringLiteral("fonts.conf")));
    const QString out = here.filePath(QStringLiteral("page.pdf"));
    const Result result = convert({good_, QStringLiteral("-o"), out}, environment);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    QProcess listing;
    listing.start(QStringLiteral("pdffonts"), {out});
    QVERIFY(listing.waitForFinished(60000));
    const QByteArray complaints = listing.readAllStandardError();
    QVERIFY2(listing.exitCode() == 0 && complaints.isEmpty(), complaints.constData());
    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), out});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
    if (!shown.isEmpty())
        QVERIFY2(poppler::text(out).contains(shown), qPrintable(poppler::text(out)));
}

void ConverterTest::sameBytesHoweverFontsAreFound_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("second"); // how the second run finds its fonts
    const QStringList heading{"--heading", "\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C", "--pages",
                              "2"};
    QTest::newRow("page font, GUI first") << QStringList{} << "-platform";
    QTest::newRow("Greek and CJK, GUI first") << heading << "-platform";
    QTest::newRow("page font through fontconfig") << QStringList{} << "FONTCONFIG_FILE";
    QTest::newRow("Greek and CJK through fontconfig") << heading << "FONTCONFIG_FILE";
}

// The page font read from its file, with the GUI application made only when
// text needs it, gives the bytes Qt's fonts give with the application first.
void ConverterTest::sameBytesHoweverFontsAreFound()
{
    QFETCH(QStringList, options);
    QFETCH(QString, second);
    QTemporaryDir here;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1700000000"));
    environment.remove(QStringLiteral("FONTCONFIG_FILE"));
    const QString plain = here.filePath(QStringLiteral("plain.pdf"));
    const QString other = here.filePath(QStringLiteral("other.pdf"));
    QCOMPARE(
        convert(QStringList{good_, QStringLiteral("-o"), plain} + options, environment).exitCode,
        0);
    QStringList arguments{good_, QStringLiteral("-o"), other};
    if (second == QLatin1String("-platform"))
        arguments << QStringLiteral("-platform") << QStringLiteral("offscreen");
    else
        environment.insert(second, QStringLiteral("/etc/fonts/fonts.conf"));
    QCOMPARE(convert(arguments + options, environment).exitCode, 0);
    QVERIFY(contents(plain) == contents(other));
}

void ConverterTest::splitPagesReadBack_data()
{
    // OUT: a fresh folder; CAPTURE: run.csv; SECOND: second.csv, another heading.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("blocked"); // folders made in OUT beforehand, where files go
    QTest::addColumn<QStringList>("former");  // files in OUT beforehand, kept on failure
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("files");  // what OUT holds afterwards
    QTest::addColumn<QStringList>("ranges"); // each page's range line, for a PDF
    const QStringList quarters{"samples 0\u2013511 (0\u201351.2 \u00b5s), page 1 of 4",
                               "samples 512\u20131023 (51.2\u2013102.4 \u00b5s), page 2 of 4",
                               "samples 1024\u20131535 (102.4\u2013153.6 \u00b5s), page 3 of 4",
                               "samples 1536\u20132047 (153.6\u2013204.8 \u00b5s), page 4 of 4"};
    QTest::newRow("PDF of four pages")
        << QStringList{"CAPTURE", "--pages", "4", "--time-axis", "-o", "OUT/run.pdf"}
        << QStringList{} << QStringList{} << 0 << QStringList{"run.pdf"} << quarters;
    QTest::newRow("binder, each capture's pages in turn")
        << QStringList{"CAPTURE",   "SECOND",      "--pages", "2", "--time-axis",
                       "--combine", "OUT/all.pdf", "--jobs",  "2"}
        << QStringList{} << QStringList{} << 0 << QStringList{"all.pdf"}
        << QStringList{"samples 0\u20131023 (0\u2013102.4 \u00b5s), page 1 of 2",
                       "samples 1024\u20132047 (102.4\u2013204.8 \u00b5s), page 2 of 2",
                       "samples 0\u20131023 (0\u2013102.4 \u00b5s), page 1 of 2",
                       "samples 1024\u20132047 (102.4\u2013204.8 \u00b5s), page 2 of 2"};
    QTest::newRow("SVG pages named after -o")
        << QStringList{"CAPTURE", "--pages", "4", "-o", "OUT/out.svg"} << QStringList{}
        << QStringList{} << 0 << QStringList{"out-1.svg", "out-2.svg", "out-3.svg", "out-4.svg"}
        << QStringList{};
    // Numbered after the name when the name is all extension.
    QTest::newRow("SVG pages of a name that is all extension")
        << QStringList{"CAPTURE", "--pages", "2", "-o", "OUT/.svg"} << QStringList{}
        << QStringList{} << 0 << QStringList{".svg-1", ".svg-2"} << QStringList{};
    QStringList twelve;
    for (int page = 1; page <= 12; ++page)
        twelve << QStringLiteral("run-%1.png").arg(page, 2, 10, QLatin1Char('0'));
    QTest::newRow("PNG pages numbered to two digits")
        << QStringList{"CAPTURE", "--pages",      "12",  "--format", "png", "--dpi",
                       "10",      "--output-dir", "OUT", "--jobs",   "2"}
        << QStringList{} << QStringList{} << 0 << twelve << QStringList{};
    QTest::newRow("one SVG page keeps its name")
        << QStringList{"CAPTURE", "--pages",      "1",  "--samples", "5-900", "--format",
                       "svg",     "--output-dir", "OUT"}
        << QStringList{} << QStringList{} << 0 << QStringList{"run.svg"} << QStringList{};
    QTest::newRow("a page that cannot be written takes its siblings")
        << QStringList{"CAPTURE", "--pages", "4", "-o", "OUT/out.svg"} << QStringList{"out-3.svg"}
        << QStringList{} << 1 << QStringList{"out-3.svg"} << QStringList{};
    QTest::newRow("a page that cannot be written puts back the files replaced")
        << QStringList{"CAPTURE", "--pages", "4", "-o", "OUT/out.svg"} << QStringList{"out-3.svg"}
        << QStringList{"out-1.svg", "out-2.svg"} << 1
        << QStringList{"out-1.svg", "out-2.svg", "out-3.svg"} << QStringList{};
    QTest::newRow("a page file over a capture")
        << QStringList{"OUT/x-2.svg", "--pages", "2", "-o", "OUT/x.svg"} << QStringList{}
        << QStringList{} << 1 << QStringList{"x-2.svg"} << QStringList{};
}

// Every page's range and time labels, read back by poppler; every page file
// named as pdftoppm names them, all or none of them written.
void ConverterTest::splitPagesReadBack()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, blocked);
    QFETCH(QStringList, former);
    QFETCH(int, exitCode);
    QFETCH(QStringList, files);
    QFETCH(QStringList, ranges);
    if (!poppler::available())
        QFAIL("poppler-utils are needed to read the pages back: make test installs them");
    QTemporaryDir here;
    const QString out = here.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    for (const QString& folder : blocked)
        QVERIFY(QDir(out).mkdir(folder));
    for (const QString& file : former) {
        QFile made(QDir(out).filePath(file));
        QVERIFY(made.open(QIODevice::WriteOnly) && made.write(file.toUtf8()) == file.size());
    }
    CaptureRecipe second = moving();
    second.header[1] = "Second run";
    args.replaceInStrings(QStringLiteral("CAPTURE"),
                          writeCapture(here, QStringLiteral("run.csv"), moving()));
    args.replaceInStrings(QStringLiteral("SECOND"),
                          writeCapture(here, QStringLiteral("second.csv"), second));
    if (args.first().startsWith(QLatin1String("OUT/")))
        QVERIFY(!writeCapture(here, QStringLiteral("out/x-2.svg"), moving()).isEmpty());
    args.replaceInStrings(QRegularExpression(QStringLiteral("^OUT")), out);

    const Result result = convert(args);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), files);
    if (exitCode != 0) {
        QCOMPARE(result.err.count(u'\n'), 1);
        QVERIFY2(result.err.contains(QDir(out).filePath(blocked.value(0, files.first()))),
                 qPrintable(result.err));
        for (const QString& file : former)
            QCOMPARE(contents(QDir(out).filePath(file)), file.toUtf8());
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString file = QDir(out).filePath(files[i]);
        if (file.endsWith(QLatin1String(".svg")))
            QVERIFY2(
                contents(file).contains(
                    files.size() == 1
                        ? QByteArray("samples 5")
                        : QStringLiteral("page %1 of %2").arg(i + 1).arg(files.size()).toUtf8()),
                qPrintable(file));
        if (file.endsWith(QLatin1String(".png")))
            QCOMPARE(QImage(file).size(), QSize(170, 110));
    }
    if (ranges.isEmpty())
        return;

    const QString pdf = QDir(out).filePath(files.first());
    QVERIFY(poppler::info(pdf).contains(
        QStringLiteral("Pages:           %1").arg(ranges.size()).toLatin1()));
    static const QRegularExpression range(
        QStringLiteral("samples (\\d+)\u2013(\\d+) \\(([\\d.]+)\u2013([\\d.]+) \u00b5s\\)"));
    static const QRegularExpression label(QStringLiteral("^([\\d.]+) \u00b5s$"));
    for (int page = 1; page <= ranges.size(); ++page) {
        const QString text = QString::fromUtf8(
            poppler::run(QStringLiteral("pdftotext"),
                         {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                          QString::number(page), pdf, QStringLiteral("-")}));
        const QString& expected = ranges[page - 1];
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in: ") + text));
        // Captures in the order given, whatever the jobs.
        QCOMPARE(text.contains(QStringLiteral("Second run")),
                 page > 2 && ranges.size() == 4 && files.first() == "all.pdf");
        // Labels under the ticks, each a time within the page's samples.
        const QRegularExpressionMatch shown = range.match(expected);
        QVERIFY(shown.hasMatch());
        int labels = 0;
        for (const QString& line : text.split(u'\n')) {
            const QRegularExpressionMatch time = label.match(line.trimmed());
            if (!time.hasMatch())
                continue;
            ++labels;
            QVERIFY2(time.captured(1).toDouble() >= shown.captured(3).toDouble()
                         && time.captured(1).toDouble() <= shown.captured(4).toDouble(),
                     qPrintable(line + QStringLiteral(" on page ") + QString::number(page)));
        }
        QVERIFY2(labels >= 3, qPrintable(text));
    }
}

void ConverterTest::valueChangeDumpReadsBack_data()
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
void ConverterTest::valueChangeDumpReadsBack()
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

QTEST_MAIN(ConverterTest)
#include "tst_converter.moc"
