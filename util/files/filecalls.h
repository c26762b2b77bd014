#pragma once

// The calls every way of writing a file makes, with their failures as faults.

#include "util/fault.h"

#include <QByteArray>
#include <QString>

namespace filewriting {

// Throws Fault(kind) naming `path` and the system's reason for `error` (an
// errno, or the walk's linkRefused); a signal's cleanup under way ends the
// process first.
[[noreturn]] void fail(FaultKind kind, const QString& path, int error);

// 0, or the errno that stopped it. The kernel may take fewer bytes than
// asked (a file size limit, a full disk): the rest is tried again, so
// that the failure behind a short write is the one reported.
int writeAll(int fd, const char* data, qsizetype size);

// 0, or the errno of a close that failed (not an interrupted one).
int closeChecked(int fd);

// A name a file can be made under: not empty, "." or "..".
bool isName(const QByteArray& name);

} // namespace filewriting
