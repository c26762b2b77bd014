#include "app/converteroptions.h"

#include "util/fault.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <array>
#include <limits>

namespace {

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

const std::array<const QCommandLineOption*, 16> allOptions{
    &outputOption,      &outputDirOption,  &combineOption,  &formatOption,
    &dpiOption,         &jobsOption,       &channelsOption, &tickMarksOption,
    &noTickMarksOption, &resolutionOption, &unitOption,     &headingOption,
    &samplesOption,     &pagesOption,      &timeAxisOption, &paperOption};

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Prints capture files as timing diagrams: PDF, SVG or PNG pages, or "
                       "value change dumps."));
    parser.addPositionalArgument(QStringLiteral("capture..."),
                                 QStringLiteral("The capture files."));
    for (const QCommandLineOption* option : allOptions)
        parser.addOption(*option);
}

constexpr int maximumJobs = 256;

ParsedArguments usageError(const QString& message)
{
    ParsedArguments parsed;
    parsed.action = ParsedArguments::Action::UsageError;
    parsed.error = message;
    return parsed;
}

// Flags too: a second --no-tick-marks is as likely a slip as a second -o.
QString repeated(const QCommandLineParser& parser)
{
    const QStringList given = parser.optionNames();
    for (const QCommandLineOption* single : allOptions) {
        qsizetype times = 0;
        for (const QString& name : single->names())
            times += given.count(name);
        if (times > 1)
            return QStringLiteral("--%1 given more than once").arg(single->names().last());
    }
    return QString();
}

// Each step reads some options into `options` and returns the usage error
// it finds, or "". They run in order, so the first error found is told.
using Step = QString (*)(const QCommandLineParser& parser, ConverterOptions& options);

QString readDestinations(const QCommandLineParser& parser, ConverterOptions& options)
{
    const int destinations = int(parser.isSet(outputOption)) + int(parser.isSet(outputDirOption))
                             + int(parser.isSet(combineOption));
    if (destinations > 1)
        return QStringLiteral("-o, --output-dir and --combine exclude each other");
    if (parser.isSet(outputOption)) {
        if (parser.value(outputOption).isEmpty())
            return QStringLiteral("no output file given (-o file.pdf)");
        if (options.captures.size() > 1)
            return QStringLiteral("-o names one file for %1 captures: use --output-dir or "
                                  "--combine")
                .arg(options.captures.size());
        options.output = parser.value(outputOption);
    }
    if (parser.isSet(outputDirOption)) {
        if (parser.value(outputDirOption).isEmpty())
            return QStringLiteral("no folder given (--output-dir dir)");
        options.outputDir = parser.value(outputDirOption);
    }
    if (parser.isSet(combineOption)) {
        if (parser.value(combineOption).isEmpty())
            return QStringLiteral("no output file given (--combine file.pdf)");
        options.combine = parser.value(combineOption);
    }
    return QString();
}

// Without --format the file's extension names the format; a name that
// says another format is refused rather than given a PDF under it.
QString readFormat(const QCommandLineParser& parser, ConverterOptions& options)
{
    const QString named = !options.combine.isEmpty() ? options.combine : options.output;
    const QString asked = parser.isSet(formatOption) ? parser.value(formatOption)
                                                     : QFileInfo(named).suffix().toLower();
    const DocumentFormat* format =
        asked.isEmpty() ? &documentFormats().front() : formatNamed(asked);
    if (!format && parser.isSet(formatOption))
        return QStringLiteral("bad format %1: use %2").arg(quotedText(asked), formatNames());
    if (!format)
        return QStringLiteral("%1: the extension .%2 names no format; use %3, or give --format")
            .arg(quotedText(named), escapedText(QFileInfo(named).suffix()),
                 formatNames(QStringLiteral(".")));
    options.format = format->id;
    if (!options.combine.isEmpty() && !format->ofPages)
        return QStringLiteral("--combine binds pages into one PDF, and a value change dump has "
                              "no pages: use --output-dir for %1 files")
            .arg(format->name);
    if (!options.combine.isEmpty() && !format->binds)
        return QStringLiteral("--combine makes a PDF; use --output-dir for %1 files")
            .arg(format->name);
    return QString();
}

