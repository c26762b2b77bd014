#include "app/convertone.h"

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "capture/linereader.h"
#include "printing/drawpages.h"
#include "printing/output/formats.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <exception>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

const QString standardStream = QStringLiteral("-");

// One file after another, each whole; the pages of a capture are there all
// together or not at all.
void writeFiles(const QStringList& files, const std::vector<QByteArray>& documents)
{
    if (files.size() == 1)
        writeDocument(files.front(), documents.front());
    else
        writeFilesTogether(files, documents);
}

} // namespace

void readCapture(CaptureJob& job)
{
    if (!job.error.isEmpty() || job.read)
        return;
    try {
        // A pipe gives its bytes once: they are read whole, then as a file's.
        std::optional<Capture> capture =
            readKeyedCapture(job.capture, readOnceIfStream(job.capture));
        if (capture)
            job.read = std::move(capture);
        else
            job.error = QStringLiteral("%1: not a capture file (line 1 does not begin with \"%2\")")
                            .arg(escapedText(job.capture), csv::captureKey);
    } catch (const std::exception& failure) {
        job.error = failureMessage(job.capture, failure);
    }
}

PageRequest converterRequest(const ConverterOptions& options, const Capture& capture)
{
    PageRequest request;
    const std::vector<QString>& names = capture.header().names;
    for (int c = 0; c < capture.channelCount() && c < int(options.channels.size()); ++c)
        if (options.channels[std::size_t(c)])
            request.channels.push_back(
                {c, std::size_t(c) < names.size() ? names[std::size_t(c)] : QString()});
    request.ticks = TickMarks::read(options.tickmarks, options.tickfrequency);
    request.period = SamplePeriod::read(options.resolution, options.unitindex);
    request.heading = options.heading.value_or(capture.header().heading);
    request.options = options.page;
    return request;
}

void convertOne(CaptureJob& job, const ConverterOptions& options)
{
    readCapture(job);
    if (!job.error.isEmpty())
        return;
    try {
        const Capture capture = std::move(*job.read);
        job.read.reset();
        const PageRequest request = converterRequest(options, capture);
        const DocumentFormat& format = documentFormat(options.format);
        DocumentSource source;
        source.dpi = options.dpi;
        source.crop = options.crop;
        std::optional<LevelTable> levels;
        if (format.ofPages) {
            source.pages = drawPages(request, capture);
        } else {
            levels = selectChannels(capture.samples(), request.channels);
            source.levels = &*levels;
            source.request = &request;
        }
        if (job.target.isEmpty()) {
            // Made here, on this job's core, so binding only copies them.
            for (RecordedPage& page : source.pages) {
                job.pages.push_back(inFile(options.combine, [&] { return BinderPage(page); }));
                page = RecordedPage();
            }
            return;
        }
        // Every page's document before any is written: a page that cannot
        // be made leaves all of the capture's files as they were.
        std::vector<QByteArray> documents = writeDocuments(
            format, std::move(source), job.files.isEmpty() ? QStringList{job.target} : job.files);
        if (documents.size() != std::size_t(job.files.size()))
            throw Fault(FaultKind::SubscriptOutOfRange,
                        QStringLiteral("%1 documents made for %2 files")
                            .arg(documents.size())
                            .arg(job.files.size()));
        // Waiting for the disk to keep the files is left to a thread of its
        // own, so that this one goes on converting.
        job.written =
            std::async(std::launch::async, [files = job.files, documents = std::move(documents)] {
                writeFiles(files, documents);
            });
    } catch (const std::exception& failure) {
        job.error = failureMessage(job.capture, failure);
    }
}

void finishWriting(CaptureJob& job)
{
    if (!job.written.valid())
        return;
    try {
        job.written.get();
    } catch (const std::exception& failure) {
        job.error = failureMessage(job.target, failure);
    }
}

void writeDocument(const QString& path, const QByteArray& document)
{
    if (path == standardStream)
        writeToDescriptor(STDOUT_FILENO, document, QStringLiteral("standard output"));
    else
        writeFileAtomically(path, document);
}
