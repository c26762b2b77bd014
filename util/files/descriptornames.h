#pragma once

// Paths that name an open descriptor, and links that lead to them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace filewriting {

// The descriptor a path such as /dev/stdout or /proc/self/fd/3 names, or -1.
// Going through the path would reach the file behind the descriptor and
// replace it, losing what it held and ignoring how it was opened.
int descriptorNamed(const QString& path);

// The descriptor `name` stands for when `folder` is this process's own
// list of them (/proc/self/fd, which /dev/stdout and /dev/fd lead to), or -1.
int descriptorIn(int folder, const QByteArray& name);

// Writes all of `bytes` into `fd`, one that descriptorNamed() or
// descriptorIn() gave; one that is not open fails as CannotOpenFile.
void writeIntoDescriptor(int fd, QByteArrayView bytes, const QString& path);

} // namespace filewriting
