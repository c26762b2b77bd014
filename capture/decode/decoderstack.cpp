// A request checked against the decoders' declarations and a capture's
// channel names; the sample-rate check is the backend's dry run.

#include "capture/decode/decoderstack.h"

#include "capture/decode/backend.h"
#include "util/fault.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace decode {

namespace {

using Result = Checked<ResolvedStack>;

QString ids(const QList<DecoderChannel>& channels)
{
    QStringList out;
    for (const DecoderChannel& channel : channels)
        out << channel.id;
    return out.join(QStringLiteral(", "));
}

// What a decoder takes, for the messages that refuse a key.
QString takes(const DecoderInfo& info)
{
    QStringList parts;
    if (!info.channels.isEmpty())
        parts << QStringLiteral("channels %1").arg(ids(info.channels));
    if (!info.optionalChannels.isEmpty())
        parts << QStringLiteral("optional channels %1").arg(ids(info.optionalChannels));
    QStringList options;
    for (const DecoderOption& option : info.options)
        options << option.id;
    if (!options.isEmpty())
        parts << QStringLiteral("options %1").arg(options.join(QStringLiteral(", ")));
    if (parts.isEmpty())
        parts << QStringLiteral("no channels and no options");
    return QStringLiteral("%1 takes %2 (%1:help tells more)")
        .arg(info.id, parts.join(QStringLiteral("; ")));
}

const DecoderChannel* findChannel(const DecoderInfo& info, const QString& key)
{
    for (const auto* list : {&info.channels, &info.optionalChannels})
        for (const DecoderChannel& channel : *list)
            if (channel.id == key)
                return &channel;
    return nullptr;
}

const DecoderOption* findOption(const DecoderInfo& info, const QString& key)
{
    for (const DecoderOption& option : info.options)
        if (option.id == key)
            return &option;
    return nullptr;
}

// Our channel number for a channel value, or the reason there is none.
std::optional<int> channelNumber(const QString& value, const QStringList& names, QString& why)
{
    const qsizetype count = names.size();
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (digits.match(value).hasMatch()) {
        bool ok = false;
        const qlonglong number = value.size() <= 9 ? value.toLongLong(&ok) : -1;
        if (ok && number < count)
            return int(number);
        why = count == 0 ? QStringLiteral("the capture has no channels")
                         : QStringLiteral("the capture's channels are 0 to %1").arg(count - 1);
        return std::nullopt;
    }
    QList<int> named;
    for (qsizetype c = 0; c < count; ++c)
        if (names[c] == value)
            named << int(c);
    if (named.size() == 1)
        return named.first();
    if (named.size() > 1) {
        why = QStringLiteral("channels %1 and %2 both have that name: give the number")
                  .arg(named[0])
                  .arg(named[1]);
        return std::nullopt;
    }
    QStringList quoted;
    for (const QString& name : names)
        quoted << quotedText(name, 24);
    why = QStringLiteral("no channel has that name: give a number from 0 to %1 or one of %2")
              .arg(count - 1)
              .arg(quoted.join(QStringLiteral(", ")));
    return std::nullopt;
}

// The option value as its default's type; invalid when it does not convert.
QVariant optionValue(const DecoderOption& option, const QString& text, QString& why)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?(0[xX][0-9A-Fa-f]+|[0-9]+)$"));
    static const QRegularExpression real(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    QVariant value;
    switch (option.defaultValue.typeId()) {
    case QMetaType::LongLong: {
        const QRegularExpressionMatch match = whole.match(text);
        bool ok = false;
        if (match.hasMatch()) {
            const QString number = match.captured(1);
            const bool hex = number.size() > 1 && (number[1] == u'x' || number[1] == u'X');
            QString digits = hex ? number.mid(2) : number;
            if (text.startsWith(u'-'))
                digits.prepend(u'-');
            const qlonglong converted = digits.toLongLong(&ok, hex ? 16 : 10);
            if (ok)
                value = converted;
            else
                why = QStringLiteral("is too large");
        }
        break;
    }
    case QMetaType::Double: {
        bool ok = false;
        const double number = real.match(text).hasMatch() ? text.toDouble(&ok) : 0.0;
        if (ok && std::isfinite(number))
            value = number;
        else if (ok)
            why = QStringLiteral("is too large");
        break;
    }
    default: value = text; break;
    }
    if (!value.isValid() && why.isEmpty())
        why = QStringLiteral("is not %1").arg(optionValueKind(option));
    if (!value.isValid() || option.values.isEmpty())
        return value;
    for (const QVariant& allowed : option.values)
        if (allowed == value)
            return value;
    why = QString();
    return QVariant();
}

QString allowedValues(const DecoderOption& option)
{
    QStringList values;
    for (const QVariant& value : option.values)
        values << optionValueText(value);
    return values.join(QStringLiteral(", "));
}

// The settings of one decoder, or the usage error.
QString resolveSettings(const DecoderRequest& request, int position, const QString& below,
                        const QStringList& names, ResolvedDecoder& decoder)
{
    const DecoderInfo& info = decoder.info;
    QStringList seen;
    for (const DecoderSetting& setting : request.settings) {
        const QString key = quotedText(setting.key);
        const QString given = QStringLiteral("%1=%2").arg(setting.key, setting.value);
        if (seen.contains(setting.key))
            return QStringLiteral("%1: %2 is given twice").arg(info.id, key);
        seen << setting.key;
        if (const DecoderChannel* channel = findChannel(info, setting.key)) {
            if (position > 0)
                return QStringLiteral("%1 is stacked on %2 and reads no channels: give %3 to the "
                                      "bottom decoder")
                    .arg(info.id, below, quotedText(given));
            if (!setting.hasValue || setting.value.isEmpty())
                return QStringLiteral("%1: channel %2 has no value: give %2=CHANNEL, a channel's "
                                      "number or name")
                    .arg(info.id, channel->id);
            QString why;
            const auto number = channelNumber(setting.value, names, why);
            if (!number)
                return QStringLiteral("%1: channel %2: %3").arg(info.id, quotedText(given), why);
            decoder.channels.append({channel->id, *number});
        } else if (const DecoderOption* option = findOption(info, setting.key)) {
            if (!setting.hasValue)
                return QStringLiteral("%1: option %2 has no value: give %2=VALUE, %3")
                    .arg(info.id, option->id, optionValueKind(*option));
            QString why;
            const QVariant value = optionValue(*option, setting.value, why);
            if (!value.isValid() && why.isEmpty())
                return QStringLiteral("%1: option %2 is not one of %3")
                    .arg(info.id, quotedText(given), allowedValues(*option));
            if (!value.isValid())
                return QStringLiteral("%1: option %2 %3").arg(info.id, quotedText(given), why);
            decoder.options.append({option->id, value});
        } else {
            return QStringLiteral("%1 has no channel or option %2: %3")
                .arg(info.id, key, takes(info));
        }
    }
    return QString();
}

// What the bottom decoder needs beyond its settings.
QString checkBottom(const ResolvedDecoder& decoder)
{
    const DecoderInfo& info = decoder.info;
    if (!info.inputs.contains(QStringLiteral("logic")))
        return QStringLiteral("%1 decodes what another decoder gives (%2), not samples: stack it "
                              "on one that gives it, as in DECODER:…,%1")
            .arg(info.id, info.inputs.join(QStringLiteral(", ")));
    QStringList missing;
    for (const DecoderChannel& channel : info.channels)
        if (std::none_of(decoder.channels.begin(), decoder.channels.end(),
                         [&](const auto& given) { return given.first == channel.id; }))
            missing << channel.id;
    if (!missing.isEmpty())
        return QStringLiteral("%1 needs its channel%2 %3: %4")
            .arg(info.id, missing.size() > 1 ? QStringLiteral("s") : QString(),
                 missing.join(QStringLiteral(", ")), takes(info));
    if (decoder.channels.isEmpty())
        return QStringLiteral("%1 needs at least one of its channels %2: %3")
            .arg(info.id, ids(info.optionalChannels), takes(info));
    return QString();
}

} // namespace

