// The headless converter: its options, the plan of what goes where, the
// conversion of each capture and the progress line.

#include "app/converter.h"

#include "app/orderedwork.h"
#include "capture/header.h"
#include "capture/linereader.h"
#include "printing/pagerecorder.h"
#include "printing/output/pdf/pdffont.h"
#include "printing/output/pdf/pdfpages.h"
#include "printing/printers/pdfprinter.h"
#include "printing/output/pngdocument.h"
#include "printing/output/svgdocument.h"
#include "util/atomicfile.h"
#include "util/fault.h"
#include "util/outputname.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <exception>
#include <future>
#include <limits>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

std::optional<int> channelNumber(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 0 || value >= channelCount || text.trimmed().startsWith(u'+'))
        return std::nullopt;
    return value;
}

const QCommandLineOption outputOption(
    {QStringLiteral("o"), QStringLiteral("output")},
    QStringLiteral("Write the one capture's document to <file>; - for standard output "
                   "(default: beside each capture, its extension replaced)."),
    QStringLiteral("file"));
const QCommandLineOption outputDirOption(
    QStringLiteral("output-dir"),
    QStringLiteral("Write each capture's document into <dir>, created if needed."),
    QStringLiteral("dir"));
const QCommandLineOption combineOption(
    QStringLiteral("combine"),
    QStringLiteral("Write one PDF with a page per capture, in the order given, to <file>; "
                   "- for standard output. Nothing is written if any capture fails."),
    QStringLiteral("file"));
const QCommandLineOption formatOption(
    QStringLiteral("format"),
    QStringLiteral("pdf, svg or png (default: from the extension of -o, else pdf)."),
    QStringLiteral("format"));
const QCommandLineOption dpiOption(
    QStringLiteral("dpi"),
    QStringLiteral("Pixels per inch of a PNG, %1 to %2 (default 150).")
        .arg(lowestPngDpi)
        .arg(highestPngDpi),
    QStringLiteral("dpi"));
const QCommandLineOption jobsOption(
    QStringLiteral("jobs"),
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
        QStringLiteral("Prints capture files as timing diagrams on 11 x 17 inch pages: PDF, SVG "
                       "or PNG."));
    parser.addPositionalArgument(QStringLiteral("capture..."),
                                 QStringLiteral("The capture files."));
    parser.addOptions({outputOption, outputDirOption, combineOption, formatOption, dpiOption,
                       jobsOption, channelsOption, tickMarksOption, noTickMarksOption,
                       resolutionOption, unitOption, headingOption});
}

constexpr int maximumJobs = 256;

// Digits only: the page states the spacing as typed, so "2.5" or "1e3"
// would state one spacing and draw another.
bool isTickSpacing(const QString& text)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return text.toLongLong() <= std::numeric_limits<qint32>::max();
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
    if (!parser.parse(arguments))
        return usageError(parser.errorText());

    ParsedArguments parsed;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
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
    ConverterOptions& options = parsed.options;
    options.captures = positional;

    for (const QCommandLineOption* single :
         {&outputOption, &outputDirOption, &combineOption, &formatOption, &dpiOption, &jobsOption,
          &channelsOption, &tickMarksOption, &resolutionOption, &unitOption, &headingOption}) {
        if (parser.values(*single).size() > 1)
            return usageError(QStringLiteral("--%1 given more than once").arg(single->names().last()));
    }

    const int destinations = int(parser.isSet(outputOption)) + int(parser.isSet(outputDirOption))
                             + int(parser.isSet(combineOption));
    if (destinations > 1)
        return usageError(QStringLiteral("-o, --output-dir and --combine exclude each other"));
    if (parser.isSet(outputOption)) {
        if (parser.value(outputOption).isEmpty())
            return usageError(QStringLiteral("no output file given (-o file.pdf)"));
        if (positional.size() > 1)
            return usageError(QStringLiteral("-o names one file for %1 captures: use --output-dir "
                                             "or --combine")
                                  .arg(positional.size()));
        options.output = parser.value(outputOption);
    }
    if (parser.isSet(outputDirOption)) {
        if (parser.value(outputDirOption).isEmpty())
            return usageError(QStringLiteral("no folder given (--output-dir dir)"));
        options.outputDir = parser.value(outputDirOption);
    }
    if (parser.isSet(combineOption)) {
        if (parser.value(combineOption).isEmpty())
            return usageError(QStringLiteral("no output file given (--combine file.pdf)"));
        options.combine = parser.value(combineOption);
    }

    // Without --format the file's extension names the format; a name that
    // says another format is refused rather than given a PDF under it.
    const QString named = !options.combine.isEmpty() ? options.combine : options.output;
    const QString format = parser.isSet(formatOption) ? parser.value(formatOption)
                                                      : QFileInfo(named).suffix().toLower();
    if (format == QLatin1String("svg"))
        options.format = OutputFormat::Svg;
    else if (format == QLatin1String("png"))
        options.format = OutputFormat::Png;
    else if (format == QLatin1String("pdf") || format.isEmpty())
        options.format = OutputFormat::Pdf;
    else if (parser.isSet(formatOption))
        return usageError(QStringLiteral("bad format \"%1\": use pdf, svg or png").arg(format));
    else
        return usageError(QStringLiteral("\"%1\": the extension .%2 names no format; use .pdf, .svg "
                                         "or .png, or give --format")
                              .arg(named, QFileInfo(named).suffix()));
    if (!options.combine.isEmpty() && options.format != OutputFormat::Pdf)
        return usageError(QStringLiteral("--combine makes a PDF; use --output-dir for %1 files")
                              .arg(format));

    const auto number = [&](const QCommandLineOption& option, int lowest, int highest,
                            int& value) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        const int given = parser.value(option).toInt(&ok, 10);
        if (!ok || given < lowest || given > highest)
            return false;
        value = given;
        return true;
    };
    if (!number(dpiOption, lowestPngDpi, highestPngDpi, options.dpi))
        return usageError(QStringLiteral("bad --dpi \"%1\": use a whole number from %2 to %3")
                              .arg(parser.value(dpiOption))
                              .arg(lowestPngDpi)
                              .arg(highestPngDpi));
    options.jobs = std::max(1, QThread::idealThreadCount());
    if (!number(jobsOption, 1, maximumJobs, options.jobs))
        return usageError(QStringLiteral("bad --jobs \"%1\": use a whole number from 1 to %2")
                              .arg(parser.value(jobsOption))
                              .arg(maximumJobs));

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
    if (parser.isSet(tickMarksOption)) {
        if (!isTickSpacing(parser.value(tickMarksOption)))
            return usageError(QStringLiteral("bad --tick-marks \"%1\": use a whole number of samples "
                                             "from 0 to %2 (0 draws none)")
                                  .arg(parser.value(tickMarksOption))
                                  .arg(std::numeric_limits<qint32>::max()));
        options.tickfrequency = parser.value(tickMarksOption);
    }

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