// A whole number from `lowest` to `highest`, or `value` left as it is
// when the option is not given.
bool readNumber(const QCommandLineParser& parser, const QCommandLineOption& option, int lowest,
                int highest, int& value)
{
    if (!parser.isSet(option))
        return true;
    const auto given = wholeNumber(parser.value(option));
    if (!given || *given < lowest || *given > highest)
        return false;
    value = *given;
    return true;
}

QString readNumbers(const QCommandLineParser& parser, ConverterOptions& options)
{
    if (!readNumber(parser, dpiOption, lowestPngDpi, highestPngDpi, options.dpi))
        return QStringLiteral("bad --dpi %1: use a whole number from %2 to %3")
            .arg(quotedText(parser.value(dpiOption)))
            .arg(lowestPngDpi)
            .arg(highestPngDpi);
    options.jobs = std::max(1, QThread::idealThreadCount());
    if (!readNumber(parser, jobsOption, 1, maximumJobs, options.jobs))
        return QStringLiteral("bad --jobs %1: use a whole number from 1 to %2")
            .arg(quotedText(parser.value(jobsOption)))
            .arg(maximumJobs);
    return QString();
}

// The channels, the tick marks, the sample period and the heading.
QString readDrawing(const QCommandLineParser& parser, ConverterOptions& options)
{
    if (parser.isSet(channelsOption)) {
        const auto channels = parseChannelList(parser.value(channelsOption));
        if (!channels)
            return QStringLiteral("bad channel list %1: use channel numbers 0-15 and ranges such "
                                  "as 0-3,7, or all, or none")
                .arg(quotedText(parser.value(channelsOption)));
        options.channels = *channels;
    }

    if (parser.isSet(tickMarksOption) && parser.isSet(noTickMarksOption))
        return QStringLiteral("--tick-marks and --no-tick-marks exclude each other");
    if (parser.isSet(noTickMarksOption))
        options.tickmarks = false;
    if (parser.isSet(tickMarksOption)) {
        if (!isTickSpacing(parser.value(tickMarksOption)))
            return QStringLiteral("bad --tick-marks %1: use a whole number of samples from 0 to "
                                  "%2 (0 draws none)")
                .arg(quotedText(parser.value(tickMarksOption)))
                .arg(std::numeric_limits<qint32>::max());
        options.tickfrequency = parser.value(tickMarksOption);
    }

    if (parser.isSet(resolutionOption)) {
        if (!isResolution(parser.value(resolutionOption)))
            return QStringLiteral("bad --resolution %1: use a decimal number such as 2.5, 0.001 "
                                  "or 1e3, or nothing for none")
                .arg(quotedText(parser.value(resolutionOption)));
        options.resolution = parser.value(resolutionOption);
    }
    if (parser.isSet(unitOption)) {
        const auto unit = parseUnit(parser.value(unitOption));
        if (!unit)
            return QStringLiteral("bad unit %1: use ns, us, ms or none")
                .arg(quotedText(parser.value(unitOption)));
        options.unitindex = *unit;
    }
    if (parser.isSet(headingOption))
        options.heading = parser.value(headingOption);
    return QString();
}

