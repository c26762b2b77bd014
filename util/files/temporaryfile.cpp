// Replacing a file through a temporary one, unnamed or named.

#include "util/files/temporaryfile.h"

#include "util/files/atomicfile.h"
#include "util/files/filecalls.h"
#include "util/files/pathwalk.h"
#include "util/files/pendingfiles.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filewriting {

namespace {

constexpr qsizetype nameMax = 255;

std::atomic<bool> unnamedAllowed{true};
std::atomic<bool> unnamedRefused{false}; // as a file system without them refuses

// Links an unnamed file (O_TMPFILE) into `folder` as `name`; 0 or the errno.
int linkInto(int fd, int folder, const QByteArray& name)
{
    if (::linkat(fd, "", folder, name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM)
        return errno;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, folder, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

class Writer {
public:
    Writer(const QString& path, const Folder& folder, const QByteArray& name, bool exists,
           mode_t mode)
        : path_(path), folder_(folder), name_(name), exists_(exists), mode_(mode)
    {
    }

    void write(QByteArrayView bytes)
    {
        if (!unnamedAllowed.load(std::memory_order_relaxed) || !writeUnnamed(bytes))
            writeNamed(bytes);
        check(folder_.sync());
    }

private:
    // Nothing named exists until the file is whole, so not even a SIGKILL
    // can leave a temporary behind. False where the file system or the
    // system lacks the means; nothing was made then.
    bool writeUnnamed(QByteArrayView bytes)
    {
        // The mode given applies the umask (or the folder's default ACL).
        const int fd = unnamedRefused.load(std::memory_order_relaxed)
                           ? (errno = EOPNOTSUPP, -1)
                           : ::openat(folder_.fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT)
                return false;
            failToCreate(errno);
        }
        Descriptor file(fd);
        fill(file.fd, bytes);
        int linked = exists_ ? EEXIST : linkInto(file.fd, folder_.fd(), name_);
        if (linked == EEXIST) {
            for (int attempt = 0; attempt < 100; ++attempt) {
                const QByteArray temporary = temporaryName(name_);
                PendingFile pending(folder_.fd(), temporary.constData());
                if (!pending.ok())
                    fail(FaultKind::CannotWriteFile, path_, EINTR);
                linked = linkInto(file.fd, folder_.fd(), temporary);
                pending.settle();
                if (linked == EEXIST)
                    continue;
                if (linked != 0)
                    break;
                const int closed = file.close();
                const int renamed = closed != 0 ? closed
                                    : ::renameat(folder_.fd(), temporary.constData(), folder_.fd(),
                                                 name_.constData())
                                            == 0
                                        ? 0
                                        : errno;
                if (renamed != 0)
                    ::unlinkat(folder_.fd(), temporary.constData(), 0);
                check(renamed);
                return true;
            }
        }
        if (linked == 0) {
            check(file.close());
            return true;
        }
        if (linked == ENOENT || linked == EPERM || linked == EOPNOTSUPP) {
            // No /proc and no privilege to link an open file: name it first.
            unnamedAllowed.store(false, std::memory_order_relaxed);
            return false;
        }
        check(linked);
        return true;
    }

    void writeNamed(QByteArrayView bytes)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray temporary = temporaryName(name_);
            PendingFile pending(folder_.fd(), temporary.constData());
            if (!pending.ok())
                fail(FaultKind::CannotWriteFile, path_, EINTR);
            const int fd = ::openat(folder_.fd(), temporary.constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                    exists_ ? 0600 : 0666);
            const int error = errno;
            pending.settle();
            if (fd < 0) {
                if (error == EEXIST)
                    continue;
                failToCreate(error);
            }
            Descriptor file(fd);
            int result = 0;
            try {
                fill(file.fd, bytes);
                result = file.close();
                if (result == 0
                    && ::renameat(folder_.fd(), temporary.constData(), folder_.fd(),
                                  name_.constData())
                           != 0)
                    result = errno;
            } catch (...) {
                ::unlinkat(folder_.fd(), temporary.constData(), 0);
                throw;
            }
            if (result != 0)
                ::unlinkat(folder_.fd(), temporary.constData(), 0);
            check(result);
            return;
        }
        failToCreate(EEXIST);
    }

    struct Descriptor {
        explicit Descriptor(int f) : fd(f) {}
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        int close()
        {
            const int f = fd;
            fd = -1;
            return closeChecked(f);
        }
        int fd;
    };

    void fill(int fd, QByteArrayView bytes)
    {
        if (exists_)
            check(::fchmod(fd, mode_) == 0 ? 0 : errno);
        check(writeAll(fd, bytes.data(), bytes.size()));
        check(::fsync(fd) == 0 ? 0 : errno);
        // The last line of defence: what the disk holds is what was produced.
        struct stat written {};
        check(::fstat(fd, &written) == 0 ? 0 : errno);
        if (written.st_size != bytes.size()) {
            awaitEndOnSignal();
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("only %1 of %2 bytes were written")
                            .arg(written.st_size)
                            .arg(bytes.size()))
                .inFile(path_);
        }
    }

    [[noreturn]] void failToCreate(int error)
    {
        // The file itself may well be writable; say which permission is missing.
        if (error == EACCES) {
            awaitEndOnSignal();
            throw Fault(FaultKind::CannotOpenFile,
                        QStringLiteral("the folder %1 is not writable").arg(folder_.path()))
                .inFile(path_);
        }
        fail(FaultKind::CannotOpenFile, path_, error);
    }

    void check(int error)
    {
        if (error != 0)
            fail(FaultKind::CannotWriteFile, path_, error);
    }

    const QString& path_;
    const Folder& folder_;
    const QByteArray& name_;
    bool exists_;
    mode_t mode_;
};

} // namespace

// "." + the name, cut short when long so that the whole stays a legal name,
// + "." + six random letters or digits.
QByteArray temporaryName(const QByteArray& name)
{
    qsizetype keep = qMin(name.size(), nameMax - 8);
    while (keep > 0 && keep < name.size() && (uchar(name[keep]) & 0xC0) == 0x80)
        --keep; // not inside a UTF-8 sequence
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray temporary = '.' + name.left(keep) + '.';
    for (int i = 0; i < 6; ++i)
        temporary += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return temporary;
}

void replaceThroughTemporary(const QString& path, const Folder& folder, const QByteArray& name,
                             bool exists, mode_t mode, QByteArrayView bytes)
{
    Writer(path, folder, name, exists, mode).write(bytes);
}

} // namespace filewriting

void useNamedTemporaryFiles(bool named) { filewriting::unnamedAllowed.store(!named); }

void refuseUnnamedTemporaryFiles(bool refuse) { filewriting::unnamedRefused.store(refuse); }
