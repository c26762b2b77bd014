// Decoding through libsigrokdecode: the rows match what sigrok-cli decodes
// from the same samples, a failing decoder is a fault, and threads agree.

#include "capture/csvcapture.h"
#include "capture/sampletable.h"
#include "decodetools.h"
#include "util/fault.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <thread>

#include <unistd.h>

using namespace decode;
using namespace decodetools;

namespace {

// Sixteen channels' levels, built up in time.
struct Wave {
    std::array<quint8, 16> now{};
    std::vector<std::vector<quint8>> levels = std::vector<std::vector<quint8>>(16);

    Wave& set(int channel, int level)
    {
        now[std::size_t(channel)] = quint8(level);
        return *this;
    }
    Wave& until(std::size_t sample)
    {
        for (std::size_t c = 0; c < 16; ++c)
            levels[c].resize(sample, now[c]);
        return *this;
    }
    Wave& hold(std::size_t samples) { return until(levels[0].size() + samples); }
};

// CS# 0, CLK 1, MOSI 2, MISO 3; 8 samples a half clock, most significant bit first.
Wave spi(int mode, QList<int> out, QList<int> in)
{
    const int cpol = mode >> 1;
    Wave w;
    w.set(0, 1).set(1, cpol).hold(40).set(0, 0).hold(8);
    for (int bit = 0; bit < 8 * out.size(); ++bit) {
        const int shift = 7 - bit % 8;
        const int o = (out[bit / 8] >> shift) & 1, i = (in[bit / 8] >> shift) & 1;
        if (mode & 1)
            w.set(1, !cpol).set(2, o).set(3, i).hold(8).set(1, cpol).hold(8);
        else
            w.set(2, o).set(3, i).hold(8).set(1, !cpol).hold(8).set(1, cpol);
    }
    return w.hold(8).set(0, 1).hold(40);
}

// RX on channel 5: start bit, 8 data bits from the least significant, parity, stop bit.
Wave uart(double samplesPerBit, bool odd, QList<int> bytes)
{
    Wave w;
    w.set(5, 1).hold(100);
    for (const int byte : bytes) {
        const std::size_t from = w.levels[0].size();
        int bits[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, odd, 1};
        for (int b = 0; b < 8; ++b)
            bits[9] ^= bits[b + 1] = (byte >> b) & 1;
        for (int b = 0; b < 11; ++b)
            w.set(5, bits[b]).until(from + std::size_t((b + 1) * samplesPerBit + 0.5));
        w.hold(50);
    }
    return w.hold(100);
}

// SCL 6, SDA 7; every byte acknowledged.
Wave i2c(QList<int> bytes)
{
    Wave w;
    w.set(6, 1).set(7, 1).hold(40).set(7, 0).hold(10).set(6, 0).hold(10);
    for (const int byte : bytes)
        for (int bit = 0; bit < 9; ++bit)
            w.set(7, bit < 8 ? (byte >> (7 - bit)) & 1 : 0).hold(10).set(6, 1).hold(10).set(6, 0);
    return w.hold(10).set(7, 0).hold(10).set(6, 1).hold(10).set(7, 1).hold(40);
}

QString examplePath() { return QDir(QStringLiteral(ZELMAR_EXAMPLES_DIR)).filePath("serial.csv"); }

Wave serialExample()
{
    const Capture capture = readCapture(examplePath());
    const SampleTable& table = capture.samples();
    Wave w;
    for (int row = 0; row < table.sampleCount(); ++row)
        for (int c = 0; c < table.channelCount(); ++c)
            w.set(c, table.cell(row, c).toInt()).until(std::size_t(row) + 1);
    return w;
}

Wave wave(const QString& name)
{
    if (name == QLatin1String("serial.csv"))
        return serialExample();
    if (name.startsWith(QLatin1String("spi")))
        return spi(name.back().digitValue(), {0x9F, 0x01}, {0xEF, 0x40});
    if (name == QLatin1String("uart 9600"))
        return uart(1e6 / 9600, false, {0x48, 0x69});
    if (name == QLatin1String("uart 115200"))
        return uart(4e6 / 115200, true, {0x00, 0xA5});
    return i2c({0xA0, 0x12, 0x34});
}

// Every annotation of the bottom decoder as sigrok-cli -l 4 writes it
// without the instance: `232-488 mosi-data: "9F"`, sorted.
QStringList annotationLines(const ResolvedStack& stack, const std::vector<DecodedRow>& rows)
{
    QStringList lines;
    for (const DecodedRow& row : rows)
        for (const Annotation& a : row.decoder == 0 ? row.annotations : std::vector<Annotation>{})
            lines << QStringLiteral("%1-%2 %3: \"%4\"")
                         .arg(a.start)
                         .arg(a.end)
                         .arg(stack.decoders[0].info.annotations[a.annotationClass].id,
                              a.texts.join(QStringLiteral("\" \"")));
    lines.sort();
    return lines;
}

QStringList sigrokCli(const Wave& w, const QString& stackText, quint64 rate, const QString& id)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("samples.bin")));
    if (!file.open(QIODevice::WriteOnly))
        return {QStringLiteral("cannot write")};
    for (std::size_t i = 0; i < w.levels[0].size(); ++i) {
        quint16 sample = 0;
        for (int c = 0; c < 16; ++c)
            sample |= quint16(w.levels[std::size_t(c)][i] << c);
        file.write(reinterpret_cast<const char*>(&sample), 2);
    }
    file.close();
    QProcess cli;
    cli.start(QStringLiteral("sigrok-cli"),
              {"-l", "4", "-I", QStringLiteral("binary:numchannels=16:samplerate=%1").arg(rate),
               "-i", file.fileName(), "-P", stackText, "-A", id});
    cli.waitForFinished(60000);
    static const QRegularExpression form(QStringLiteral("^(\\d+-\\d+) \\S+: (.*)$"));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n'))
        if (const auto match = form.match(line); match.hasMatch())
            lines << match.captured(1) + u' ' + match.captured(2);
    lines.sort();
    return lines;
}

} // namespace

