#pragma once

#include <QByteArrayView>
#include <QString>

// Puts `bytes` at `path` whole or not at all. A regular file (new or
// existing) is replaced through a temporary file in the same folder that is
// written, synced, checked for size and renamed over it; an existing file
// stays byte for byte as it was on any failure, and no temporary file is left
// behind. A device or pipe (/dev/stdout, a FIFO) cannot be replaced, so it is
// written into directly. Every failure, a short write included, throws
// Fault(CannotOpenFile) when the target cannot be created or opened and
// Fault(CannotWriteFile) when writing fails; both name the path and the
// system's reason.
void writeFileAtomically(const QString& path, QByteArrayView bytes);

// Writes all of `bytes` to an open descriptor; a short write or an error
// throws Fault(CannotWriteFile) naming `name` and the system's reason.
void writeToDescriptor(int fd, QByteArrayView bytes, const QString& name);
