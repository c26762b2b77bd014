#pragma once

// What the shared code asks of the decoding library, answered by the real
// one (interpreter.cpp and the rest, built as a module of their own) or by
// the stub (unavailable.cpp).

#include "capture/decode/decodedrows.h"
#include "capture/decode/decoderinfo.h"
#include "capture/decode/decoderstack.h"

#include <QString>

namespace decode::backend {

// Runs `stack` without a sample rate on a few made-up samples: the usage
// error when it cannot go without one (or its start() fails), else "".
QString dryRunWithoutRate(const ResolvedStack& stack);

// The module holds libsigrokdecode and its Python, which cost every run
// that links them some time: the programs load it on the first call that
// needs a decoder (module.cpp gives this table, loader.cpp calls through it).
struct Entry {
    int version;
    bool (*decodingAvailable)();
    QString (*unavailableReason)();
    Checked<QList<DecoderSummary>> (*listDecoders)();
    Checked<DecoderInfo> (*describeDecoder)(const QString& id);
    std::vector<DecodedRow> (*decodeStack)(const ResolvedStack& stack, const SampleInput& input);
    QString (*dryRunWithoutRate)(const ResolvedStack& stack);
};
// Changes with Entry or any type it passes: a module of another build is refused.
inline constexpr int entryVersion = 1;
inline constexpr char entrySymbol[] = "zelmar_decode_entry";

} // namespace decode::backend
