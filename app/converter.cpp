#include "app/converter.h"

#include "capture/header.h"
#include "printing/pdfprinter.h"
#include "printing/printtiming.h"
#include "util/fault.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace {

std::optional<int> channelNumber(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 0 || value >= channelCount || text.trimmed().startsWith(u'+'))
        return std::nullopt;
    return value;
}

const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                      QStringLiteral("Write the PDF to <file>."),
                                      QStringLiteral("file"));
const QCommandLineOption channelsOption(
    QStringLiteral("channels"),
    QStringLiteral("Channels to print: numbers and ranges such as 0-3,7, or all, or none "
                   "(default all)."),
    QStringLiteral("list"));
const QCommandLineOption tickMarksOption(
    QStringLiteral("tick-marks"),
    QStringLiteral("Draw tick marks every <samples> samples (default 10)."),
    QStringLiteral("samples"));
const QCommandLineOption noTickMarksOption(QStringLiteral("no-tick-marks"),
                                           QStringLiteral("Draw no tick marks."));
const QCommandLineOption resolutionOption(
    QStringLiteral("resolution"),
    QStringLiteral("Sample period, printed as typed (default 100; empty for none)."),
    QStringLiteral("period"));
const QCommandLineOption unitOption(QStringLiteral("unit"),
                                    QStringLiteral("Unit of the sample period: ns, us, ms or "
                                                   "none (default ns)."),
                                    QStringLiteral("unit"));
const QCommandLineOption headingOption(
    QStringLiteral("heading"),
    QStringLiteral("Page heading (default: the heading of the capture's header)."),
    QStringLiteral("text"));

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Prints a capture file as a timing diagram on an 11 x 17 inch PDF page."));
    parser.addPositionalArgument(QStringLiteral("capture"), QStringLiteral("The capture file."));
    parser.addOptions({outputOption, channelsOption, tickMarksOption, noTickMarksOption,
                       resolutionOption, unitOption, headingOption});
}

ParsedArguments usageError(const QString& message)
{
    ParsedArguments parsed;
    parsed.action = ParsedArguments::Action::UsageError;
    parsed.error = message;
    return parsed;
}

} // namespace

std::optional<std::array<bool, 16>> parseChannelList(const QString& list)
{
    std::array<bool, 16> chosen{};
    const QString trimmed = list.trimmed();
    if (trimmed == QLatin1String("all")) {
        chosen.fill(true);
        return chosen;
    }
    if (trimmed == QLatin1String("none"))
        return chosen;
    if (trimmed.isEmpty())
        return std::nullopt;

    for (const QStringView item : QStringView(trimmed).split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        if (dash < 0) {
            const auto channel = channelNumber(item);
            if (!channel)
                return std::nullopt;
            chosen[static_cast<std::size_t>(*channel)] = true;
            continue;
        }
        const auto first = channelNumber(item.left(dash));
        const auto last = channelNumber(item.mid(dash + 1));
        if (!first || !last || *first > *last)
            return std::nullopt;
        for (int c = *first; c <= *last; ++c)
            chosen[static_cast<std::size_t>(c)] = true;
    }
    return chosen;
}

std::optional<int> parseUnit(const QString& unit)
{
    if (unit == QLatin1String("ns")) return 0;
    if (unit == QLatin1String("us")) return 1;
    if (unit == QLatin1String("ms")) return 2;
    if (unit == QLatin1String("none")) return -1;
    return std::nullopt;
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
    return QStringLiteral("Usage: %1 [options] capture -o file.pdf").arg(converterName)
           + text.mid(end);
}

