// The headless converter: its options, the plan of what goes where, the
// conversion of each capture and the progress line.

#include "app/converter.h"

#include "app/convertone.h"
#include "app/decodeoption.h"
#include "app/jobplan.h"
#include "app/orderedwork.h"
#include "app/progressline.h"
#include "printing/output/binder.h"
#include "printing/output/documentdate.h"
#include "printing/output/formats.h"
#include "util/fault.h"
#include "util/files/pathwalk.h"

#include <QTextStream>

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include <malloc.h>
#include <unistd.h>

int runConverter(const ConverterOptions& options, QTextStream& err, bool progress,
                 const BeforeDrawing& beforeDrawing)
{
    const bool combined = !options.combine.isEmpty();
    JobPlan plan = planJobs(options);
    if (!plan.refusal.isEmpty()) {
        err << converterName << ": " << plan.refusal << '\n';
        if (!plan.usageError)
            return exitFailure;
        err << "Try '" << converterName << " --help' for more information.\n";
        return exitUsage;
    }
    std::vector<CaptureJob>& jobs = plan.jobs;
    if (const QString error = checkDecoders(options, jobs); !error.isEmpty()) {
        err << converterName << ": " << error << '\n'
            << "Try '" << converterName << " --help' for more information.\n";
        return exitUsage;
    }
    // Each page's recording and document take a few megabytes: over several
    // pages they are kept in the heap between pages rather than mapped and
    // cleared afresh for each, which cost a fifth of a batch's time in page
    // faults. A single page gives them back, and peaks 3 MB lower.
    if (jobs.size() > 1 || options.pagecount > 1) {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 128 << 20);
    }
    // Made as the files are written into it: along links that may be followed.
    if (const int made = options.outputDir.isEmpty() ? 0 : makeFolders(options.outputDir)) {
        if (made == linkRefused)
            err << converterName << ": " << walkFault(made, options.outputDir).message() << '\n';
        else
            err << converterName << ": " << escapedText(options.outputDir)
                << ": the folder cannot be created\n";
        return exitFailure;
    }

    // The first capture is read before anything else, so that a run whose
    // only capture cannot be read costs no fonts and no GUI.
    if (!jobs.empty())
        readCapture(jobs.front());
    const auto drawn = [](const CaptureJob& job) { return job.error.isEmpty(); };
    std::optional<WriterSetUp> writers;
    if (documentFormat(options.format).ofPages && std::any_of(jobs.begin(), jobs.end(), drawn))
        writers.emplace(options.format, jobs.size() == 1, beforeDrawing);
    ProgressLine line(err, progress && jobs.size() > 1, int(jobs.size()));
    std::optional<Binder> book;
    if (combined)
        book.emplace();
    int failed = 0;
    runInOrder(
        int(jobs.size()), options.jobs, [&](int i) { convertOne(jobs[std::size_t(i)], options); },
        [&](int i) {
            CaptureJob& job = jobs[std::size_t(i)];
            finishWriting(job);
            if (combined && job.error.isEmpty() && failed == 0) {
                try {
                    inFile(options.combine, [&] {
                        for (BinderPage& page : job.pages)
                            book->add(std::move(page));
                    });
                } catch (const std::exception& failure) {
                    job.error = failureMessage(options.combine, failure);
                }
            }
            job.pages.clear();
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
            err << converterName << ": " << escapedText(options.combine) << ": not written, as "
                << failed << " of " << jobs.size() << " captures could not be printed\n";
            return exitFailure;
        }
        try {
            writeDocument(options.combine, inFile(options.combine, [&] { return book->finish(); }));
        } catch (const std::exception& failure) {
            err << converterName << ": " << failureMessage(options.combine, failure) << '\n';
            return exitFailure;
        }
    }
    return failed == 0 ? exitSuccess : exitFailure;
}

int converterMain(const QStringList& arguments, QTextStream& out, QTextStream& err,
                  const BeforeDrawing& beforeDrawing)
{
    const ParsedArguments parsed = parseArguments(arguments);
    switch (parsed.action) {
    case ParsedArguments::Action::Help: out << helpText(); return exitSuccess;
    case ParsedArguments::Action::Listing: out << parsed.listing; return exitSuccess;
    case ParsedArguments::Action::Version:
        out << converterName << ' ' << converterVersion << '\n';
        return exitSuccess;
    case ParsedArguments::Action::UsageError:
        err << converterName << ": " << parsed.error << '\n'
            << "Try '" << converterName << " --help' for more information.\n";
        return exitUsage;
    case ParsedArguments::Action::Run: break;
    }
    // Checked before any work, so that a bad value leaves nothing written.
    try {
        sourceDateEpoch();
    } catch (const Fault& fault) {
        err << converterName << ": " << fault.detail() << '\n';
        return exitUsage;
    }
    return runConverter(parsed.options, err, ::isatty(STDERR_FILENO) == 1, beforeDrawing);
}