class TestDecode : public QObject {
    Q_OBJECT
private slots:
    void decodedRows_data();
    void decodedRows();
    void decoderFaults_data();
    void decoderFaults();
    void threadsAgree();
};

void TestDecode::decodedRows_data()
{
    QTest::addColumn<QString>("wave");
    QTest::addColumn<QString>("stackText");
    QTest::addColumn<quint64>("rate");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("texts"); // the longest text of each annotation in the row

    const QString spi = QStringLiteral("spi:clk=1:mosi=2:miso=3:cs=0");
    QTest::newRow("spi mode 0") << "spi 0" << spi << quint64(1000000) << "mosi-data"
                                << QStringList{"9F", "01"};
    QTest::newRow("spi mode 3") << "spi 3" << spi + ":cpol=1:cpha=1" << quint64(1000000)
                                << "miso-data" << QStringList{"EF", "40"};
    QTest::newRow("uart 9600 even")
        << "uart 9600"
        << "uart:rx=5:baudrate=9600:parity=even" << quint64(1000000) << "rx-data"
        << QStringList{"Start bit", "48", "Parity bit", "Stop bit",
                       "Start bit", "69", "Parity bit", "Stop bit"};
    QTest::newRow("uart 115200 odd")
        << "uart 115200"
        << "uart:rx=5:baudrate=115200:parity=odd:format=hex" << quint64(4000000) << "rx-data"
        << QStringList{"Start bit", "00", "Parity bit", "Stop bit",
                       "Start bit", "A5", "Parity bit", "Stop bit"};
    QTest::newRow("i2c") << "i2c"
                         << "i2c:scl=6:sda=7" << quint64(1000000) << "addr-data"
                         << QStringList{
                                "Start", "Address write: 50", "Write", "ACK", "Data write: 12",
                                "ACK",   "Data write: 34",    "ACK",   "Stop"};
    // Classes in no declared row land in a row of their own.
    QTest::newRow("guess_bitrate, no rows")
        << "uart 9600"
        << "guess_bitrate:data=5" << quint64(1000000) << "" << QStringList{"2398", "9615"};
    QTest::newRow("serial.csv by name")
        << "serial.csv"
        << "spi:clk=SCLK:mosi=MOSI:miso=MISO:cs=CS#" << quint64(4000000) << "miso-data"
        << QStringList{"00", "EF", "40", "18"};
}