ParsedArguments parseArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments))
        return usageError(parser.errorText());

    ParsedArguments parsed;
    if (parser.isSet(help)) {
        parsed.action = ParsedArguments::Action::Help;
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.action = ParsedArguments::Action::Version;
        return parsed;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no capture file given"));
    if (positional.size() > 1)
        return usageError(QStringLiteral("more than one capture file given: %1")
                              .arg(positional.join(QLatin1Char(' '))));
    ConverterOptions& options = parsed.options;
    options.capture = positional.first();

    for (const QCommandLineOption* single :
         {&outputOption, &channelsOption, &tickMarksOption, &resolutionOption, &unitOption,
          &headingOption}) {
        if (parser.values(*single).size() > 1)
            return usageError(QStringLiteral("--%1 given more than once").arg(single->names().last()));
    }

    if (!parser.isSet(outputOption) || parser.value(outputOption).isEmpty())
        return usageError(QStringLiteral("no output file given (-o file.pdf)"));
    options.output = parser.value(outputOption);

    if (parser.isSet(channelsOption)) {
        const auto channels = parseChannelList(parser.value(channelsOption));
        if (!channels)
            return usageError(QStringLiteral("bad channel list \"%1\": use channel numbers 0-15 "
                                             "and ranges such as 0-3,7, or all, or none")
                                  .arg(parser.value(channelsOption)));
        options.channels = *channels;
    }

    if (parser.isSet(tickMarksOption) && parser.isSet(noTickMarksOption))
        return usageError(QStringLiteral("--tick-marks and --no-tick-marks exclude each other"));
    if (parser.isSet(noTickMarksOption))
        options.tickmarks = false;
    if (parser.isSet(tickMarksOption))
        options.tickfrequency = parser.value(tickMarksOption);

    if (parser.isSet(resolutionOption))
        options.resolution = parser.value(resolutionOption);
    if (parser.isSet(unitOption)) {
        const auto unit = parseUnit(parser.value(unitOption));
        if (!unit)
            return usageError(QStringLiteral("bad unit \"%1\": use ns, us, ms or none")
                                  .arg(parser.value(unitOption)));
        options.unitindex = *unit;
    }
    if (parser.isSet(headingOption))
        options.heading = parser.value(headingOption);

    parsed.action = ParsedArguments::Action::Run;
    return parsed;
}

int runConverter(const ConverterOptions& options, QTextStream& err)
{
    // Writing the page over its own capture would lose the capture.
    const QFileInfo input(options.capture);
    const QFileInfo output(options.output);
    if (input.exists() && output.exists()
        && input.canonicalFilePath() == output.canonicalFilePath()) {
        err << converterName << ": " << options.output
            << ": is the capture file itself; choose another output file\n";
        return exitFailure;
    }

    try {
        const std::optional<CaptureHeader> header = readheader(options.capture);
        if (!header) {
            err << converterName << ": " << options.capture << ": not a capture file (line 1 "
                << "does not begin with \"" << captureKey << "\")\n";
            return exitFailure;
        }

        PrintRequest request;
        request.filepath = options.capture;
        for (int c = 0; c < channelCount; ++c) {
            const auto i = static_cast<std::size_t>(c);
            request.values[i] = options.channels[i] ? 1 : 0;
            request.captions[i] = header->names[i];
        }
        request.values[16] = options.tickmarks ? 1 : 0;
        request.captions[16] = QStringLiteral("Tick marks");
        request.tickfrequency = options.tickfrequency;
        request.resolution = options.resolution;
        request.unitindex = options.unitindex;
        request.heading = options.heading.value_or(header->heading);

        const QString output = options.output;
        PrintingService service = makePrintingService({}, [output] { return output; });
        PrinterRef printerreference;
        if (printtiming(request, service, printerreference) != PrintOutcome::Printed) {
            err << converterName << ": " << options.output << ": the PDF was not written\n";
            return exitFailure;
        }
        return exitSuccess;
    } catch (const Fault& fault) {
        err << converterName << ": " << fault.message() << '\n';
        return exitFailure;
    }
}

int converterMain(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const ParsedArguments parsed = parseArguments(arguments);
    switch (parsed.action) {
    case ParsedArguments::Action::Help:
        out << helpText();
        return exitSuccess;
    case ParsedArguments::Action::Version:
        out << converterName << ' ' << converterVersion << '\n';
        return exitSuccess;
    case ParsedArguments::Action::UsageError:
        err << converterName << ": " << parsed.error << '\n'
            << "Try '" << converterName << " --help' for more information.\n";
        return exitUsage;
    case ParsedArguments::Action::Run:
        break;
    }
    return runConverter(parsed.options, err);
}
