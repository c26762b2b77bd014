#include "app/convertone.h"

#include "capture/header.h"
#include "capture/linereader.h"
#include "capture/sampletable.h"
#include "printing/pagerecorder.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <QFile>

#include <exception>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

const QString standardStream = QStringLiteral("-");

PrintRequest requestFor(const QString& capture, const ConverterOptions& options, QString& error)
{
    // A pipe gives its bytes once: they serve the header and the samples.
    std::optional<QByteArray> bytes = readOnceIfStream(capture);
    const std::optional<CaptureHeader> header = readHeader(capture, bytes);
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
    request.values[tickMarksBox] = options.tickmarks ? 1 : 0;
    request.captions[tickMarksBox] = QStringLiteral("Tick marks");
    request.tickfrequency = options.tickfrequency;
    request.resolution = options.resolution;
    request.unitindex = options.unitindex;
    request.heading = options.heading.value_or(header->heading);
    request.options = options.page;
    return request;
}

// One file after another, each whole; the pages of a capture are there all
// together or not at all.
void writeDocuments(const QStringList& files, const std::vector<QByteArray>& documents)
{
    if (files.size() == 1)
        writeDocument(files.front(), documents.front());
    else
        writeFilesTogether(files, documents);
}

} // namespace

void readCapture(CaptureJob& job, const ConverterOptions& options)
{
    if (!job.error.isEmpty() || job.request)
        return;
    try {
        PrintRequest request = requestFor(job.capture, options, job.error);
        if (job.error.isEmpty())
            job.request = std::move(request);
    } catch (const std::exception& failure) {
        job.error = failureMessage(job.capture, failure);
    }
}

void convertOne(CaptureJob& job, const ConverterOptions& options)
{
    readCapture(job, options);
    if (!job.error.isEmpty())
        return;
    try {
        const PrintRequest request = std::move(*job.request);
        job.request.reset();
        std::vector<QByteArray> documents;
        if (options.valuechangedump) {
            documents.push_back(
                valueChangeDumpOf(request, SampleTable::read(request.filepath, request.filebytes)));
        } else {
            std::vector<RecordedPage> pages = recordPages(request);
            if (job.target.isEmpty()) {
                // Made here, on this job's core, so binding only copies them.
                for (RecordedPage& page : pages) {
                    job.pages.push_back(inFile(options.combine, [&] { return pdfPage(page); }));
                    page = RecordedPage();
                }
                return;
            }
            // Every page's document before any is written: a page that cannot
            // be made leaves all of the capture's files as they were.
            documents = documentsOf(options.format, std::move(pages), options.dpi,
                                    job.files.isEmpty() ? QStringList{job.target} : job.files);
        }
        if (documents.size() != std::size_t(job.files.size()))
            throw Fault(FaultKind::SubscriptOutOfRange,
                        QStringLiteral("%1 documents made for %2 files")
                            .arg(documents.size())
                            .arg(job.files.size()));
        // Waiting for the disk to keep the files is left to a thread of its
        // own, so that this one goes on converting.
        job.written =
            std::async(std::launch::async, [files = job.files, documents = std::move(documents)] {
                writeDocuments(files, documents);
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
