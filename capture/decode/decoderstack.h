#pragma once

// A request checked against the decoders and one capture's channels: what a
// decode runs. Make it once a run (or once a capture when captures name
// their channels differently); it is plain data, cheap to copy, and may be
// used from any thread.

#include "capture/decode/decoderequest.h"
#include "capture/decode/decoderinfo.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <utility>

namespace decode {

struct ResolvedDecoder {
    DecoderInfo info;
    // Decoder channel id -> our channel number; only the bottom decoder
    // reads channels, the ones above it read what the one below gives.
    QList<std::pair<QString, int>> channels;
    // The options given, as the default's type (qint64, double, QString);
    // the rest keep their defaults.
    QList<std::pair<QString, QVariant>> options;
};

struct ResolvedStack {
    QList<ResolvedDecoder> decoders; // the bottom one first
    QString text;                    // the request as requestText() writes it

    // Our channel numbers the bottom decoder reads, ascending.
    QList<int> channelsUsed() const;
};

// Checks `request` (not a help request) and gives the stack to run, or a
// usage error naming the decoder, what is wrong and what it takes:
// - an id that names no installed decoder;
// - a KEY that is neither a channel nor an option of its decoder;
// - a channel value that names no channel of the capture. A value of digits
//   only is a channel number (0 … channelNames.size() − 1), even when some
//   channel is named like that; any other value must equal one channel's
//   name exactly (case and blanks count), and a name two channels share is
//   refused as ambiguous;
// - a required channel not given, or no channel at all for a decoder whose
//   channels are all optional; channels given to a decoder above the bottom;
// - an option value of the wrong type (whole numbers in decimal or 0x hex,
//   numbers in decimal with an optional exponent, locale-independent) or
//   not among the allowed values; a KEY given twice or without a value;
// - a bottom decoder that reads another decoder's output instead of
//   samples, or a decoder stacked on one whose outputs it does not take;
// - with `sampleRateKnown` false, a stack that needs a sample rate.
//   Decoders do not declare this, so the stack is run once on a few made-up
//   samples without a rate. Those that need it fail at once: they raise
//   their SamplerateError in start() or the first lines of decode(), or
//   read the rate that only a known rate sets (an exception that names the
//   rate, or one raised by a line that reads it), or loop without end.
//   That refuses the request before any capture is read. An error raised
//   by start() for another reason is refused too (a bad combination of
//   options); other errors of the dry run are left to the real decode. The
//   verdict is kept for the process: a second resolve costs nothing.
Checked<ResolvedStack> resolveStack(const StackRequest& request, const QStringList& channelNames,
                                    bool sampleRateKnown);

} // namespace decode
