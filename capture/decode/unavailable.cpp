// The decoding functions of a build without libsigrokdecode: each says so.

#include "capture/decode/backend.h"
#include "capture/decode/decodedrows.h"

#include "util/fault.h"

namespace decode {

namespace {

QString reason()
{
    return QStringLiteral("decoding is not available: this build has no libsigrokdecode");
}

} // namespace

bool decodingAvailable() { return false; }

QString unavailableReason() { return reason(); }

Checked<QList<DecoderSummary>> listDecoders()
{
    return Checked<QList<DecoderSummary>>::refused(reason());
}

Checked<DecoderInfo> describeDecoder(const QString&)
{
    return Checked<DecoderInfo>::refused(reason());
}

std::vector<DecodedRow> decodeStack(const ResolvedStack&, const SampleInput&)
{
    throw Fault(FaultKind::DecoderError, reason());
}

QString backend::dryRunWithoutRate(const ResolvedStack&) { return reason(); }

} // namespace decode
