#pragma once

// Running a resolved stack over one capture's samples.
//
// The order of use: once a run (each step's error is a usage error, exit 2,
// before anything is written), then once a capture on any thread:
//
//     auto request = decode::parseStackRequest(text);     // each --decode
//     if (!request.value.helpFor.isEmpty())                // "spi:help"
//         print(decode::decoderHelp(decode::describeDecoder(request.value.helpFor).value));
//     auto stack = decode::resolveStack(request.value, channelNames, rateHz > 0);
//     ...
//     decode::SampleInput input{levels, firstSample, rateHz}; // rateHz = 1 s / period
//     std::vector<decode::DecodedRow> rows = decode::decodeStack(stack.value, input);
//
// --list-decoders is listDecoders(), --decoder-help ID describeDecoder(ID)
// and decoderHelp(). Channel names may differ between the captures of a
// run: resolve again for a capture whose names differ (cheap after the
// first: the decoders stay loaded and the sample-rate verdict is kept).
// decodeStack() holds the library's one lock only while the decoders run;
// decodes on several threads give what they give one after another.

#include "capture/decode/decoderstack.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace decode {

struct Annotation {
    quint64 start = 0;       // sample numbers as in SampleInput, the end exclusive as the decoder
    quint64 end = 0;         // gives it (a byte ends where the next bit would begin)
    int annotationClass = 0; // index into DecoderInfo::annotations
    QStringList texts; // as the decoder gives them, longest first: "Address write: 4B" … "4B"
};

// One annotation row of one decoder of the stack.
struct DecodedRow {
    int decoder = 0;        // index into ResolvedStack::decoders
    QString decoderId;      // "spi"
    QString decoderName;    // "SPI"
    QString rowId;          // "mosi-data"; "" for the row of the classes in no declared row
    QString rowDescription; // "MOSI data"; for that row "Other", or the decoder's name when
                            // it declares no rows at all
    QList<int> classes;
    std::vector<Annotation> annotations; // by start sample; ties in the decoder's order
};

struct SampleInput {
    // levels[c][i]: our channel c at sample firstSample + i, 0 low, anything
    // else high. Only the channels the stack reads need samples (the others
    // may be empty), all of the same count.
    std::vector<std::vector<quint8>> levels;
    quint64 firstSample = 0;
    quint64 sampleRate = 0; // Hz; 0 when the period is unknown
};

// The rows of every decoder of the stack, bottom decoder first, each in the
// order the decoder declares them, then its row of undeclared classes when it
// has such classes. Rows come back even when empty, so every capture of a run
// has the same rows. Throws Fault(DecoderError) when a decoder raises an
// error while it runs, quoting the decoder's message (escaped and cut), and
// Fault(SubscriptOutOfRange) when a channel the stack reads has no samples
// or fewer than the others.
std::vector<DecodedRow> decodeStack(const ResolvedStack& stack, const SampleInput& input);

} // namespace decode
