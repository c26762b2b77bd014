// stripper: words of a header line, each followed by one space.

#include "util/stripper.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/textinput.h"
#include "util/fault.h"

#include <QStringView>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const QString text0 = fuzzText(in, flags);

    QString blanked = text0;
    blanked.replace(QLatin1Char(','), QLatin1Char(' ')).replace(QLatin1Char('"'), QLatin1Char(' '));
    // Words each followed by a space, built without an allocation per word.
    QString expected;
    expected.reserve(blanked.size() + 1);
    qsizetype words = 0;
    for (QStringView word : QStringView(blanked).tokenize(u' ', Qt::SkipEmptyParts)) {
        expected += word;
        expected += QLatin1Char(' ');
        ++words;
    }
    const bool trailing = words > 0 && blanked.endsWith(QLatin1Char(' '));
    const qsizetype occurrences = words == 0 ? 0 : words - 1 + (trailing ? 1 : 0);

    QString datain = text0;
    QString result;
    bool faulted = false;
    try {
        result = stripper(datain);
    } catch (const Fault& fault) {
        FUZZ_CHECK(fault.kind() == FaultKind::SubscriptOutOfRange);
        faulted = true;
    }
    FUZZ_CHECK(datain == blanked);
    FUZZ_CHECK(faulted == (occurrences > 7998));
    if (!faulted)
        FUZZ_CHECK(result == expected);
    return 0;
}
