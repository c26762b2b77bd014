#include "app/convertone.h"

#include "capture/header.h"
#include "capture/linereader.h"
#include "printing/pagerecorder.h"
#include "util/atomicfile.h"
#include "util/fault.h"

#include <exception>

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
    request.values[16] = options.tickmarks ? 1 : 0;
    request.captions[16] = QStringLiteral("Tick marks");
    request.tickfrequency = options.tickfrequency;
    request.resolution = options.resolution;
    request.unitindex = options.unitindex;
    request.heading = options.heading.value_or(header->heading);
    return request;
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
        RecordedPage page = recordPage(request);
        if (job.target.isEmpty()) {
            // Made here, on this job's core, so binding only copies it.
            job.page = inFile(options.combine, [&] { return pdfPage(page); });
            return;
        }
        const QByteArray document =
            inFile(job.target, [&] { return documentOf(options.format, page, options.dpi); });
        page = RecordedPage();
        // Waiting for the disk to keep the file is left to a thread of its
        // own, so that this one goes on converting.
        job.written = std::async(std::launch::async, [target = job.target, document] {
            writeDocument(target, document);
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
