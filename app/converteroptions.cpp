// Reading the converter's arguments, a group of options at a time.
#include "app/converteroptions.h"

#include "app/converterflags.h"
#include "app/decodeoption.h"
#include "app/markeroption.h"
#include "util/fault.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <limits>

using namespace converterflags;

namespace {

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
    for (const QCommandLineOption* single : allOptions()) {
        if (single == &markerOption || single == &busOption || single == &decodeOption)
            continue;
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

// Each --bus in the order given. Unless --channels names them, a bus's
// channels are not drawn alone as well.
QString readBuses(const QCommandLineParser& parser, ConverterOptions& options)
{
    std::vector<BusLane>& buses = options.page.buses;
    for (const QString& given : parser.values(busOption)) {
        auto parsed = parseBus(given);
        if (const QString* error = std::get_if<QString>(&parsed))
            return QStringLiteral("bad --bus %1: %2").arg(quotedText(given), *error);
        BusLane& bus = std::get<BusLane>(parsed);
        for (const BusLane& before : buses)
            for (const int c : bus.channels)
                if (std::find(before.channels.begin(), before.channels.end(), c)
                    != before.channels.end())
                    return QStringLiteral("bad --bus %1: channel %2 is in bus %3 too")
                        .arg(quotedText(given))
                        .arg(c)
                        .arg(quotedText(before.name));
        if (!parser.isSet(channelsOption))
            for (const int c : bus.channels)
                options.channels[std::size_t(c)] = false;
        buses.push_back(std::move(bus));
    }
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
    if (const QString error = readBuses(parser, options); !error.isEmpty())
        return error;

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

// The samples, the pages, the time axis, the paper and the layout.
QString readPages(const QCommandLineParser& parser, ConverterOptions& options)
{
    const DocumentFormat& format = documentFormat(options.format);
    if (!format.ofPages) {
        for (const QCommandLineOption* pageOnly :
             {&pagesOption, &timeAxisOption, &paperOption, &layoutOption, &markerOption, &busOption,
              &decodeOption})
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
    if (parser.isSet(layoutOption)) {
        const auto layout = layoutNamed(parser.value(layoutOption));
        if (!layout)
            return QStringLiteral("unknown layout %1: use %2")
                .arg(quotedText(parser.value(layoutOption)),
                     layoutNames().join(QStringLiteral(", ")));
        page.layout = *layout;
    }
    options.crop = parser.isSet(cropOption);
    if (options.crop && !format.crops)
        return QStringLiteral("--crop cuts %1 images to the drawing; %2")
            .arg(croppingFormats(),
                 format.ofPages ? QStringLiteral("a %1 page stays whole").arg(format.name.toUpper())
                                : QStringLiteral("a value change dump has no pages"));
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

QString readMarkers(const QCommandLineParser& parser, ConverterOptions& options)
{
    return readMarkerValues(parser.values(markerOption), csv::sampleCount, options.page.markers);
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
    if (const DecoderListing shown = decoderListing(parser); shown.asked) {
        if (!shown.error.isEmpty())
            return usageError(shown.error);
        parsed.action = ParsedArguments::Action::Listing;
        parsed.listing = shown.text;
        return parsed;
    }
    parsed.options.captures = parser.positionalArguments();
    if (parsed.options.captures.isEmpty())
        return usageError(QStringLiteral("no capture file given"));
    if (const QString error = repeated(parser); !error.isEmpty())
        return usageError(error);
    for (const Step step : {readDestinations, readFormat, readNumbers, readDrawing, readPages,
                            readMarkers, readDecoders})
        if (const QString error = step(parser, parsed.options); !error.isEmpty())
            return usageError(error);
    parsed.action = ParsedArguments::Action::Run;
    return parsed;
}
