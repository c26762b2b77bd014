#pragma once

// Shared by the decoding tests: a request resolved against channel names, and
// the skip where the build has no decoding.

#include "capture/decode/decodedrows.h"

#include <QStringList>
#include <QTest>

namespace decodetools {

using namespace decode;

inline Checked<ResolvedStack> resolve(const QString& stackText, const QStringList& names,
                                      bool rateKnown)
{
    const Checked<StackRequest> request = parseStackRequest(stackText);
    if (!request.ok())
        return Checked<ResolvedStack>::refused(request.error);
    return resolveStack(request.value, names, rateKnown);
}

inline QStringList channelNames()
{
    QStringList names;
    for (int c = 0; c < 16; ++c)
        names << QString::number(c);
    return names;
}

} // namespace decodetools

#define NEEDS_DECODING                                                                             \
    if (!decodingAvailable())                                                                      \
    QSKIP("this build cannot decode")