void TestDecode::decodedRows()
{
    NEEDS_DECODING;
    QFETCH(QString, wave);
    QFETCH(QString, stackText);
    QFETCH(quint64, rate);
    QFETCH(QString, row);
    QFETCH(QStringList, texts);

    const auto header = readHeader(examplePath());
    QVERIFY(header);
    const QStringList names = wave == QLatin1String("serial.csv")
                                  ? QStringList(header->names.begin(), header->names.end())
                                  : channelNames();
    const Checked<ResolvedStack> stack = resolve(stackText, names, true);
    QVERIFY2(stack.ok(), qPrintable(stack.error));
    const Wave w = ::wave(wave);
    const std::vector<DecodedRow> rows = decodeStack(stack.value, {w.levels, 0, rate});

    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const DecodedRow& r) { return r.rowId == row; });
    QVERIFY(found != rows.end());
    QCOMPARE(found->rowDescription, row.isEmpty() ? found->decoderName : found->rowDescription);
    QStringList longest;
    for (const Annotation& a : found->annotations)
        longest << a.texts.value(0);
    QCOMPARE(longest, texts);

    if (QStandardPaths::findExecutable(QStringLiteral("sigrok-cli")).isEmpty())
        QSKIP("sigrok-cli is not installed");
    const QString numbered = wave == QLatin1String("serial.csv")
                                 ? QStringLiteral("spi:clk=1:mosi=2:miso=3:cs=0")
                                 : stackText;
    QCOMPARE(annotationLines(stack.value, rows),
             sigrokCli(w, numbered, rate, stack.value.decoders[0].info.id));

    // Sample numbers follow the first sample given.
    const std::vector<DecodedRow> later = decodeStack(stack.value, {w.levels, 5000, rate});
    QCOMPARE(later[0].annotations.size(), rows[0].annotations.size());
    for (std::size_t i = 0; i < rows[0].annotations.size(); ++i)
        QCOMPARE(later[0].annotations[i].start, rows[0].annotations[i].start + 5000);
}

void TestDecode::decoderFaults_data()
{
    QTest::addColumn<QString>("stackText");
    QTest::addColumn<quint64>("rate");
    QTest::addColumn<QString>("message");

    QTest::newRow("raised by the decoder")
        << "uart:rx=2" << quint64(0)
        << R"(Decoder error: uart stopped: "uart.pd.SamplerateError: Cannot decode without samplerate.")";
    QTest::newRow("escaped and cut")
        << "zelmar_test:data=1" << quint64(1000000)
        << R"(Decoder error: zelmar_test stopped: "ValueError: \x1b[31mred\x1b[0m )"
               + QString(49, u'x') + u'…' + u'"';
    QTest::newRow("raised by a stacked decoder")
        << "spi:clk=1:mosi=2,spiflash" << quint64(1000000)
        << R"(Decoder error: spiflash stopped: "TypeError: %x format: an integer is required, not NoneType")";
}

void TestDecode::decoderFaults()
{
    NEEDS_DECODING;
    QFETCH(QString, stackText);
    QFETCH(quint64, rate);
    QFETCH(QString, message);
    const Checked<ResolvedStack> stack = resolve(stackText, channelNames(), true);
    QVERIFY2(stack.ok(), qPrintable(stack.error));
    // What a decoder prints goes nowhere: standard output may carry the page.
    QTemporaryFile printed;
    QVERIFY(printed.open());
    const int out = dup(1);
    dup2(printed.handle(), 1);
    try {
        decodeStack(stack.value, {wave(QStringLiteral("spi 0")).levels, 0, rate});
        dup2(out, 1);
        QFAIL("no fault");
    } catch (const Fault& fault) {
        dup2(out, 1);
        QCOMPARE(fault.message(), message);
    }
    close(out);
    QVERIFY(printed.seek(0)); // the file offset is shared with the duplicate
    QCOMPARE(printed.readAll(), QByteArray());
    // The library runs on after it.
    QCOMPARE(decodeStack(resolve("spi:clk=1:mosi=2", channelNames(), true).value,
                         {wave(QStringLiteral("spi 0")).levels, 0, 0})[4]
                 .annotations.size(),
             std::size_t(2));
}

void TestDecode::threadsAgree()
{
    NEEDS_DECODING;
    const QList<std::pair<QString, QString>> jobs{{"spi 0", "spi:clk=1:mosi=2:miso=3:cs=0"},
                                                  {"uart 9600",
                                                   "uart:rx=5:baudrate=9600:parity=even"},
                                                  {"i2c", "i2c:scl=6:sda=7"}};
    QList<QStringList> alone;
    for (const auto& [name, stackText] : jobs) {
        const ResolvedStack stack = resolve(stackText, channelNames(), true).value;
        alone << annotationLines(stack, decodeStack(stack, {wave(name).levels, 0, 1000000}));
    }
    std::vector<QList<QStringList>> together(6);
    std::vector<std::thread> threads;
    for (auto& results : together)
        threads.emplace_back([&] {
            // Enough decodes to use up True and False in the library's
            // has_channel(), had their references not been reserved.
            for (int round = 0; round < 40; ++round)
                for (const auto& [name, stackText] : jobs) {
                    const ResolvedStack stack = resolve(stackText, channelNames(), true).value;
                    results << annotationLines(stack,
                                               decodeStack(stack, {wave(name).levels, 0, 1000000}));
                }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& results : together)
        for (qsizetype i = 0; i < results.size(); ++i)
            QCOMPARE(results[i], alone[i % alone.size()]);
}

QTEST_GUILESS_MAIN(TestDecode)
#include "tst_decode.moc"
