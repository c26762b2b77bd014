#pragma once

// The header of a capture file: its key, free-text lines and channel names.

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

inline constexpr int channelCount = 16;
inline const QString captureKey = QStringLiteral("ZelmarProgramVersion");

struct CaptureHeader {
    QString heading;                         // N1 / N2 / N3 / N4 with the last two characters cut
    std::array<QString, channelCount> names; // words 1 … 16 of line 5 ("" where missing)
};

// Reads lines 1 to 5 of the capture file at `path`. Returns nullopt when the
// first field of line 1 is not exactly the key (not a capture file: the caller
// stays silent). Throws Fault when the file cannot be opened or ends early.
// `preloaded`: the file's bytes when they were read already (LineReader).
std::optional<CaptureHeader> readHeader(const QString& path,
                                        const std::optional<QByteArray>& preloaded = std::nullopt);