// The samples, the pages, the time axis and the paper.
QString readPages(const QCommandLineParser& parser, ConverterOptions& options)
{
    const DocumentFormat& format = documentFormat(options.format);
    if (!format.ofPages) {
        for (const QCommandLineOption* pageOnly : {&pagesOption, &timeAxisOption, &paperOption})
            if (parser.isSet(*pageOnly))
                return QStringLiteral("--%1 sets up printed pages; a value change dump has none "
                                      "(--samples still applies)")
                    .arg(pageOnly->names().first());
    }
    PageOptions& page = options.page;
    if (parser.isSet(samplesOption)) {
        const QString given = quotedText(parser.value(samplesOption));
        const auto range = parseSampleRange(parser.value(samplesOption));
        if (!range)
            return QStringLiteral("bad --samples %1: use the first and last sample with a dash "
                                  "between, such as 600-900")
                .arg(given);
        if (range->first > range->second)
            return QStringLiteral("bad --samples %1: the range runs backwards").arg(given);
        if (range->second >= csv::sampleCount)
            return QStringLiteral("bad --samples %1: samples are numbered 0 to %2")
                .arg(given)
                .arg(csv::sampleCount - 1);
        page.firstsample = range->first;
        page.lastsample = range->second;
    }
    if (parser.isSet(pagesOption)) {
        const int pages = wholeNumber(parser.value(pagesOption)).value_or(0);
        if (pages < 1)
            return QStringLiteral("bad --pages %1: use a whole number from 1")
                .arg(quotedText(parser.value(pagesOption)));
        const int samples = page.lastsample - page.firstsample + 1;
        if (pages > samples)
            return QStringLiteral("--pages %1: samples %2-%3 are too few to fill %1 pages")
                .arg(pages)
                .arg(page.firstsample)
                .arg(page.lastsample);
        page.pages = pages;
    }
    page.timeaxis = parser.isSet(timeAxisOption);
    if (parser.isSet(paperOption)) {
        const auto paper = paperNamed(parser.value(paperOption));
        if (!paper)
            return QStringLiteral("unknown paper %1: use %2")
                .arg(quotedText(parser.value(paperOption)),
                     paperNames().join(QStringLiteral(", ")));
        page.paper = *paper;
    }
    if (!format.ofPages)
        return QString();
    // Pages of equal length may come out fewer than asked (7 samples on 5
    // pages take 2 a page, so 4 pages): refused rather than numbered "of 4"
    // when 5 were asked for.
    options.pagecount = int(pageLayouts(page, csv::sampleCount).size());
    if (options.pagecount != page.pages)
        return QStringLiteral("--pages %1: samples %2-%3 split into pages of equal length make "
                              "%4 pages, not %1")
            .arg(page.pages)
            .arg(page.firstsample)
            .arg(page.lastsample)
            .arg(options.pagecount);
    if (pageFilesOf(options) > 1 && options.output == QLatin1String("-"))
        return QStringLiteral("%1 pages of %2 are a file each, and standard output takes one: "
                              "name the files with -o or --output-dir")
            .arg(options.pagecount)
            .arg(format.name.toUpper());
    return QString();
}

} // namespace

QString extensionOf(const ConverterOptions& options)
{
    return documentFormat(options.format).extension();
}

int pageFilesOf(const ConverterOptions& options)
{
    return documentFormat(options.format).filePerPage ? options.pagecount : 1;
}

QString helpText()
{
    QCommandLineParser parser;
    addOptions(parser);
    parser.addHelpOption();
    parser.addVersionOption();
    QString text = parser.helpText();
    // The parser names the running program; name ours whatever runs it.
    const qsizetype end = text.indexOf(u'\n');
    return QStringLiteral("Usage: %1 [options] capture... [-o file | --output-dir dir | "
                          "--combine file.pdf]")
               .arg(converterName)
           + text.mid(end);
}

ParsedArguments parseArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // The parser's message quotes the option as typed.
    if (!parser.parse(arguments))
        return usageError(escapedText(parser.errorText()));

    ParsedArguments parsed;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        parsed.action = ParsedArguments::Action::Help;
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.action = ParsedArguments::Action::Version;
        return parsed;
    }
    parsed.options.captures = parser.positionalArguments();
    if (parsed.options.captures.isEmpty())
        return usageError(QStringLiteral("no capture file given"));
    if (const QString error = repeated(parser); !error.isEmpty())
        return usageError(error);
    for (const Step step : {readDestinations, readFormat, readNumbers, readDrawing, readPages})
        if (const QString error = step(parser, parsed.options); !error.isEmpty())
            return usageError(error);
    parsed.action = ParsedArguments::Action::Run;
    return parsed;
}
