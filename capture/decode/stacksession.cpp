// A stack built as sigrok-cli builds one: instances with their options, the
// channel map on the bottom one, each stacked on the one before.

#include "capture/decode/stacksession.h"

#include <libsigrokdecode/libsigrokdecode.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace decode {

namespace {

GHashTable* variantTable()
{
    return g_hash_table_new_full(g_str_hash, g_str_equal, g_free,
                                 reinterpret_cast<GDestroyNotify>(g_variant_unref));
}

GVariant* variantOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong: return g_variant_new_int64(value.toLongLong());
    case QMetaType::Double: return g_variant_new_double(value.toDouble());
    default: return g_variant_new_string(value.toString().toUtf8().constData());
    }
}

void insert(GHashTable* table, const QString& key, GVariant* value)
{
    g_hash_table_insert(table, g_strdup(key.toUtf8().constData()), g_variant_ref_sink(value));
}

// The declared rows of a decoder, then one for the classes in none of them.
void addRows(const DecoderInfo& info, int decoder, std::vector<DecodedRow>& rows,
             std::vector<int>& rowOfClass)
{
    rowOfClass.assign(std::size_t(info.annotations.size()), -1);
    const auto add = [&](const QString& id, const QString& description, const QList<int>& classes) {
        for (const int c : classes)
            if (c >= 0 && c < info.annotations.size() && rowOfClass[std::size_t(c)] < 0)
                rowOfClass[std::size_t(c)] = int(rows.size());
        rows.push_back({decoder, info.id, info.name, id, description, classes, {}});
    };
    for (const AnnotationRowInfo& row : info.rows)
        add(row.id, row.description, row.classes);
    QList<int> rest;
    for (qsizetype c = 0; c < info.annotations.size(); ++c)
        if (rowOfClass[std::size_t(c)] < 0)
            rest << int(c);
    if (!rest.isEmpty())
        add(QString(), info.rows.isEmpty() ? info.name : QStringLiteral("Other"), rest);
}

} // namespace

StackSession::StackSession(interpreter::Hold& hold, const ResolvedStack& stack, quint64 sampleRate)
{
    if (srd_session_new(&session_) != SRD_OK) {
        setupError_ = QStringLiteral("no session");
        return;
    }
    // What the library logged, or at least that it refused.
    const auto refused = [&](const char* what) {
        const QString logged = interpreter::exceptionText(hold.takeErrors());
        setupError_ = logged.isEmpty() ? QString::fromLatin1(what) : logged;
    };
    const QList<int> used = stack.channelsUsed();
    for (qsizetype k = 0; k < stack.decoders.size() && setupError_.isEmpty(); ++k) {
        const ResolvedDecoder& decoder = stack.decoders[k];
        decoderIds_.push_back(decoder.info.id);
        GHashTable* options = variantTable();
        for (const auto& [id, value] : decoder.options)
            insert(options, id, variantOf(value));
        srd_decoder_inst* instance =
            srd_inst_new(session_, decoder.info.id.toUtf8().constData(), options);
        g_hash_table_destroy(options);
        if (!instance) {
            refused("the library made no instance of it");
            break;
        }
        if (k == 0 && !decoder.channels.isEmpty()) {
            GHashTable* channels = variantTable();
            for (const auto& [id, channel] : decoder.channels)
                insert(channels, id, g_variant_new_int32(int(used.indexOf(channel))));
            if (srd_inst_channel_set_all(instance, channels) != SRD_OK)
                refused("the library took none of its channels");
            g_hash_table_destroy(channels);
        }
        if (k > 0 && srd_inst_stack(session_, instances_.back(), instance) != SRD_OK)
            refused("the library did not stack it");
        instances_.push_back(instance);
        instanceIds_.push_back(QString::fromUtf8(instance->inst_id));
        rowOfClass_.emplace_back();
        addRows(decoder.info, int(k), rows_, rowOfClass_.back());
    }
    if (setupError_.isEmpty() && instances_.empty())
        setupError_ = QStringLiteral("no decoder");
    srd_pd_output_callback_add(session_, SRD_OUTPUT_ANN, &StackSession::onAnnotation, this);
    // The library takes the value and lets go of it.
    if (sampleRate > 0 && setupError_.isEmpty())
        srd_session_metadata_set(session_, SRD_CONF_SAMPLERATE, g_variant_new_uint64(sampleRate));
}

