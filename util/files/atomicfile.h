#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// Puts `bytes` at `path` whole or not at all. A regular file (new or
// existing) is replaced through a temporary file in the same folder that is
// written, synced, checked for size and renamed over it; an existing file
// stays byte for byte as it was on any failure, and no temporary file is left
// behind (see removePendingFilesOnSignals() for interruptions). A new file's
// mode follows the umask, a replaced one keeps its mode.
//
// A device or pipe (a FIFO) cannot be replaced, so it is written into
// directly; a path naming an open descriptor (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N) is written into that descriptor, at its offset or
// appending as it was opened, and so is a link that leads to such a name.
// Links are followed, except one that another user owns in a sticky folder
// everyone may write to (such as /tmp), anywhere along the path: that is
// refused as the kernel's protected_symlinks would.
//
// Every failure, a short write included, throws Fault(CannotOpenFile) when
// the target cannot be created or opened and Fault(CannotWriteFile) when
// writing fails; both name the path and the system's reason.
void writeFileAtomically(const QString& path, QByteArrayView bytes);

// Writes documents[i] to files[i] (regular files, as above), one after
// another, so that they are there all together or not at all: when one
// cannot be written, those written before it are removed, and a plain file
// one of them replaced is put back as it was. A signal that ends the process
// does the same.
void writeFilesTogether(const QStringList& files, const std::vector<QByteArray>& documents);

// Makes every later write name its temporary file from the start, as it does
// where the file system offers no unnamed ones (O_TMPFILE). For tests.
void useNamedTemporaryFiles(bool named);
// Makes every later attempt at an unnamed temporary file fail with
// EOPNOTSUPP, as a file system without them (FUSE) fails it. For tests.
void refuseUnnamedTemporaryFiles(bool refuse);

// Writes all of `bytes` to an open descriptor; a short write or an error
// throws Fault(CannotWriteFile) naming `name` and the system's reason.
void writeToDescriptor(int fd, QByteArrayView bytes, const QString& name);