namespace {

const QString standardStream = QStringLiteral("-");

QString extensionOf(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Svg: return QStringLiteral(".svg");
    case OutputFormat::Png: return QStringLiteral(".png");
    case OutputFormat::Pdf: break;
    }
    return QStringLiteral(".pdf");
}

QByteArray documentOf(const ConverterOptions& options, const RecordedPage& calls)
{
    switch (options.format) {
    case OutputFormat::Svg: return svgDocument(calls);
    case OutputFormat::Png: return pngDocument(calls, options.dpi);
    case OutputFormat::Pdf: break;
    }
    return pdfDocument(calls);
}

void writeDocument(const QString& path, const QByteArray& document)
{
    if (path == standardStream)
        writeToDescriptor(STDOUT_FILENO, document, QStringLiteral("standard output"));
    else
        writeFileAtomically(path, document);
}

struct CaptureJob {
    QString capture;
    QString target;                   // empty: a page of the combined PDF
    QString clash;                    // when set, the reason not to write the target
    QString error;                    // the one line reporting its failure
    std::optional<PdfPage> page;      // a page of the combined PDF
    std::future<void> written;        // the document being written to the target
};

// Waits for the job's document to be written; a failure becomes its error.
void finishWriting(CaptureJob& job)
{
    if (!job.written.valid())
        return;
    try {
        job.written.get();
    } catch (const Fault& fault) {
        job.error = fault.message();
    } catch (const std::exception& failure) {
        job.error = QStringLiteral("%1: %2").arg(job.target, QString::fromLocal8Bit(failure.what()));
    }
}

PrintRequest requestFor(const QString& capture, const ConverterOptions& options, QString& error)
{
    // A pipe gives its bytes once: they serve the header and the samples.
    std::optional<QByteArray> bytes = readOnceIfStream(capture);
    const std::optional<CaptureHeader> header = readheader(capture, bytes);
    PrintRequest request;
    if (!header) {
        error = QStringLiteral("%1: not a capture file (line 1 does not begin with \"%2\")")
                    .arg(escapedText(capture), captureKey);
        return request;
    }
    request.filepath = capture;
    request.filebytes = std::move(bytes);
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
    return request;
}

void convertOne(CaptureJob& job, const ConverterOptions& options)
{
    if (!job.clash.isEmpty()) {
        job.error = job.clash;
        return;
    }
    try {
        const PrintRequest request = requestFor(job.capture, options, job.error);
        if (!job.error.isEmpty())
            return;
        RecordedPage page = recordPage(request);
        if (job.target.isEmpty()) {
            // Made here, on this job's core, so binding only copies it.
            try {
                job.page = pdfPage(page);
            } catch (Fault& fault) {
                fault.inFile(options.combine);
                throw;
            }
            return;
        }
        QByteArray document;
        try {
            document = documentOf(options, page);
        } catch (Fault& fault) {
            fault.inFile(job.target);
            throw;
        }
        page = RecordedPage();
        // Waiting for the disk to keep the file is left to a thread of its
        // own, so that this one goes on converting.
        job.written = std::async(std::launch::async, [target = job.target, document] {
            writeDocument(target, document);
        });
    } catch (const Fault& fault) {
        job.error = fault.message();
    } catch (const std::exception& failure) {
        job.error = QStringLiteral("%1: %2").arg(job.capture, QString::fromLocal8Bit(failure.what()));
    }
}

