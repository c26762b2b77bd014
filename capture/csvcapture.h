#pragma once

// The CSV capture: five header lines (the key, three lines of free text,
// the channel names), then a row of comma-separated levels per sample.

#include "capture/capture.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace csv {

inline constexpr int channelCount = 16;
inline constexpr int sampleCount = 2048;
inline constexpr int firstSampleLine = 6; // sample row r is line 6 + r
inline const QString captureKey = QStringLiteral("ZelmarProgramVersion");

} // namespace csv

// Reads lines 1 to 5 of the capture file at `path` (the window's Load).
// Returns nullopt when the first field of line 1 is not exactly the key (not
// a capture file: the caller stays silent). Throws Fault when the file
// cannot be opened or ends early. `preloaded`: the file's bytes when they
// were read already (readOnceIfStream).
std::optional<CaptureHeader> readHeader(const QString& path,
                                        const std::optional<QByteArray>& preloaded = std::nullopt);

// Reads the whole capture in one pass, lines 1 to 2053, whatever line 1
// holds (hasKey() says). Throws Fault on an open or read failure.
Capture readCapture(const QString& path, const std::optional<QByteArray>& preloaded = std::nullopt);

// The same for a file that must have the key: nullopt, having read only
// line 1, when it has not.
std::optional<Capture> readKeyedCapture(const QString& path,
                                        const std::optional<QByteArray>& preloaded = std::nullopt);
