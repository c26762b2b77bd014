// Writes the value change dump of a level table.
#include "capture/valuechangedump.h"

#include "util/numbers.h"

#include <QSet>

#include <cmath>
#include <limits>

DumpTimescale dumpTimescale(const QString& resolution, int unitindex)
{
    DumpTimescale scale{QStringLiteral("1 ns"), 1, false};
    static constexpr double femtosecondsPer[] = {1e6, 1e9, 1e12}; // ns, us, ms
    if (unitindex < 0 || unitindex > 2 || resolution.isEmpty())
        return scale;
    const double femtoseconds = numbers::leadingNumber(resolution) * femtosecondsPer[unitindex];
    // Beyond 2^62 fs (about 77 minutes a sample) times would leave 64 bits.
    if (!(femtoseconds >= 0.5) || femtoseconds > 4.6e18)
        return scale;
    std::int64_t period = std::llround(femtoseconds);
    int exponent = 0;
    // The last time written is sampleCount steps: a period given to more
    // digits than that leaves room for is rounded to fewer.
    while (period > std::numeric_limits<std::int64_t>::max() / sampleCount) {
        period = (period + 5) / 10;
        ++exponent;
    }
    while (exponent < 15 && period % 10 == 0) {
        period /= 10;
        ++exponent;
    }
    static const char* const units[] = {"fs", "ps", "ns", "us", "ms", "s"};
    static constexpr int magnitudes[] = {1, 10, 100};
    scale.timescale = QStringLiteral("%1 %2")
                          .arg(magnitudes[exponent % 3])
                          .arg(QLatin1String(units[exponent / 3]));
    scale.step = period;
    scale.known = true;
    return scale;
}

QStringList dumpNames(const LevelTable& levels)
{
    QStringList names;
    QSet<QString> taken;
    for (int slot = 0; slot <= levels.lastslot; ++slot) {
        const QString& given = levels.slotnames[std::size_t(slot)];
        QString name;
        for (const QChar c : given)
            name += c.unicode() < 128 && (c.isLetterOrNumber() || c == u'_') ? c : QChar(u'_');
        if (name.isEmpty())
            name = QStringLiteral("channel%1").arg(levels.channels[std::size_t(slot)]);
        if (name.front().isDigit())
            name.prepend(u'_');
        QString unique = name;
        for (int n = 2; taken.contains(unique); ++n)
            unique = QStringLiteral("%1_%2").arg(name).arg(n);
        taken.insert(unique);
        names << unique;
    }
    return names;
}

QByteArray valueChangeDump(const LevelTable& levels, const DumpSettings& settings)
{
    const DumpTimescale scale = dumpTimescale(settings.resolution, settings.unitindex);
    const QStringList names = dumpNames(levels);
    const int first = qBound(0, settings.firstsample, sampleCount - 1);
    const int last = qBound(first, settings.lastsample, sampleCount - 1);
    // Identifier codes are single printable characters from "!".
    const auto code = [](int slot) { return char('!' + slot); };
    const auto bit = [&](int slot, int sample) {
        return levels.levels[std::size_t(slot)][std::size_t(sample)] != 0 ? '1' : '0';
    };

    // The comment keeps the heading on one line, whatever it holds.
    QString comment = settings.heading.simplified();
    comment.replace(QLatin1String("$end"), QLatin1String("$ end"));
    QByteArray out;
    out += "$comment " + comment.toUtf8() + " $end\n";
    if (!scale.known)
        out += "$comment sample period unknown: one time unit a sample $end\n";
    out += "$version zelmar-pdf $end\n";
    out += "$timescale " + scale.timescale.toLatin1() + " $end\n";
    out += "$scope module capture $end\n";
    for (int slot = 0; slot <= levels.lastslot; ++slot)
        out += QByteArray("$var wire 1 ") + code(slot) + ' ' + names[slot].toLatin1() + " $end\n";
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
