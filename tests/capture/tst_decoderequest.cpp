// Requests to the decoders: mistakes refused with what the decoder takes, the
// list of decoders and a decoder's help, and the stub (the same source built
// against it) saying that decoding is not available.

#include "decodetools.h"
#include "util/fault.h"

#include <QTest>

using namespace decode;
using namespace decodetools;

class TestDecodeRequest : public QObject {
    Q_OBJECT
private slots:
    void usageErrors_data();
    void usageErrors();
    void catalogue();
    void unavailable();
};

void TestDecodeRequest::usageErrors_data()
{
    QTest::addColumn<QString>("stackText");
    QTest::addColumn<bool>("rateKnown");
    QTest::addColumn<QString>("expected"); // the message's start, or "=" and the settings taken

    const auto row = [](const char* name, const char* stackText, bool rate,
                        const QString& expected) {
        QTest::newRow(name) << QString::fromUtf8(stackText) << rate << expected;
    };
    row("unknown id", "spix:clk=0", true,
        R"(unknown decoder "spix": --list-decoders shows the installed ones)");
    row("python module", "os:x=1", true, R"(unknown decoder "os")");
    row("escaped id", "s\x1b[2Jpi", true, R"(unknown decoder "s\x1b[2Jpi")");
    row("missing channel", "spi:mosi=2", true,
        "spi needs its channel clk: spi takes channels clk; optional channels miso, mosi, cs; "
        "options cs_polarity, cpol, cpha, bitorder, wordsize (spi:help tells more)");
    row("no channel", "uart:baudrate=9600", true, "uart needs at least one of its channels rx, tx");
    row("number outside", "spi:clk=8", true,
        R"(spi: channel "clk=8": the capture's channels are 0 to 7)");
    row("name unknown", "spi:clk=sclk", true,
        R"(spi: channel "clk=sclk": no channel has that name: give a number from 0 to 7 or one of "CS#", "SCLK")");
    row("name shared", "spi:clk=dup", true,
        R"(spi: channel "clk=dup": channels 5 and 6 both have that name)");
    row("digits are numbers", "spi:clk=7:mosi=a\\:b:wordsize=0x10", true,
        "=clk:7,mosi:7,wordsize:16");
    row("unknown key", "spi:clk=0:speed=1", true,
        R"(spi has no channel or option "speed": spi takes)");
    row("given twice", "spi:clk=0:clk=1", true, R"(spi: "clk" is given twice)");
    row("no value", "spi:clk=", true, "spi: channel clk has no value");
    row("not whole", "spi:clk=0:wordsize=8.5", true,
        R"(spi: option "wordsize=8.5" is not a whole number)");
    row("not a number", "uart:rx=0:stop_bits=one", true,
        R"(uart: option "stop_bits=one" is not a number)");
    row("not allowed", "spi:clk=0:cpol=2", true, R"(spi: option "cpol=2" is not one of 0, 1)");
    row("text not allowed", "uart:rx=0:parity=Even", true,
        R"(uart: option "parity=Even" is not one of none, odd, even, zero, one, ignore)");
    row("stack mismatch", "spi:clk=0,i2c", true,
        "i2c cannot be stacked on spi: i2c takes logic, spi gives spi");
    row("bottom reads a decoder", "eeprom24xx", true,
        "eeprom24xx decodes what another decoder gives (i2c), not samples");
    row("stacked", "i2c:scl=0:sda=1,eeprom24xx", false, "=scl:0,sda:1");
    row("empty decoder", "spi:clk=0,", true,
        R"("spi:clk=0," has nothing where a decoder's id belongs)");
    row("trailing backslash", "spi:clk=0\\", true, R"("spi:clk=0\" ends in a backslash)");
    row("rate raised for", "uart:rx=0", false,
        "uart needs the sample rate, and the sample period is not known");
    row("rate read first", "ir_nec:ir=0", false, "ir_nec needs the sample rate");
    row("loops without rate", "morse:data=0", false, "morse needs the sample rate");
    row("rate known", "uart:rx=0", true, "=rx:0");
}

void TestDecodeRequest::usageErrors()
{
    NEEDS_DECODING;
    QFETCH(QString, stackText);
    QFETCH(bool, rateKnown);
    QFETCH(QString, expected);
    const QStringList names{"CS#", "SCLK", "MOSI", "MISO", "7", "dup", "dup", "a:b"};
    const Checked<ResolvedStack> stack = resolve(stackText, names, rateKnown);
    if (!expected.startsWith(u'=')) {
        QVERIFY2(stack.error.startsWith(expected), qPrintable(stack.error));
        return;
    }
    QVERIFY2(stack.ok(), qPrintable(stack.error));
    QStringList taken;
    for (const auto& [id, channel] : stack.value.decoders[0].channels)
        taken << QStringLiteral("%1:%2").arg(id).arg(channel);
    for (const auto& [id, value] : stack.value.decoders[0].options)
        taken << QStringLiteral("%1:%2").arg(id, optionValueText(value));
    QCOMPARE(u'=' + taken.join(u','), expected);
}

void TestDecodeRequest::catalogue()
{
    NEEDS_DECODING;
    const auto list = listDecoders();
    QVERIFY2(list.ok() && list.value.size() > 100, qPrintable(list.error));
    QVERIFY(std::is_sorted(list.value.begin(), list.value.end(),
                           [](const auto& a, const auto& b) { return a.id < b.id; }));
    QVERIFY(std::any_of(list.value.begin(), list.value.end(), [](const DecoderSummary& d) {
        return d.id == QLatin1String("i2c")
               && d.longName == QLatin1String("Inter-Integrated Circuit");
    }));
    const auto request = parseStackRequest(u"uart:baudrate=9600:help");
    QCOMPARE(request.value.helpFor, QStringLiteral("uart"));
    const QString help = decoderHelp(describeDecoder(request.value.helpFor).value);
    for (const char* line :
         {"uart (UART): Universal Asynchronous Receiver/Transmitter\n",
          "Channels, optional:\n  rx  ", "UART receive line (RX)\n", "  parity  ",
          "Parity: text, default none, one of none, odd, even", "  stop_bits  ",
          "Stop bits: a number, default 1, one of 0, 0.5, 1, 1.5\n", "  rx-data  ",
          "\nTakes: logic\nGives: uart\n"})
        QVERIFY2(help.contains(QString::fromUtf8(line)), line);
}

void TestDecodeRequest::unavailable()
{
    if (decodingAvailable())
        QSKIP("this build decodes: the stub's own test binary checks this");
    const QString reason =
        QStringLiteral("decoding is not available: this build has no libsigrokdecode");
    QCOMPARE(unavailableReason(), reason);
    QCOMPARE(listDecoders().error, reason);
    QCOMPARE(describeDecoder(QStringLiteral("spi")).error, reason);
    QCOMPARE(resolve(QStringLiteral("spi:clk=0"), channelNames(), true).error, reason);
    QVERIFY_THROWS_EXCEPTION(Fault, decodeStack(ResolvedStack{}, SampleInput{}));
}

QTEST_GUILESS_MAIN(TestDecodeRequest)
#include "tst_decoderequest.moc"
