// splitpath in every mode: the joined modes agree with the pieces.

#include "fuzz/fuzzinput.h"
#include "util/basicutilities.h"

#include <array>

namespace {

bool hasDropped(const QString& s)
{
    for (QChar c : s) {
        switch (c.unicode()) {
        case '/':
        case '*':
        case '?':
        case '<':
        case '>':
        case '|': return true;
        }
    }
    return false;
}

QString trimSpaces(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    if (b == e)
        return s;
    while (s[e - 1] == QLatin1Char(' '))
        --e;
    return s.sliced(b, e - b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const auto mode = static_cast<qint16>(in.int32());
    const QString path0 = in.text(flags & 1); // no limit to reach: no repeats

    QString path = path0;
    const QString any = basicutilities::splitpath(path, mode);
    FUZZ_CHECK(path == trimSpaces(path0));

    std::array<QString, 6> r;
    for (qint16 m = 0; m < 6; ++m) {
        QString p = path0;
        r[m] = basicutilities::splitpath(p, m);
        FUZZ_CHECK(p == path);
        FUZZ_CHECK(!hasDropped(r[m]));
        if (path0.isEmpty())
            FUZZ_CHECK(r[m].isEmpty());
    }
    FUZZ_CHECK(any == (mode >= 0 && mode < 6 ? r[mode] : QString()));
    if (path0.isEmpty())
        return 0;

    const QString back = QStringLiteral("\\");
    FUZZ_CHECK(r[4] == r[3] + back + r[0]);
    FUZZ_CHECK(r[5] == r[3] + back + r[1]);
    FUZZ_CHECK(r[0] == r[1] + QLatin1Char('.') + r[2] || (r[2].isEmpty() && r[0] == r[1]));
    for (int m : {0, 1, 2})
        FUZZ_CHECK(!r[m].contains(back));
    FUZZ_CHECK(!r[1].contains(QLatin1Char('.')) && !r[2].contains(QLatin1Char('.')));
    return 0;
}
