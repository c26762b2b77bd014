// How zelmar-pdf reads its options: the channel list, the page options and
// every usage error, without running it.

#include "capture/decode/decoderinfo.h"
#include "convertertools.h"
#include "util/fault.h"

#include <map>
#include <numeric>

using namespace convertertools;

class ConverterOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void channelList_data();
    void channelList();
    void arguments_data();
    void arguments();
};

void ConverterOptionsTest::channelList_data()
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

void ConverterOptionsTest::channelList()
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

void ConverterOptionsTest::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("tickmarks");
    QTest::addColumn<QString>("tickfrequency");
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("heading"); // "(header)": from the capture
    QTest::addColumn<QString>(
        "page"); // first-last pages axis|- paper [fill] [crop] [sample:label ...]

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
    page("fill layout", {"--layout", "Fill", "--paper", "letter"}, "0-2047 1 - letter fill");
    page("sheet layout", {"--layout", "sheet"}, "0-2047 1 - tabloid");
    page("cropped image", {"--format", "png", "--crop", "--layout", "fill"},
         "0-2047 1 - tabloid fill crop");
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
    page("markers", {"--marker", "512:Z", "--marker", "256", "--marker", "0:", "--marker", "7:a:b"},
         "0-2047 1 - tabloid 512:Z 256: 0: 7:a:b");
    page("a marker outside the range", {"--samples", "600-900", "--marker", "2047"},
         "600-900 1 - tabloid 2047:");
    QStringList letters;
    for (int k = 0; k < 26; ++k)
        letters << "--marker" << QString::number(k);
    page("26 markers", letters,
         "0-2047 1 - tabloid 0: 1: 2: 3: 4: 5: 6: 7: 8: 9: 10: 11: 12: "
         "13: 14: 15: 16: 17: 18: 19: 20: 21: 22: 23: 24: 25:");
    // Bus lanes follow the paper: NAME=channels:radix (0 hex … 3 ascii).
    const auto bus = [&](const char* name, const QStringList& options, int channels,
                         const char* buses) {
        QTest::newRow(name) << QStringList{"a.csv", "-o", "a.pdf"} + options << run << channels
                            << true << "10"
                            << "100" << 0 << fromHeader << whole + QLatin1Char(' ') + buses;
    };
    bus("bus", {"--bus", "DATA=7-4"}, 0xff0f, "DATA=7,6,5,4:0");
    bus("buses, a list and a radix each", {"--bus", "ADDR=15,11-8:bin", "--bus", "LOW=0-2:Ascii"},
        0x70f8, "ADDR=15,11,10,9,8:2 LOW=0,1,2:3");
    bus("bus channels that --channels names", {"--channels", "0-3", "--bus", "D=3-2:dec"}, 0x000f,
        "D=3,2:1");
    // Decoders follow the buses, as requests; without the library, refused.
    const bool decoding = decode::decodingAvailable();
    const auto decoders = [&](const char* name, const QStringList& options, const char* shown) {
        QTest::newRow(name) << QStringList{"a.csv", "-o", "a.pdf"} + options
                            << (decoding ? run : usage) << 0xffff << true << "10"
                            << "100" << 0 << fromHeader << whole + QLatin1Char(' ') + shown;
    };
    decoders("decoder", {"--decode", "spi:clk=1:mosi=SI"}, "spi:clk=1:mosi=SI");
    decoders("decoders, one stacked",
             {"--decode", "i2c:scl=0:sda=1,eeprom24xx", "--decode", "uart:rx=2:baudrate=9600"},
             "i2c:scl=0:sda=1,eeprom24xx uart:rx=2:baudrate=9600");
    for (const QStringList& help :
         {QStringList{"--list-decoders"}, QStringList{"--decoder-help", "spi"},
          QStringList{"a.csv", "--decode", "uart:help"}})
        QTest::newRow(qPrintable(help.join(u' ')))
            << help << (decoding ? int(Action::Listing) : usage) << 0 << false << ""
            << "" << 0 << "" << whole;
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
        {"--paper", "a4"},     {"--format", "pdf"}, {"--layout", "fill"}, {"--\x1b[2J", ""},
        {"--marker", "5"}};
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
    refused("unknown layout", {"a.csv", "-o", "a.pdf", "--layout", "wide"});
    refused("cropped PDF", {"a.csv", "-o", "a.pdf", "--crop"});
    refused("cropped binder", {"a.csv", "--combine", "all.pdf", "--crop"});
    refused("paper twice", {"a.csv", "-o", "a.pdf", "--paper", "a4", "--paper", "a4"});
    refused("samples twice", {"a.csv", "-o", "a.pdf", "--samples", "1-2", "--samples", "1-2"});
    refused("pages twice", {"a.csv", "-o", "a.pdf", "--pages", "2", "--pages", "2"});
    refused("time axis twice", {"a.csv", "-o", "a.pdf", "--time-axis", "--time-axis"});
    for (const char* sample : {"x", "2048", "-1", "", ":A", "1.5", "+5", " 5", "99999999999"})
        refused(qPrintable(QStringLiteral("marker \"%1\"").arg(QLatin1String(sample))),
                {"a.csv", "-o", "a.pdf", "--marker", sample});
    refused("27 markers", QStringList{"a.csv", "-o", "a.pdf", "--marker", "26"} + letters);
    refused("two markers at one sample",
            {"a.csv", "-o", "a.pdf", "--marker", "9:P", "--marker", "9:Q"});
    refused("a label taken by a letter",
            {"a.csv", "-o", "a.pdf", "--marker", "10:B", "--marker", "20"});
    refused("labels alike once cut to 12 characters",
            {"a.csv", "-o", "a.pdf", "--marker", "1:abcdefghijklX", "--marker", "2:abcdefghijklY"});
    refused("bus without a name", {"a.csv", "-o", "a.pdf", "--bus", "=1-0"});
    refused("bus without channels", {"a.csv", "-o", "a.pdf", "--bus", "DATA"});
    refused("bus name of two lines", {"a.csv", "-o", "a.pdf", "--bus", "A\nB=1-0"});
    for (const char* channels : {"D=", "D=1-x", "D=1,,2", "D=16-12", "D=3,2,3", "D=3-0:oct"})
        refused(qPrintable(QStringLiteral("bus \"%1\"").arg(QLatin1String(channels))),
                {"a.csv", "-o", "a.pdf", "--bus", channels});
    refused("channel in two buses", {"a.csv", "-o", "a.pdf", "--bus", "A=3-0", "--bus", "B=4,3"});
    refused("decoder help of no decoder", {"--decoder-help", "nosuch"});
    refused("decoder ending in a backslash", {"a.csv", "-o", "a.pdf", "--decode", "spi:clk=0\\"});
    refused("empty decoder", {"a.csv", "-o", "a.pdf", "--decode", "spi:clk=0,"});
    for (const char* pageOnly : {"--pages=2", "--time-axis", "--paper=a4", "--layout=fill",
                                 "--crop", "--marker=5", "--bus=D=1-0", "--decode=spi:clk=0"})
        refused(
            qPrintable(QStringLiteral("value change dump with %1").arg(QLatin1String(pageOnly))),
            {"a.csv", "-o", "a.pdf", "--format", "vcd", pageOnly});

    QTest::newRow("help") << QStringList{"--help"} << int(Action::Help) << 0 << false << ""
                          << "" << 0 << "" << whole;
    QTest::newRow("version") << QStringList{"--version"} << int(Action::Version) << 0 << false << ""
                             << "" << 0 << "" << whole;
}

void ConverterOptionsTest::arguments()
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
    QString shown =
        QStringLiteral("%1-%2 %3 %4 %5%6%7")
            .arg(o.page.firstsample)
            .arg(o.page.lastsample)
            .arg(o.page.pages)
            .arg(o.page.timeaxis ? QStringLiteral("axis") : QStringLiteral("-"))
            .arg(paperName(o.page.paper), o.page.layout == LayoutKind::Fill ? " fill" : "",
                 o.crop ? " crop" : "");
    for (const Marker& m : o.page.markers)
        shown += QStringLiteral(" %1:%2").arg(m.sample).arg(m.label);
    for (const BusLane& bus : o.page.buses) {
        QStringList channels;
        for (const int c : bus.channels)
            channels << QString::number(c);
        shown += QStringLiteral(" %1=%2:%3").arg(bus.name, channels.join(u',')).arg(int(bus.radix));
    }
    for (const DecoderStack& stack : o.page.decoders)
        shown += u' ' + decode::requestText(stack);
    QCOMPARE(shown, page);
    QCOMPARE(o.pagecount, o.page.pages);
}

QTEST_MAIN(ConverterOptionsTest)
#include "tst_converteroptions.moc"
