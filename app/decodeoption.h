#pragma once

// The converter's decoder options: --decode, --list-decoders and
// --decoder-help, and the check of the decoders against the captures.

#include "app/converteroptions.h"
#include "app/jobplan.h"

#include <QCommandLineParser>
#include <QString>

#include <vector>

// What --list-decoders, --decoder-help ID or --decode ID:help print, or why
// it cannot be printed (a usage error); `asked` false when none is given.
struct DecoderListing {
    bool asked = false;
    QString text;
    QString error;
};
DecoderListing decoderListing(const QCommandLineParser& parser);

// Each --decode read into the page options, in the order given; the usage
// error, or "".
QString readDecoders(const QCommandLineParser& parser, ConverterOptions& options);

// The decoders checked against the channel names of the first capture that
// can be read (read here, for the run) and against the period, before
// anything is written; the usage error, or "". A later capture whose
// channels do not fit is a fault of that capture.
QString checkDecoders(const ConverterOptions& options, std::vector<CaptureJob>& jobs);