// "12/200 captures, 35.2 pages/s", redrawn in place at most ten times a
// second; "62/62 captures, 2 failed, ..." once any failed.
class ProgressLine {
public:
    ProgressLine(QTextStream& err, bool shown, int total) : err_(err), shown_(shown), total_(total)
    {
        clock_.start();
    }

    void update(int done, int failed)
    {
        if (!shown_ || (done < total_ && clock_.elapsed() - drawnAt_ < 100))
            return;
        drawnAt_ = clock_.elapsed();
        const double seconds = std::max<qint64>(clock_.elapsed(), 1) / 1000.0;
        const QString failures = failed > 0 ? QStringLiteral(", %1 failed").arg(failed)
                                            : QString();
        const QString line = QStringLiteral("%1/%2 captures%3, %4 pages/s")
                                 .arg(done)
                                 .arg(total_)
                                 .arg(failures)
                                 .arg(done / seconds, 0, 'f', 1);
        err_ << '\r' << line.leftJustified(width_) << Qt::flush;
        width_ = int(line.size());
    }

    // Clears the line so a message can take its place.
    void clear()
    {
        if (shown_ && width_ > 0)
            err_ << '\r' << QString(width_, u' ') << '\r';
        width_ = 0;
    }

    void finish()
    {
        if (shown_ && width_ > 0)
            err_ << '\n' << Qt::flush;
        width_ = 0;
    }

private:
    QTextStream& err_;
    bool shown_;
    int total_;
    QElapsedTimer clock_;
    qint64 drawnAt_ = -1000;
    int width_ = 0;
};

} // namespace

int runConverter(const ConverterOptions& options, QTextStream& err, bool progress)
{
    const bool combined = !options.combine.isEmpty();
    const QString extension = extensionOf(options.format);
    std::vector<CaptureJob> jobs(std::size_t(options.captures.size()));

    // Every target is settled before anything is written, so a clash stops
    // the run while all files are still as they were.
    const OutputPlan plan = planOutputs(options.captures, options.output, options.outputDir,
                                        options.combine, extension);
    if (!plan.collision.isEmpty()) {
        err << converterName << ": " << plan.collision << '\n'
            << "Try '" << converterName << " --help' for more information.\n";
        return exitUsage;
    }
    if (!plan.binderOverCapture.isEmpty()) {
        err << converterName << ": " << plan.binderOverCapture << '\n';
        return exitFailure;
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        CaptureJob& job = jobs[i];
        job.capture = options.captures[qsizetype(i)];
        job.target = plan.targets[qsizetype(i)];
        job.clash = plan.overCapture[qsizetype(i)];
    }
    if (!options.outputDir.isEmpty() && !QDir().mkpath(options.outputDir)) {
        err << converterName << ": " << options.outputDir << ": the folder cannot be created\n";
        return exitFailure;
    }

    // The page font is read once, here, rather than by whichever job first
    // needs it while the others wait.
    if (options.format == OutputFormat::Pdf)
        PdfFont::page();
    ProgressLine line(err, progress && jobs.size() > 1, int(jobs.size()));
    std::optional<PdfPages> book;
    if (combined)
        book.emplace();
    int failed = 0;
    runInOrder(
        int(jobs.size()), options.jobs,
        [&](int i) { convertOne(jobs[std::size_t(i)], options); },
        [&](int i) {
            CaptureJob& job = jobs[std::size_t(i)];
            finishWriting(job);
            if (combined && job.error.isEmpty() && failed == 0) {
                try {
                    book->add(std::move(*job.page));
                } catch (Fault& fault) {
                    job.error = fault.inFile(options.combine).message();
                } catch (const std::exception& failure) {
                    job.error = QStringLiteral("%1: %2").arg(options.combine,
                                                             QString::fromLocal8Bit(failure.what()));
                }
            }
            job.page.reset();
            if (!job.error.isEmpty()) {
                ++failed;
                line.clear();
                err << converterName << ": " << job.error << '\n' << Qt::flush;
            }
            line.update(i + 1, failed);
        });
    line.finish();

    if (combined) {
        if (failed > 0) {
            err << converterName << ": " << options.combine << ": not written, as "
                << failed << " of " << jobs.size() << " captures could not be printed\n";
            return exitFailure;
        }
        try {
            writeDocument(options.combine, book->finish());
        } catch (const Fault& fault) {
            err << converterName << ": " << fault.message() << '\n';
            return exitFailure;
        }
    }
    return failed == 0 ? exitSuccess : exitFailure;
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
    // Checked before any work, so that a bad value leaves nothing written.
    try {
        sourceDateEpoch();
    } catch (const Fault& fault) {
        err << converterName << ": " << fault.detail() << '\n';
        return exitUsage;
    }
    return runConverter(parsed.options, err, ::isatty(STDERR_FILENO) == 1);
}
