#include "util/atomicfile.h"

#include "util/fault.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(FaultKind kind, const QString& path, int error)
{
    throw Fault(kind, reason(error)).inFile(path);
}

// 0, or the errno that stopped it. The kernel may take fewer bytes than
// asked (a file size limit, a full disk): the rest is tried again, so
// that the failure behind a short write is the one reported.
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

int closeChecked(int fd)
{
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

void writeIntoExisting(const QString& path, const QByteArray& native, QByteArrayView bytes)
{
    const int fd = ::open(native.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fail(FaultKind::CannotOpenFile, path, errno);
    const int written = writeAll(fd, bytes.data(), bytes.size());
    const int closed = closeChecked(fd);
    if (written != 0 || closed != 0)
        fail(FaultKind::CannotWriteFile, path, written != 0 ? written : closed);
}

// A hidden temporary file beside the target, removed unless it was renamed.
class TemporaryFile {
public:
    TemporaryFile(const QString& path, const QString& target, mode_t mode) : path_(path)
    {
        const QFileInfo info(target);
        name_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.")
                                  + info.fileName() + QStringLiteral(".XXXXXX"));
        fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
        if (fd_ < 0)
            fail(FaultKind::CannotOpenFile, path_, errno);
        if (::fchmod(fd_, mode) != 0) {
            const int error = errno;
            discard();
            fail(FaultKind::CannotOpenFile, path_, error);
        }
    }
    ~TemporaryFile() { discard(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(QByteArrayView bytes)
    {
        check(writeAll(fd_, bytes.data(), bytes.size()));
        check(::fsync(fd_) == 0 ? 0 : errno);
        // The last line of defence: what the disk holds is what was produced.
        struct stat written {};
        check(::fstat(fd_, &written) == 0 ? 0 : errno);
        if (written.st_size != bytes.size()) {
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("only %1 of %2 bytes were written")
                            .arg(written.st_size)
                            .arg(bytes.size()))
                .inFile(path_);
        }
        const int fd = fd_;
        fd_ = -1;
        check(closeChecked(fd));
    }

    void renameTo(const QByteArray& target)
    {
        check(::rename(name_.constData(), target.constData()) == 0 ? 0 : errno);
        name_.clear();
    }

private:
    void check(int error)
    {
        if (error != 0)
            fail(FaultKind::CannotWriteFile, path_, error);
    }

    void discard()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        if (!name_.isEmpty())
            ::unlink(name_.constData());
        name_.clear();
    }

    QString path_;
    QByteArray name_;
    int fd_ = -1;
};

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void writeToDescriptor(int fd, QByteArrayView bytes, const QString& name)
{
    if (const int error = writeAll(fd, bytes.data(), bytes.size()))
        fail(FaultKind::CannotWriteFile, name, error);
}

void writeFileAtomically(const QString& path, QByteArrayView bytes)
{
    if (path.isEmpty())
        fail(FaultKind::CannotOpenFile, path, ENOENT);

    QString target = path;
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            fail(FaultKind::CannotOpenFile, path, EISDIR);
        if (!S_ISREG(existing.st_mode)) {
            writeIntoExisting(path, QFile::encodeName(path), bytes);
            return;
        }
        // Replace the file a link points to, not the link.
        target = QFileInfo(path).canonicalFilePath();
    }

    TemporaryFile temporary(path, target, exists ? existing.st_mode & 07777 : newFileMode());
    temporary.write(bytes);
    temporary.renameTo(QFile::encodeName(target));
}
