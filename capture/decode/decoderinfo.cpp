// The help text of a decoder and the words for its option values.

#include "capture/decode/decoderinfo.h"

#include <algorithm>

namespace decode {

namespace {

// Two columns: the ids, then what they mean.
QString listing(const QList<std::pair<QString, QString>>& lines)
{
    qsizetype width = 10;
    for (const auto& line : lines)
        width = std::max(width, line.first.size());
    QString out;
    for (const auto& [id, text] : lines)
        out += text.isEmpty() ? QStringLiteral("  %1\n").arg(id)
                              : QStringLiteral("  %1  %2\n").arg(id.leftJustified(width), text);
    return out;
}

QString channelLine(const DecoderChannel& channel)
{
    return channel.name.isEmpty() || channel.name == channel.description
               ? channel.description
               : QStringLiteral("%1 (%2)").arg(channel.description, channel.name);
}

QString optionLine(const DecoderOption& option)
{
    QString line = option.description.isEmpty() ? option.id : option.description;
    line += QStringLiteral(": ") + optionValueKind(option);
    if (option.defaultValue.isValid())
        line += QStringLiteral(", default ") + optionValueText(option.defaultValue);
    if (!option.values.isEmpty()) {
        QStringList allowed;
        for (const QVariant& value : option.values)
            allowed << optionValueText(value);
        line += QStringLiteral(", one of ") + allowed.join(QStringLiteral(", "));
    }
    return line;
}

} // namespace

QString optionValueKind(const DecoderOption& option)
{
    switch (option.defaultValue.typeId()) {
    case QMetaType::LongLong: return QStringLiteral("a whole number");
    case QMetaType::Double: return QStringLiteral("a number");
    default: return QStringLiteral("text");
    }
}

QString optionValueText(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

QString decoderHelp(const DecoderInfo& info)
{
    QString out = QStringLiteral("%1 (%2): %3\n").arg(info.id, info.name, info.longName);
    if (!info.description.isEmpty())
        out += info.description + u'\n';

    const auto channelList = [](const QList<DecoderChannel>& channels) {
        QList<std::pair<QString, QString>> lines;
        for (const DecoderChannel& channel : channels)
            lines.append({channel.id, channelLine(channel)});
        return listing(lines);
    };
    if (!info.channels.isEmpty())
        out += QStringLiteral("\nChannels, each required:\n") + channelList(info.channels);
    if (!info.optionalChannels.isEmpty())
        out += QStringLiteral("\nChannels, optional:\n") + channelList(info.optionalChannels);
    if (info.channels.isEmpty() && info.optionalChannels.isEmpty())
        out += QStringLiteral("\nChannels: none; it decodes what the decoder below it gives\n");

    if (info.options.isEmpty()) {
        out += QStringLiteral("\nOptions: none\n");
    } else {
        QList<std::pair<QString, QString>> lines;
        for (const DecoderOption& option : info.options)
            lines.append({option.id, optionLine(option)});
        out += QStringLiteral("\nOptions:\n") + listing(lines);
    }

    if (!info.rows.isEmpty()) {
        QList<std::pair<QString, QString>> lines;
        for (const AnnotationRowInfo& row : info.rows)
            lines.append({row.id, row.description});
        out += QStringLiteral("\nAnnotation rows:\n") + listing(lines);
    }
    out += QStringLiteral("\nTakes: %1\nGives: %2\n")
               .arg(info.inputs.join(QStringLiteral(", ")),
                    info.outputs.isEmpty() ? QStringLiteral("nothing to stack on")
                                           : info.outputs.join(QStringLiteral(", ")));
    return out;
}

} // namespace decode
