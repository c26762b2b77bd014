// getfield in trim, count and field modes, and cutFields against it.

#include "fuzz/fuzzinput.h"
#include "fuzz/textinput.h"
#include "util/basicutilities.h"
#include "util/fault.h"

#include <QStringView>

#include <array>

namespace {

qint32 fieldNumber(FuzzInput& in)
{
    const std::uint8_t pick = in.byte();
    if (pick < 200)
        return pick % 24 - 3; // around the modes' borders
    if (pick < 240)
        return 7990 + pick % 20; // around the field limit
    return in.int32();
}

QString delimiterOf(FuzzInput& in)
{
    switch (in.byte() % 6) {
    case 0:
    case 1: return QStringLiteral(",");
    case 2: return QStringLiteral(" ");
    case 3: return QString();
    default: return in.shortText();
    }
}

// The one-character rule on the working text: k occurrences make k + 1
// fields, and a trailing delimiter opens no field for the count. Scanned
// without allocating, so that long texts stay cheap.
struct Reference {
    QString work;
    QChar delimiter;
    qsizetype occurrences = 0;
    qsizetype count = 0;

    // Field n (from 1), or an empty view past the last one.
    QStringView field(qsizetype n) const
    {
        qsizetype start = 0;
        for (qsizetype f = 1; f < n; ++f) {
            const qsizetype at = work.indexOf(delimiter, start);
            if (at < 0)
                return {};
            start = at + 1;
        }
        const qsizetype at = work.indexOf(delimiter, start);
        return QStringView(work).sliced(start, (at < 0 ? work.size() : at) - start);
    }
};

Reference reference(const QString& text, QChar delimiter, bool collapse)
{
    Reference r;
    r.delimiter = delimiter;
    if (collapse) {
        // Words joined by one space; a trailing run of spaces leaves one.
        r.work.reserve(text.size());
        for (QStringView word : QStringView(text).tokenize(u' ', Qt::SkipEmptyParts)) {
            r.work += word;
            r.work += QLatin1Char(' ');
        }
        if (!r.work.isEmpty() && !text.endsWith(QLatin1Char(' ')))
            r.work.chop(1);
    } else {
        r.work = text;
    }
    r.occurrences = r.work.count(delimiter);
    r.count = r.work.isEmpty() ? 0 : r.occurrences + 1 - (r.work.endsWith(delimiter) ? 1 : 0);
    return r;
}

void checkTrim(const QString& original, const QString& delimiter, const QString& written,
               const QString& result)
{
    FUZZ_CHECK(original.endsWith(written));
    FUZZ_CHECK(written.startsWith(result));
    if (delimiter.isEmpty()) {
        FUZZ_CHECK(written == original && result == original);
        return;
    }
    FUZZ_CHECK(!written.startsWith(delimiter));
    FUZZ_CHECK(!result.endsWith(delimiter));
    FUZZ_CHECK(
        QString(original.first(original.size() - written.size())).remove(delimiter).isEmpty());
    FUZZ_CHECK(QString(written.sliced(result.size())).remove(delimiter).isEmpty());
}

void checkCut(const QString& text, QChar delimiter, const Reference& ref, std::uint8_t wanted)
{
    std::array<basicutilities::FieldSpan, 40> spans;
    const std::size_t n = wanted % spans.size();
    const qsizetype found = basicutilities::cutFields(text, delimiter, std::span(spans.data(), n));
    FUZZ_CHECK(found == qMin<qsizetype>(qsizetype(n), ref.occurrences + 1));
    for (std::size_t i = 0; i < n; ++i) {
        const auto& s = spans[i];
        FUZZ_CHECK(s.start >= 0 && s.length >= 0 && s.start + s.length <= text.size());
        FUZZ_CHECK(QStringView(text).sliced(s.start, s.length) == ref.field(qsizetype(i) + 1));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const std::uint8_t wanted = in.byte();
    const qint32 n = fieldNumber(in);
    const QString delimiter0 = delimiterOf(in);
    const QString text0 = fuzzText(in, flags);

    QString text = text0;
    QString delimiter = delimiter0;
    QString result;
    bool faulted = false;
    try {
        result = basicutilities::getfield(text, n, delimiter);
    } catch (const Fault& fault) {
        FUZZ_CHECK(fault.kind() == FaultKind::SubscriptOutOfRange);
        faulted = true;
    }

    if (n == -1) {
        FUZZ_CHECK(!faulted && delimiter == delimiter0);
        checkTrim(text0, delimiter0, text, result);
        return 0;
    }

    const bool collapse = delimiter0.isEmpty() || delimiter0 == QLatin1String(" ");
    FUZZ_CHECK(text == text0);
    FUZZ_CHECK(delimiter == (collapse ? QStringLiteral(" ") : delimiter0));
    if (delimiter.size() != 1)
        return 0;

    const Reference ref = reference(text0, delimiter.front(), collapse);
    const bool count = n <= 0;
    const bool overLimit = count ? ref.occurrences > 7998 : (n == 8000 && ref.occurrences >= 8000);
    FUZZ_CHECK(faulted == overLimit);
    if (!faulted) {
        if (count)
            FUZZ_CHECK(result == QString::number(ref.count));
        else if (n > 8000 || n > ref.occurrences + 1)
            FUZZ_CHECK(result.isEmpty());
        else
            FUZZ_CHECK(result == ref.field(n));
    }
    if (!collapse)
        checkCut(text0, delimiter.front(), ref, wanted);
    return 0;
}
