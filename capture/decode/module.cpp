// The table the decoding module hands to the program that loads it.
#include "capture/decode/backend.h"

namespace {

const decode::backend::Entry entry{decode::backend::entryVersion,     decode::decodingAvailable,
                                   decode::unavailableReason,         decode::listDecoders,
                                   decode::describeDecoder,           decode::decodeStack,
                                   decode::backend::dryRunWithoutRate};

} // namespace

extern "C" __attribute__((visibility("default"))) const decode::backend::Entry*
zelmar_decode_entry()
{
    return &entry;
}
