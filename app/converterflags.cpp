// The converter's command-line options and their help texts.
#include "app/converterflags.h"

#include "printing/output/formats.h"
#include "printing/output/pngdocument.h"
#include "printing/page/pagelayout.h"
#include "printing/page/paper.h"

namespace converterflags {

const QCommandLineOption
    outputOption({QStringLiteral("o"), QStringLiteral("output")},
                 QStringLiteral("Write the one capture's document to <file>; - for standard output "
                                "(default: beside each capture, its extension replaced)."),
                 QStringLiteral("file"));
const QCommandLineOption
    outputDirOption(QStringLiteral("output-dir"),
                    QStringLiteral("Write each capture's document into <dir>, created if needed."),
                    QStringLiteral("dir"));
const QCommandLineOption combineOption(
    QStringLiteral("combine"),
    QStringLiteral("Write one PDF of every capture's pages, in the order given, to <file>; "
                   "- for standard output. Nothing is written if any capture fails."),
    QStringLiteral("file"));
const QCommandLineOption
    formatOption(QStringLiteral("format"),
                 formatNames()
                     + QStringLiteral(", a value change dump of the samples (default: from the "
                                      "extension of -o, else pdf)."),
                 QStringLiteral("format"));
const QCommandLineOption
    dpiOption(QStringLiteral("dpi"),
              QStringLiteral("Pixels per inch of a PNG, %1 to %2 (default 150).")
                  .arg(lowestPngDpi)
                  .arg(highestPngDpi),
              QStringLiteral("dpi"));
const QCommandLineOption
    jobsOption(QStringLiteral("jobs"),
               QStringLiteral("Captures converted at once (default: the number of cores)."),
               QStringLiteral("n"));
const QCommandLineOption channelsOption(
    QStringLiteral("channels"),
    QStringLiteral("Channels to print: numbers and ranges such as 0-3,7, or all, or none "
                   "(default all)."),
    QStringLiteral("list"));
const QCommandLineOption tickMarksOption(
    QStringLiteral("tick-marks"),
    QStringLiteral("Draw tick marks every <samples> samples, a whole number; 0 draws none "
                   "(default 10)."),
    QStringLiteral("samples"));
const QCommandLineOption noTickMarksOption(QStringLiteral("no-tick-marks"),
                                           QStringLiteral("Draw no tick marks."));
const QCommandLineOption resolutionOption(
    QStringLiteral("resolution"),
    QStringLiteral("Sample period, a decimal number such as 2.5, 0.001 or 1e3, printed as typed "
                   "(default 100; empty for none)."),
    QStringLiteral("period"));
const QCommandLineOption unitOption(QStringLiteral("unit"),
                                    QStringLiteral("Unit of the sample period: ns, us, ms or "
                                                   "none (default ns)."),
                                    QStringLiteral("unit"));
const QCommandLineOption
    headingOption(QStringLiteral("heading"),
                  QStringLiteral("Page heading (default: the heading of the capture's header)."),
                  QStringLiteral("text"));
const QCommandLineOption samplesOption(
    QStringLiteral("samples"),
    QStringLiteral("Print only samples <from> to <to>, counted from 0, such as 600-900 "
                   "(default 0-2047). A value change dump holds only these too."),
    QStringLiteral("from-to"));
const QCommandLineOption pagesOption(
    QStringLiteral("pages"),
    QStringLiteral("Split the samples over <n> pages, each of their count divided by <n> "
                   "and rounded up, the last holding the rest: 301 samples on 3 pages are 101, "
                   "101 and 99 (default 1). A PDF holds them all; SVG and PNG make a file a "
                   "page: NAME-1.svg, NAME-2.svg, ..."),
    QStringLiteral("n"));
const QCommandLineOption timeAxisOption(QStringLiteral("time-axis"),
                                        QStringLiteral("Label the tick marks with their time (none "
                                                       "without tick marks)."));
const QCommandLineOption
    paperOption(QStringLiteral("paper"),
                QStringLiteral("Paper the page is fitted to: %1 (default tabloid, 11 x 17 inch).")
                    .arg(paperNames().join(QStringLiteral(", "))),
                QStringLiteral("name"));

const QCommandLineOption
    layoutOption(QStringLiteral("layout"),
                 QStringLiteral("sheet: the 17 x 11 inch page fitted to the paper (default); "
                                "fill: laid out on the paper itself, text at its printed size, "
                                "the traces taking the paper's width and height."),
                 QStringLiteral("layout"));
const QCommandLineOption
    cropOption(QStringLiteral("crop"),
               QStringLiteral("Cut %1 images to the drawing, with an eighth of an inch round it.")
                   .arg(croppingFormats()));
const QCommandLineOption markerOption(
    QStringLiteral("marker"),
    QStringLiteral("Mark <sample> (0-2047) with a dashed line and <label> above it (default A, "
                   "B, C ... by the marker's place), and print under the traces the time from "
                   "each marker to the next, and its frequency; up to 26 times, at different "
                   "samples and labels. A marker outside --samples is shown on no page."),
    QStringLiteral("sample[:label]"));
const QCommandLineOption busOption(
    QStringLiteral("bus"),
    QStringLiteral("Draw channels read together as one value in a lane after the traces: "
                   "NAME=CHANNELS[:hex|dec|bin|ascii], the channels most significant first, "
                   "such as DATA=7-0 or ADDR=15,11-8:dec (default hex). Give it again for more "
                   "lanes. A bus's channels are drawn alone too only when --channels names "
                   "them."),
    QStringLiteral("bus"));

const QCommandLineOption decodeOption(
    QStringLiteral("decode"),
    QStringLiteral("Decode a protocol with the sigrok project's decoders and draw its rows after "
                   "the lanes: ID:KEY=VALUE:..., as sigrok-cli's -P, each KEY one of the "
                   "decoder's channels (given as a channel number or the capture's channel "
                   "name) or options, such as spi:clk=1:mosi=2:miso=3:cs=0 or "
                   "uart:rx=5:baudrate=115200; a comma stacks the next decoder on it "
                   "(i2c:scl=0:sda=1,eeprom24xx). The sample rate comes from --resolution and "
                   "--unit. Give it again for more decoders; ID:help describes one."),
    QStringLiteral("decoder"));
const QCommandLineOption listDecodersOption(QStringLiteral("list-decoders"),
                                            QStringLiteral("List the installed decoders."));
const QCommandLineOption
    decoderHelpOption(QStringLiteral("decoder-help"),
                      QStringLiteral("Describe a decoder: its channels, options and rows."),
                      QStringLiteral("id"));

const std::array<const QCommandLineOption*, 23>& allOptions()
{
    static const std::array<const QCommandLineOption*, 23> all{
        &outputOption,      &outputDirOption,    &combineOption,    &formatOption,
        &dpiOption,         &jobsOption,         &channelsOption,   &tickMarksOption,
        &noTickMarksOption, &resolutionOption,   &unitOption,       &headingOption,
        &samplesOption,     &pagesOption,        &timeAxisOption,   &paperOption,
        &layoutOption,      &cropOption,         &markerOption,     &busOption,
        &decodeOption,      &listDecodersOption, &decoderHelpOption};
    return all;
}

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Prints capture files as timing diagrams: PDF, SVG or PNG pages, or "
                       "value change dumps."));
    parser.addPositionalArgument(QStringLiteral("capture..."),
                                 QStringLiteral("The capture files."));
    for (const QCommandLineOption* option : allOptions())
        parser.addOption(*option);
}

} // namespace converterflags
