// The calls every way of writing a file makes.

#include "util/files/filecalls.h"

#include "util/files/pathwalk.h"
#include "util/files/pendingfiles.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace filewriting {

namespace {

QString reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

[[noreturn]] void fail(FaultKind kind, const QString& path, int error)
{
    awaitEndOnSignal();
    if (error == linkRefused)
        throw walkFault(error, path);
    throw Fault(kind, reason(error)).inFile(path);
}

int writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, static_cast<size_t>(qMin<qsizetype>(size, 1 << 30)));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (done == 0)
            return EIO;
        data += done;
        size -= done;
    }
    return 0;
}

int closeChecked(int fd) { return ::close(fd) == 0 || errno == EINTR ? 0 : errno; }

bool isName(const QByteArray& name) { return !name.isEmpty() && name != "." && name != ".."; }

} // namespace filewriting
