// One capture converted: exit codes, the one-line message of each fault, and
// an earlier output left as it was.

#include "capture/decode/decoderinfo.h"
#include "convertertools.h"

#include <sys/stat.h>

using namespace capturefixture;
using namespace convertertools;

class ConverterFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void runs_data();
    void runs();
    void readsAPipeOnce_data();
    void readsAPipeOnce();
    void fullDeviceIsAFailure();

private:
    QTemporaryDir dir_;
    QString good_;
};

void ConverterFaultsTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

void ConverterFaultsTest::runs_data()
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
        for (const char* traces : {"0", "1"}) // channel 1 read once, or as its trace too
            row(*traces == '1' ? "level 219 on a bus and a trace" : "level 219 on a bus")
                << high << QStringList{"--bus", "D=1-0", "--channels", traces} << existing << 1
                << QStringList{high, "line 306", "field 2", "channel 1", "\"219\" is not 0 or 1"};
        row("channel in two buses") << good_ << QStringList{"--bus", "A=3-0", "--bus", "B=4,3"}
                                    << existing << 2 << QStringList{"\"B=4,3\"", "\"A\""};
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
        // Without the library every --decode says so.
        const bool decoding = decode::decodingAvailable();
        const auto decoded = [&](const char* name, const char* decoder, QStringList extra,
                                 int exitCode, QStringList mentions) {
            row(name) << (extra.removeOne("high") ? high : good_)
                      << QStringList{"--decode", decoder} + extra << existing
                      << (decoding ? exitCode : 2)
                      << (decoding ? mentions : QStringList{"not available"});
        };
        decoded("decoded", "spi:clk=CH1:mosi=2:cpol=1", {}, 0, {});
        decoded("unknown decoder", "nosuch:a=0", {}, 2, {"\"nosuch\"", "--list-decoders"});
        decoded("decoder channel not in the capture", "spi:clk=SCLK", {}, 2, {"spi", "SCLK"});
        decoded("decoder channel 16", "spi:clk=16", {}, 2, {"spi", "0 to 15"});
        decoded("decoder without its clock", "spi:mosi=2", {}, 2, {"spi", "clk"});
        decoded("unknown decoder option", "spi:clk=0:speed=3", {}, 2, {"speed", "cpol"});
        decoded("decoder option not allowed", "spi:clk=0:cpol=2", {}, 2, {"cpol=2", "0, 1"});
        decoded("decoder option not a number", "uart:rx=0:baudrate=fast", {}, 2,
                {"baudrate", "whole number"});
        decoded("decoder without a period", "uart:rx=0", {"--unit", "none"}, 2, {"uart", "period"});
        decoded("decoded level 219", "spi:clk=1", {"high"}, 1, {high, "line 306", "channel 1"});
        decoded("failing decoder", "zelmar_test:data=1", {}, 1,
                {good_, "zelmar_test", "\\x1b[31mred", "…"});
        row("decoder with a value change dump")
            << good_ << QStringList{"--decode", "spi:clk=0", "--format", "vcd"} << existing << 2
            << QStringList{"--decode", "value change dump"};
    }
}

void ConverterFaultsTest::runs()
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

void ConverterFaultsTest::readsAPipeOnce_data()
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
void ConverterFaultsTest::readsAPipeOnce()
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

void ConverterFaultsTest::fullDeviceIsAFailure()
{
    const Result result = convert({good_, QStringLiteral("-o"), QStringLiteral("/dev/full")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("/dev/full"))
                 && result.err.contains(QStringLiteral("No space left")),
             qPrintable(result.err));
    QVERIFY(QFileInfo(QStringLiteral("/dev/full")).exists()
            && !QFileInfo(QStringLiteral("/dev/full")).isFile());
}

QTEST_MAIN(ConverterFaultsTest)
#include "tst_converterfaults.moc"
