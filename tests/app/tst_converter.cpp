#include "app/converter.h"

#include "tests/support/capturefixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

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
    void neverWritesOverItsCapture_data();
    void neverWritesOverItsCapture();
    void fullDeviceIsAFailure();
    void pageFollowsTheOptions_data();
    void pageFollowsTheOptions();

private:
    struct Result {
        int exitCode;
        QString out;
        QString err;
    };
    Result convert(const QStringList& arguments, const QProcessEnvironment& environment =
                                                     QProcessEnvironment::systemEnvironment());

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

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    QTest::addColumn<int>("channels");   // bit c for channel c; -1 refused
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
    QTest::addColumn<QString>("heading");   // "(header)": from the capture

    const QString fromHeader = QStringLiteral("(header)");
    const auto run = int(Action::Run);
    const auto usage = int(Action::UsageError);
    QTest::newRow("defaults") << QStringList{"a.csv", "-o", "a.pdf"} << run << 0xffff << true
                              << "10" << "100" << 0 << fromHeader;
    QTest::newRow("everything")
        << QStringList{"a.csv", "--output", "a.pdf", "--channels", "0-3,7", "--tick-marks", "2.5",
                       "--resolution", "", "--unit", "ms", "--heading", "Bench"}
        << run << 0x008f << true << "2.5" << "" << 2 << "Bench";
    QTest::newRow("no tick marks") << QStringList{"a.csv", "-o", "a.pdf", "--no-tick-marks"} << run
                                   << 0xffff << false << "10" << "100" << 0 << fromHeader;
    QTest::newRow("unit none") << QStringList{"a.csv", "-o", "a.pdf", "--unit", "none"} << run
                               << 0xffff << true << "10" << "100" << -1 << fromHeader;
    QTest::newRow("empty heading") << QStringList{"a.csv", "-o", "a.pdf", "--heading", ""} << run
                                   << 0xffff << true << "10" << "100" << 0 << "";
    QTest::newRow("no channels") << QStringList{"a.csv", "-o", "a.pdf", "--channels", "none"} << run
                                 << 0 << true << "10" << "100" << 0 << fromHeader;

    const auto refused = [&](const char* name, const QStringList& args) {
        QTest::newRow(name) << args << usage << 0 << false << "" << "" << 0 << "";
    };
    refused("no arguments", {});
    refused("no output", {"a.csv"});
    refused("empty output", {"a.csv", "-o", ""});
    refused("no capture", {"-o", "a.pdf"});
    refused("two captures", {"a.csv", "b.csv", "-o", "a.pdf"});
    refused("bad channel list", {"a.csv", "-o", "a.pdf", "--channels", "0-16"});
    refused("bad unit", {"a.csv", "-o", "a.pdf", "--unit", "nS"});
    refused("tick marks both ways", {"a.csv", "-o", "a.pdf", "--tick-marks", "5", "--no-tick-marks"});
    refused("unknown option", {"a.csv", "-o", "a.pdf", "--colour"});
    refused("option without value", {"a.csv", "-o", "a.pdf", "--channels"});
    refused("output twice", {"a.csv", "-o", "a.pdf", "-o", "b.pdf"});

    QTest::newRow("help") << QStringList{"--help"} << int(Action::Help) << 0 << false << "" << ""
                          << 0 << "";
    QTest::newRow("version") << QStringList{"--version"} << int(Action::Version) << 0 << false
                             << "" << "" << 0 << "";
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

    const ParsedArguments parsed = parseArguments(QStringList{QStringLiteral("zelmar-pdf")} + args);
    QCOMPARE(int(parsed.action), action);
    if (parsed.action == Action::UsageError) {
        QVERIFY(!parsed.error.isEmpty());
        QVERIFY(!parsed.error.contains(u'\n'));
    }
    if (parsed.action != Action::Run)
        return;
    const ConverterOptions& o = parsed.options;
    QCOMPARE(o.capture, QStringLiteral("a.csv"));
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
}

void ConverterTest::runs_data()
{
    QTest::addColumn<QString>("capture");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("existing");     // OUT exists beforehand
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("mentions");   // in the one line on stderr

    CaptureRecipe badSample = moving();
    badSample.fields[{9, 3}] = "x";
    const QString bad = writeCapture(dir_, QStringLiteral("bad.csv"), badSample);
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
        row("level 219") << high << QStringList{} << existing << 1
                         << QStringList{high, "line 306", "field 2", "Overflow"};
        row("short file") << shortFile << QStringList{} << existing << 1
                          << QStringList{shortFile, "line 2053"};
        row("missing capture") << missing << QStringList{} << existing << 1 << QStringList{missing};
        row("tick spacing too large") << good_ << QStringList{"--tick-marks", "1e12"} << existing
                                      << 1 << QStringList{"1e12"};
        row("bad channel list") << good_ << QStringList{"--channels", "9-2"} << existing << 2
                                << QStringList{"9-2"};
        row("unknown option") << good_ << QStringList{"--landscape"} << existing << 2
                              << QStringList{"landscape"};
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
}

void ConverterTest::neverWritesOverItsCapture()
{
    QFETCH(QString, spelling);
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkdir(QStringLiteral("sub")));
    const QString capture = writeCapture(here, QStringLiteral("self.csv"), moving());
    const QByteArray before = contents(capture);

    const Result result = convert({capture, QStringLiteral("-o"), spelling.arg(here.path())});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("capture file itself")), qPrintable(result.err));
    QCOMPARE(contents(capture), before);
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

void ConverterTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("shows");
    QTest::newRow("--help") << "--help"
                            << QStringList{"zelmar-pdf", "-o", "--channels", "--tick-marks",
                                           "--no-tick-marks", "--resolution", "--unit", "--heading"};
    QTest::newRow("-h") << "-h" << QStringList{"--channels"};
    QTest::newRow("--version") << "--version" << QStringList{"zelmar-pdf 1.0.0"};
}

void ConverterTest::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QStringList, shows);
    const Result result = convert({option});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.err.isEmpty());
    for (const QString& text : shows)
        QVERIFY2(result.out.contains(text), qPrintable(result.out));
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

void ConverterTest::pageFollowsTheOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("defaults")
        << QStringList{}
        << QStringList{"ZelmarProgramVersion 2.31", "Tick frequency:10 samples @ 100ns/sample =1000ns",
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
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), out, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(60000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const QString& t : present)
        QVERIFY2(page.contains(t), qPrintable(t + QStringLiteral(" in: ") + page));
    for (const QString& t : absent)
        QVERIFY2(!page.contains(t), qPrintable(t + QStringLiteral(" in: ") + page));
}

QTEST_MAIN(ConverterTest)
#include "tst_converter.moc"
