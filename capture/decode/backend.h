#pragma once

// What the shared code asks of the decoding library, answered by the real
// one (interpreter.cpp and the rest) or by the stub (unavailable.cpp).

#include "capture/decode/decoderstack.h"

#include <QString>

namespace decode::backend {

// Runs `stack` without a sample rate on a few made-up samples: the usage
// error when it cannot go without one (or its start() fails), else "".
QString dryRunWithoutRate(const ResolvedStack& stack);

} // namespace decode::backend
