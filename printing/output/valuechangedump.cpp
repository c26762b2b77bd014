// Writes the value change dump of a level table.
#include "printing/output/valuechangedump.h"

#include "util/fault.h"
#include "util/numbers.h"

#include <QSet>

#include <algorithm>
#include <limits>

DumpTimescale dumpTimescale(const SamplePeriod& period, int samplecount)
{
    DumpTimescale scale{QStringLiteral("1 ns"), 1, false};
    static constexpr int femtosecondPowers[] = {6, 9, 12}; // ns, us, ms
    if (period.unitindex < 0 || period.unitindex > 2 || period.typed.isEmpty())
        return scale;
    // From the digits as typed: a double would get the last of 16 wrong.
    const std::optional<numbers::Decimal>& exact = period.exact;
    const int power = femtosecondPowers[period.unitindex];
    const auto femtoseconds = exact ? numbers::scaledWhole(*exact, power) : std::nullopt;
    // Beyond 2^62 fs (about 77 minutes a sample) times would leave 64 bits.
    if (!femtoseconds || *femtoseconds < 1 || *femtoseconds > 4'600'000'000'000'000'000)
        return scale;
    std::int64_t step = *femtoseconds;
    int exponent = 0;
    // The last time written is samplecount steps: a period given to more
    // digits than that leaves room for is rounded to fewer.
    while (step > std::numeric_limits<std::int64_t>::max() / std::max(samplecount, 1))
        step = *numbers::scaledWhole(*exact, power - ++exponent);
    while (exponent < 15 && step % 10 == 0) {
        step /= 10;
        ++exponent;
    }
    static const char* const units[] = {"fs", "ps", "ns", "us", "ms", "s"};
    static constexpr int magnitudes[] = {1, 10, 100};
    scale.timescale = QStringLiteral("%1 %2")
                          .arg(magnitudes[exponent % 3])
                          .arg(QLatin1String(units[exponent / 3]));
    scale.step = step;
    scale.known = true;
    return scale;
}

namespace {

// A name as a reference may hold it: printable ASCII stays ("CS#" keeps its
// mark), "_" takes the place of the rest, and of what the format reads as
// its own: a blank ends the word, "[" and "]" make a bit select ("D[7:0]"
// would claim eight bits of a 1-bit wire), and a "$" that starts the name or
// "$end" is a keyword (sigrok ends a declaration at any "$end": "x$end"
// reads as "x").
QString referenceName(const QString& given)
{
    QString name = given;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = given[i].unicode();
        const bool keyword =
            c == u'$' && (i == 0 || QStringView(given).sliced(i).startsWith(u"$end"));
        if (c <= u' ' || c >= 0x7F || c == u'[' || c == u']' || keyword)
            name[i] = u'_';
    }
    return name;
}

// Identifier codes of printable characters from "!" to "~": one character
// for the first 94 slots, more after them.
QByteArray identifierCode(int slot)
{
    constexpr int digits = '~' - '!' + 1;
    QByteArray code;
    for (int n = slot; n >= 0; n = n / digits - 1)
        code.prepend(char('!' + n % digits));
    return code;
}

} // namespace

QStringList dumpNames(const LevelTable& levels)
{
    QStringList names;
    QSet<QString> taken;
    for (int slot = 0; slot <= levels.lastslot; ++slot) {
        QString name = referenceName(levels.slotnames[std::size_t(slot)]);
        if (name.isEmpty())
            name = QStringLiteral("channel%1").arg(levels.channels[std::size_t(slot)]);
        QString unique = name;
        for (int n = 2; taken.contains(unique); ++n)
            unique = QStringLiteral("%1_%2").arg(name).arg(n);
        taken.insert(unique);
        names << unique;
    }
    return names;
}

QByteArray valueChangeDump(const LevelTable& levels, const PageRequest& request)
{
    const int count = levels.samplecount;
    const DumpTimescale scale = dumpTimescale(request.period, count);
    const QStringList names = dumpNames(levels);
    const int first = qBound(0, request.options.firstsample, count - 1);
    const int last = qBound(first, request.options.lastIn(count), count - 1);
    const auto code = [](int slot) { return identifierCode(slot); };
    const auto bit = [&](int slot, int sample) {
        return levels.levels[std::size_t(slot)][std::size_t(sample)] != 0 ? '1' : '0';
    };

    // The comment keeps the heading on one line, with no control character:
    // at a NUL sigrok reads no samples at all.
    QString comment = escapedText(request.heading.simplified());
    comment.replace(QLatin1String("$end"), QLatin1String("$ end"));
    QByteArray out;
    out += "$comment " + comment.toUtf8() + " $end\n";
    if (!scale.known)
        out += "$comment sample period unknown: one time unit a sample $end\n";
    out += "$version zelmar-pdf $end\n";
    out += "$timescale " + scale.timescale.toLatin1() + " $end\n";
    out += "$scope module capture $end\n";
    for (int slot = 0; slot <= levels.lastslot; ++slot)
        out += "$var wire 1 " + code(slot) + ' ' + names[slot].toLatin1() + " $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";

    out += '#' + QByteArray::number(std::int64_t(first) * scale.step) + "\n$dumpvars\n";
    for (int slot = 0; slot <= levels.lastslot; ++slot)
        out += QByteArray() + bit(slot, first) + code(slot) + '\n';
    out += "$end\n";
    for (int sample = first + 1; sample <= last; ++sample) {
        bool stamped = false;
        for (int slot = 0; slot <= levels.lastslot; ++slot) {
            if (bit(slot, sample) == bit(slot, sample - 1))
                continue;
            if (!stamped)
                out += '#' + QByteArray::number(std::int64_t(sample) * scale.step) + '\n';
            stamped = true;
            out += QByteArray() + bit(slot, sample) + code(slot) + '\n';
        }
    }
    // The end of the last sample, so that a viewer shows it whole.
    out += '#' + QByteArray::number(std::int64_t(last + 1) * scale.step) + '\n';
    return out;
}
