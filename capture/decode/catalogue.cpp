// The installed decoders as libsigrokdecode loads them.

#include "capture/decode/decoderinfo.h"
#include "capture/decode/interpreter.h"

#include "util/fault.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <libsigrokdecode/libsigrokdecode.h>

#include <algorithm>
#include <map>

namespace decode {

namespace {

QString text(const char* utf8) { return utf8 ? QString::fromUtf8(utf8) : QString(); }

QVariant valueOf(GVariant* value)
{
    if (!value)
        return QVariant();
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT64))
        return QVariant(qint64(g_variant_get_int64(value)));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
        return QVariant(g_variant_get_double(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
        return QVariant(text(g_variant_get_string(value, nullptr)));
    return QVariant();
}

QList<DecoderChannel> channelsOf(const GSList* list)
{
    QList<DecoderChannel> channels;
    for (const GSList* l = list; l; l = l->next) {
        const auto* channel = static_cast<const srd_channel*>(l->data);
        channels.append({text(channel->id), text(channel->name), text(channel->desc)});
    }
    return channels;
}

QStringList textsOf(const GSList* list)
{
    QStringList texts;
    for (const GSList* l = list; l; l = l->next)
        texts << text(static_cast<const char*>(l->data));
    return texts;
}

DecoderInfo infoOf(const srd_decoder& decoder)
{
    DecoderInfo info;
    info.id = text(decoder.id);
    info.name = text(decoder.name);
    info.longName = text(decoder.longname);
    info.description = text(decoder.desc);
    info.channels = channelsOf(decoder.channels);
    info.optionalChannels = channelsOf(decoder.opt_channels);
    for (const GSList* l = decoder.options; l; l = l->next) {
        const auto* option = static_cast<const srd_decoder_option*>(l->data);
        DecoderOption out{text(option->id), text(option->desc), valueOf(option->def), {}};
        for (const GSList* v = option->values; v; v = v->next)
            out.values << valueOf(static_cast<GVariant*>(v->data));
        info.options.append(out);
    }
    for (const GSList* l = decoder.annotations; l; l = l->next) {
        const auto* pair = static_cast<char* const*>(l->data);
        info.annotations.append({text(pair[0]), pair[0] ? text(pair[1]) : QString()});
    }
    for (const GSList* l = decoder.annotation_rows; l; l = l->next) {
        const auto* row = static_cast<const srd_decoder_annotation_row*>(l->data);
        AnnotationRowInfo out{text(row->id), text(row->desc), {}};
        for (const GSList* c = row->ann_classes; c; c = c->next)
            out.classes << GPOINTER_TO_INT(c->data);
        info.rows.append(out);
    }
    info.inputs = textsOf(decoder.inputs);
    info.outputs = textsOf(decoder.outputs);
    return info;
}

// Only a folder with a decoder in a search path may be loaded: the library
// imports any Python module by the name it is given.
bool installed(const QString& id)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_]{1,64}$"));
    if (!form.match(id).hasMatch())
        return false;
    GSList* paths = srd_searchpaths_get();
    bool found = false;
    for (const GSList* l = paths; l && !found; l = l->next)
        found = QFileInfo(
                    QStringLiteral("%1/%2/pd.py").arg(text(static_cast<const char*>(l->data)), id))
                    .isFile();
    g_slist_free_full(paths, g_free);
    return found;
}

QString unknown(const QString& id)
{
    return QStringLiteral("unknown decoder %1: --list-decoders shows the installed ones")
        .arg(quotedText(id));
}

} // namespace

bool decodingAvailable() { return interpreter::Hold().startError().isEmpty(); }

QString unavailableReason() { return interpreter::Hold().startError(); }

Checked<QList<DecoderSummary>> listDecoders()
{
    using Result = Checked<QList<DecoderSummary>>;
    interpreter::Hold hold;
    if (!hold.startError().isEmpty())
        return Result::refused(hold.startError());
    // A decoder that does not load is left out, as sigrok-cli leaves it out.
    srd_decoder_load_all();
    hold.takeErrors();
    QList<DecoderSummary> list;
    for (const GSList* l = srd_decoder_list(); l; l = l->next) {
        const auto* decoder = static_cast<const srd_decoder*>(l->data);
        list.append({text(decoder->id), text(decoder->longname)});
    }
    std::sort(list.begin(), list.end(),
              [](const DecoderSummary& a, const DecoderSummary& b) { return a.id < b.id; });
    return Result{list, {}};
}

Checked<DecoderInfo> describeDecoder(const QString& id)
{
    using Result = Checked<DecoderInfo>;
    interpreter::Hold hold;
    if (!hold.startError().isEmpty())
        return Result::refused(hold.startError());
    static std::map<QString, DecoderInfo> known; // under the hold
    if (const auto found = known.find(id); found != known.end())
        return Result{found->second, {}};

    const QByteArray name = id.toUtf8();
    const srd_decoder* decoder = srd_decoder_get_by_id(name.constData());
    if (!decoder) {
        if (!installed(id))
            return Result::refused(unknown(id));
        srd_decoder_load(name.constData());
        decoder = srd_decoder_get_by_id(name.constData());
    }
    if (!decoder) {
        const QString why = interpreter::exceptionText(hold.takeErrors());
        return Result::refused(
            QStringLiteral("decoder %1 does not load%2")
                .arg(id, why.isEmpty() ? QString() : QStringLiteral(": ") + quotedText(why)));
    }
    const DecoderInfo info = infoOf(*decoder);
    known.emplace(id, info);
    return Result{info, {}};
}

} // namespace decode
