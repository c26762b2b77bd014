// Paths that name an open descriptor, and links that lead to them.

#include "util/files/descriptornames.h"

#include "util/files/atomicfile.h"
#include "util/files/filecalls.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace filewriting {

int descriptorNamed(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (clean == QLatin1String("/dev/stdin"))
        return STDIN_FILENO;
    if (clean == QLatin1String("/dev/stdout"))
        return STDOUT_FILENO;
    if (clean == QLatin1String("/dev/stderr"))
        return STDERR_FILENO;
    const QString prefixes[] = {
        QStringLiteral("/dev/fd/"),
        QStringLiteral("/proc/self/fd/"),
        QStringLiteral("/proc/thread-self/fd/"),
        QStringLiteral("/proc/%1/fd/").arg(::getpid()),
    };
    for (const QString& prefix : prefixes) {
        if (!clean.startsWith(prefix))
            continue;
        const QString number = clean.mid(prefix.size());
        bool ok = false;
        const int fd = number.toInt(&ok);
        const bool digits =
            std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c.isDigit(); });
        return ok && digits && fd >= 0 ? fd : -1;
    }
    return -1;
}

int descriptorIn(int folder, const QByteArray& name)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (name.isEmpty() || name.size() > 9 || !std::all_of(name.cbegin(), name.cend(), digit))
        return -1;
    struct statfs system {};
    if (::fstatfs(folder, &system) != 0 || system.f_type != PROC_SUPER_MAGIC)
        return -1;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", folder);
    QByteArray seen(128, '\0');
    const ssize_t size = ::readlink(self, seen.data(), std::size_t(seen.size()));
    if (size <= 0 || size >= seen.size())
        return -1;
    seen.truncate(size);
    // /proc/PID/fd, or /proc/PID/task/TID/fd of one of its threads
    const QList<QByteArray> parts = seen.split('/');
    const bool ours = parts.size() >= 4 && parts[1] == "proc"
                      && parts[2] == QByteArray::number(::getpid()) && parts.back() == "fd"
                      && (parts.size() == 4 || (parts.size() == 6 && parts[3] == "task"));
    return ours ? name.toInt() : -1;
}

void writeIntoDescriptor(int fd, QByteArrayView bytes, const QString& path)
{
    if (::fcntl(fd, F_GETFL) < 0)
        fail(FaultKind::CannotOpenFile, path, EBADF);
    writeToDescriptor(fd, bytes, path);
}

} // namespace filewriting

void writeToDescriptor(int fd, QByteArrayView bytes, const QString& name)
{
    if (const int error = filewriting::writeAll(fd, bytes.data(), bytes.size()))
        filewriting::fail(FaultKind::CannotWriteFile, name, error);
}
