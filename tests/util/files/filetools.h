#pragma once

// What the tests of util/files share: reading and writing a file plainly.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/types.h>
#include <unistd.h>

namespace filetools {

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A user other than the one running the tests, for folders and links that
// must belong to someone else; only root can arrange that.
inline constexpr uid_t otherUser = 12345;

inline bool isRoot() { return ::geteuid() == 0; }

} // namespace filetools