QList<int> ResolvedStack::channelsUsed() const
{
    QList<int> used;
    if (!decoders.isEmpty())
        for (const auto& [id, channel] : decoders.first().channels)
            if (!used.contains(channel))
                used << channel;
    std::sort(used.begin(), used.end());
    return used;
}

Checked<ResolvedStack> resolveStack(const StackRequest& request, const QStringList& channelNames,
                                    bool sampleRateKnown)
{
    ResolvedStack stack;
    stack.text = requestText(request);
    if (request.decoders.isEmpty())
        return Result::refused(QStringLiteral("no decoder given"));
    for (qsizetype position = 0; position < request.decoders.size(); ++position) {
        const DecoderRequest& asked = request.decoders[position];
        Checked<DecoderInfo> info = describeDecoder(asked.id);
        if (!info.ok())
            return Result::refused(info.error);
        ResolvedDecoder decoder{info.value, {}, {}};
        const QString below = position > 0 ? stack.decoders.last().info.id : QString();
        QString error = resolveSettings(asked, int(position), below, channelNames, decoder);
        if (error.isEmpty() && position == 0)
            error = checkBottom(decoder);
        if (error.isEmpty() && position > 0) {
            const QStringList& gives = stack.decoders.last().info.outputs;
            if (std::none_of(gives.begin(), gives.end(), [&](const QString& output) {
                    return decoder.info.inputs.contains(output);
                }))
                error =
                    QStringLiteral("%1 cannot be stacked on %2: %1 takes %3, %2 gives %4")
                        .arg(decoder.info.id, below, decoder.info.inputs.join(QStringLiteral(", ")),
                             gives.isEmpty() ? QStringLiteral("nothing")
                                             : gives.join(QStringLiteral(", ")));
        }
        for (const DecoderOption& option : decoder.info.options)
            if (error.isEmpty() && !option.defaultValue.isValid())
                error = QStringLiteral("%1: option %2 has no default, which libsigrokdecode "
                                       "cannot run")
                            .arg(decoder.info.id, option.id);
        if (!error.isEmpty())
            return Result::refused(error);
        stack.decoders.append(decoder);
    }
    if (!sampleRateKnown) {
        const QString error = backend::dryRunWithoutRate(stack);
        if (!error.isEmpty())
            return Result::refused(error);
    }
    return Result{stack, {}};
}

} // namespace decode
