// Decoder requests in sigrok-cli's syntax: what parses is written back to
// the same request, and a refusal is one line with the text escaped.

#include "capture/decode/decoderequest.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/textinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const QString text = fuzzText(in, flags);

    const auto parsed = decode::parseStackRequest(text);
    if (!parsed.ok()) {
        for (const QChar c : parsed.error)
            FUZZ_CHECK(c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() > 0x9F));
        return 0;
    }
    FUZZ_CHECK(parsed.value.helpFor.isEmpty() != parsed.value.decoders.isEmpty());
    for (const auto& decoder : parsed.value.decoders)
        FUZZ_CHECK(!decoder.id.isEmpty());
    const auto again = decode::parseStackRequest(decode::requestText(parsed.value));
    FUZZ_CHECK(again.ok() && again.value == parsed.value);
    return 0;
}
