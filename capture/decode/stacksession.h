#pragma once

// One libsigrokdecode session running a resolved stack: built, fed and
// destroyed while an interpreter::Hold is held.

#include "capture/decode/decodedrows.h"
#include "capture/decode/interpreter.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

struct srd_session;
struct srd_decoder_inst;
struct srd_proto_data;

namespace decode {

class StackSession {
public:
    // The bottom decoder reads bit j of each sample as `stack.channelsUsed()[j]`.
    StackSession(interpreter::Hold& hold, const ResolvedStack& stack, quint64 sampleRate);
    ~StackSession();
    StackSession(const StackSession&) = delete;
    StackSession& operator=(const StackSession&) = delete;

    // "" when the stack was built; else what the library said.
    const QString& setupError() const { return setupError_; }

    // The annotations land in rows(), offset by `firstSample`.
    bool start();
    // `count` samples of `unitSize` bytes. False when the library failed or
    // the decoders did not finish within `limit` (then timedOut()).
    bool send(const std::vector<std::uint8_t>& samples, quint64 count, unsigned unitSize,
              std::chrono::milliseconds limit);
    bool timedOut() const { return timedOut_; }
    // Ends the decoders' threads; rows() is complete after it.
    void finish();

    std::vector<DecodedRow>& rows() { return rows_; }
    // An annotation could not be kept (out of memory on a decoder's thread).
    bool lostAnnotation() const { return lostAnnotation_; }
    void setFirstSample(quint64 first) { firstSample_ = first; }
    // The id of the decoder whose instance the library's message names,
    // the bottom one's when it names none.
    QString decoderNamedIn(const QString& message) const;

private:
    static void onAnnotation(srd_proto_data* data, void* context);

    srd_session* session_ = nullptr;
    std::vector<srd_decoder_inst*> instances_;
    std::vector<QString> instanceIds_;         // "spi-1"
    std::vector<QString> decoderIds_;          // "spi"
    std::vector<std::vector<int>> rowOfClass_; // per decoder: class -> index into rows_
    std::vector<DecodedRow> rows_;
    quint64 firstSample_ = 0;
    QString setupError_;
    bool lostAnnotation_ = false;
    bool timedOut_ = false;
};

} // namespace decode