StackSession::~StackSession() { finish(); }

bool StackSession::start() { return srd_session_start(session_) == SRD_OK; }

bool StackSession::send(const std::vector<std::uint8_t>& samples, quint64 count, unsigned unitSize,
                        std::chrono::milliseconds limit)
{
    if (count == 0)
        return true;
    // A decoder that loops without end would hold the lock, and every other
    // decode with it, for ever: past the limit it is interrupted, again and
    // again until it lets go (it may catch one interruption).
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> guard(lock);
        if (changed.wait_for(guard, limit, [&] { return done; }))
            return;
        timedOut_ = true;
        while (!done) {
            guard.unlock();
            interpreter::interruptDecoders();
            guard.lock();
            changed.wait_for(guard, std::chrono::milliseconds(200), [&] { return done; });
        }
    });
    const int result =
        srd_session_send(session_, 0, count, samples.data(), count * unitSize, unitSize);
    {
        const std::lock_guard<std::mutex> guard(lock);
        done = true;
    }
    changed.notify_all();
    watchdog.join();
    if (timedOut_)
        return false;
    // A decode() that returns ends its thread without an error: the
    // annotations it gave stand.
    return result == SRD_OK || result == SRD_ERR_TERM_REQ;
}

void StackSession::finish()
{
    if (!session_)
        return;
    // libsigrokdecode 0.5.3 frees an instance's outputs but not the names
    // of its meta outputs; between send() and here no decoder runs to read
    // them. Left as null, a library that frees them itself frees nothing.
    for (srd_decoder_inst* instance : instances_)
        for (GSList* l = instance->pd_output; l; l = l->next) {
            auto* output = static_cast<srd_pd_output*>(l->data);
            if (output->output_type == SRD_OUTPUT_META) {
                g_free(std::exchange(output->meta_name, nullptr));
                g_free(std::exchange(output->meta_descr, nullptr));
            }
        }
    interpreter::KeptInstances kept;
    for (srd_decoder_inst* instance : instances_)
        if (instance->thread_handle)
            kept.noteThreadOf(instance->py_inst);
    srd_session_destroy(std::exchange(session_, nullptr));
    kept.giveBack();
}

QString StackSession::decoderNamedIn(const QString& message) const
{
    for (std::size_t k = 0; k < instanceIds_.size(); ++k) {
        const QString& id = instanceIds_[k];
        for (qsizetype at = message.indexOf(id); at >= 0; at = message.indexOf(id, at + 1)) {
            const qsizetype after = at + id.size();
            if (after == message.size() || !message[after].isDigit())
                return decoderIds_[k];
        }
    }
    return decoderIds_.empty() ? QString() : decoderIds_.front();
}

// Called on a decoder's thread while the caller waits in send().
void StackSession::onAnnotation(srd_proto_data* data, void* context)
{
    auto* self = static_cast<StackSession*>(context);
    const auto* annotation = static_cast<const srd_proto_data_annotation*>(data->data);
    for (std::size_t k = 0; k < self->instances_.size(); ++k) {
        if (self->instances_[k] != data->pdo->di)
            continue;
        const std::vector<int>& rowOfClass = self->rowOfClass_[k];
        const int c = annotation->ann_class;
        if (c < 0 || std::size_t(c) >= rowOfClass.size())
            return;
        try {
            QStringList texts;
            for (char** t = annotation->ann_text; t && *t; ++t)
                texts << QString::fromUtf8(*t);
            self->rows_[std::size_t(rowOfClass[std::size_t(c)])].annotations.push_back(
                {self->firstSample_ + data->start_sample, self->firstSample_ + data->end_sample, c,
                 texts});
        } catch (...) {
            self->lostAnnotation_ = true; // no exception may cross the library
        }
        return;
    }
}

} // namespace decode
