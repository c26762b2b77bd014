// A decode of a capture's samples, and the dry run that tells whether a
// stack needs a sample rate.

#include "capture/decode/backend.h"
#include "capture/decode/decodedrows.h"
#include "capture/decode/stacksession.h"

#include "util/fault.h"

#include <algorithm>
#include <map>
#include <new>

namespace decode {

namespace {

unsigned unitSizeFor(qsizetype channels)
{
    return unsigned(std::max<qsizetype>(1, (channels + 7) / 8));
}

// Bit j of each sample is the j-th channel the stack reads.
std::vector<std::uint8_t> pack(const ResolvedStack& stack, const SampleInput& input, quint64& count,
                               unsigned& unitSize)
{
    const QList<int> used = stack.channelsUsed();
    unitSize = unitSizeFor(used.size());
    count = 0;
    for (qsizetype j = 0; j < used.size(); ++j) {
        const auto c = std::size_t(used[j]);
        if (c >= input.levels.size() || (j > 0 && input.levels[c].size() != count))
            throw Fault(FaultKind::SubscriptOutOfRange,
                        QStringLiteral("the decoder's samples are missing"))
                .onChannel(used[j]);
        count = input.levels[c].size();
    }
    std::vector<std::uint8_t> samples(std::size_t(count) * unitSize);
    for (qsizetype j = 0; j < used.size(); ++j) {
        const std::vector<quint8>& levels = input.levels[std::size_t(used[j])];
        const auto bit = std::uint8_t(1u << (j % 8));
        for (std::size_t i = 0; i < levels.size(); ++i)
            if (levels[i])
                samples[i * unitSize + std::size_t(j / 8)] |= bit;
    }
    return samples;
}

// Far beyond what a decoder needs: a second per 100,000 samples, ten at least.
std::chrono::milliseconds limitFor(quint64 samples)
{
    return std::chrono::seconds(10 + samples / 100000);
}

Fault stopped(const StackSession& session, const QStringList& errors, const QString& what)
{
    const QString text = interpreter::exceptionText(errors);
    const QString decoder = session.decoderNamedIn(errors.isEmpty() ? QString() : errors.first());
    return Fault(FaultKind::DecoderError,
                 text.isEmpty() ? QStringLiteral("%1 %2").arg(decoder, what)
                                : QStringLiteral("%1 %2: %3").arg(decoder, what, quotedText(text)));
}

// What the dry run's verdict depends on: the decoders, their options and
// which of their channels are given (not which of ours they read).
QString dryRunKey(const ResolvedStack& stack)
{
    QStringList parts;
    for (const ResolvedDecoder& decoder : stack.decoders) {
        QString part = decoder.info.id;
        for (const auto& [id, value] : decoder.options)
            part += QStringLiteral(":%1=%2").arg(id, optionValueText(value));
        for (const auto& [id, channel] : decoder.channels)
            part += QStringLiteral(":%1").arg(id);
        parts << part;
    }
    return parts.join(u',');
}

// Whether a dry run without a rate failed for the want of one: a
// SamplerateError ("uart.pd.SamplerateError: Cannot decode without
// samplerate.", each decoder declares its own class of that name, and a few
// forget to import it: "NameError: name 'SamplerateError' is not defined"),
// an exception about the rate ("AttributeError: 'Decoder' object has no
// attribute 'samplerate'": only the library's metadata() call sets it), or
// one raised by a line that reads the rate ("TypeError: unsupported operand
// type(s) for /: 'NoneType' and 'int'" from "self.samplerate / baudrate").
bool needsRate(const QStringList& errors)
{
    const QString exception = interpreter::exceptionText(errors);
    return exception.contains(QLatin1String("samplerate"), Qt::CaseInsensitive)
           || interpreter::failingLine(errors).contains(QLatin1String("samplerate"),
                                                        Qt::CaseInsensitive);
}

} // namespace

std::vector<DecodedRow> decodeStack(const ResolvedStack& stack, const SampleInput& input)
{
    quint64 count = 0;
    unsigned unitSize = 1;
    const std::vector<std::uint8_t> samples = pack(stack, input, count, unitSize);

    std::vector<DecodedRow> rows;
    {
        interpreter::Hold hold;
        if (!hold.startError().isEmpty())
            throw Fault(FaultKind::DecoderError, hold.startError());
        StackSession session(hold, stack, input.sampleRate);
        if (!session.setupError().isEmpty())
            throw stopped(session, {session.setupError()}, QStringLiteral("could not be set up"));
        session.setFirstSample(input.firstSample);
        const bool ran = session.start() && session.send(samples, count, unitSize, limitFor(count));
        session.finish();
        const QStringList errors = hold.takeErrors();
        if (session.timedOut())
            throw Fault(
                FaultKind::DecoderError,
                QStringLiteral("%1 did not finish %2 samples within %3 seconds")
                    .arg(session.decoderNamedIn(errors.isEmpty() ? QString() : errors.first()))
                    .arg(count)
                    .arg(limitFor(count).count() / 1000));
        if (!ran || !errors.isEmpty())
            throw stopped(session, errors, QStringLiteral("stopped"));
        if (session.lostAnnotation())
            throw std::bad_alloc();
        rows = std::move(session.rows());
    }
    for (DecodedRow& row : rows)
        std::stable_sort(row.annotations.begin(), row.annotations.end(),
                         [](const Annotation& a, const Annotation& b) {
                             return a.start < b.start;
                         });
    return rows;
}

QString backend::dryRunWithoutRate(const ResolvedStack& stack)
{
    interpreter::Hold hold;
    static std::map<QString, QString> verdicts; // under the hold
    const QString key = dryRunKey(stack);
    if (const auto found = verdicts.find(key); found != verdicts.end())
        return found->second;

    // Every channel changes, each at its own pace, so that a decoder gets
    // past its first wait() for an edge.
    constexpr quint64 count = 64;
    const qsizetype channels = stack.channelsUsed().size();
    const unsigned unitSize = unitSizeFor(channels);
    std::vector<std::uint8_t> samples(count * unitSize);
    for (quint64 i = 0; i < count; ++i)
        for (qsizetype j = 0; j < channels; ++j)
            if ((i / quint64(1 + j % 4)) % 2)
                samples[i * unitSize + std::size_t(j / 8)] |= std::uint8_t(1u << (j % 8));

    QString verdict;
    StackSession session(hold, stack, 0);
    if (!session.setupError().isEmpty()) {
        verdict = stopped(session, {session.setupError()}, QStringLiteral("could not be set up"))
                      .detail();
    } else {
        const bool started = session.start();
        if (started)
            session.send(samples, count, unitSize, std::chrono::seconds(2));
        session.finish();
        const QStringList errors = hold.takeErrors();
        const QString exception = interpreter::exceptionText(errors);
        const QString decoder =
            session.decoderNamedIn(errors.isEmpty() ? QString() : errors.first());
        // One that does not finish 64 samples without a rate will not finish a capture.
        if (needsRate(errors) || session.timedOut())
            verdict = QStringLiteral("%1 needs the sample rate, and the sample period is not "
                                     "known: give the period (resolution and unit)")
                          .arg(decoder);
        else if (!started)
            verdict = QStringLiteral("%1 does not start with these options: %2")
                          .arg(decoder, quotedText(exception));
    }
    verdicts.emplace(key, verdict);
    return verdict;
}

} // namespace decode
