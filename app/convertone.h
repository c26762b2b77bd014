#pragma once

#include "app/jobplan.h"

#include <QByteArray>
#include <QString>

// Reads the job's capture header (all of a pipe's bytes) into its request.
// A file that is not a capture, or cannot be read, gives the job its error.
void readCapture(CaptureJob& job, const ConverterOptions& options);

// Reads the capture unless that is done, draws its page and has the
// document written on a thread of its own, or keeps the page for the
// combined PDF. Any failure becomes the job's error; a job with an error
// is left alone.
void convertOne(CaptureJob& job, const ConverterOptions& options);

// Waits for the job's document to be written; a failure becomes its error.
void finishWriting(CaptureJob& job);

// To the file at `path`, whole or not at all; "-" is standard output.
void writeDocument(const QString& path, const QByteArray& document);
