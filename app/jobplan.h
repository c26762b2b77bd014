#pragma once

#include "app/converteroptions.h"
#include "capture/capture.h"
#include "printing/output/binder.h"

#include <QString>
#include <QStringList>

#include <future>
#include <optional>
#include <vector>

// One capture's part in a run: where its document goes and how it went.
struct CaptureJob {
    QString capture;
    QString target;                // empty: pages of the combined PDF
    QStringList files;             // target, or a file a page (SVG, PNG)
    QString error;                 // the one line reporting its failure
    std::optional<Capture> read;   // the capture, once read
    std::vector<BinderPage> pages; // its pages in the combined PDF
    std::future<void> written;     // the document being written to the target
};

// Every target of a run, settled before anything is written, so that a
// clash stops the run while all files are still as they were. A capture
// whose target may not be written starts with that as its error.
struct JobPlan {
    std::vector<CaptureJob> jobs;
    QString refusal;         // one line: why the run cannot start
    bool usageError = false; // the refusal is a fault of the arguments
};

JobPlan planJobs(const ConverterOptions& options);
