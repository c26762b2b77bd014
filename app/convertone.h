#pragma once

#include "app/jobplan.h"
#include "capture/capture.h"
#include "printing/page/pagerequest.h"

#include <QByteArray>
#include <QString>

// Reads the job's capture (all of a pipe's bytes) once, whole. A file that
// is not a capture, or cannot be read, gives the job its error.
void readCapture(CaptureJob& job);

// What the options ask of one capture: its channels named as its header
// names them, and its heading unless the options give one.
PageRequest converterRequest(const ConverterOptions& options, const Capture& capture);

// Reads the capture unless that is done, draws its pages (or, for a dump,
// chooses its channels) and has the documents written on a thread of their
// own, or keeps the pages for the combined PDF. Any failure becomes the
// job's error; a job with an error is left alone.
void convertOne(CaptureJob& job, const ConverterOptions& options);

// Waits for the job's document to be written; a failure becomes its error.
void finishWriting(CaptureJob& job);

// To the file at `path`, whole or not at all; "-" is standard output.
void writeDocument(const QString& path, const QByteArray& document);
