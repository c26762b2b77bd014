// Writing a file whole or not at all, safely against links and signals.

#include "util/files/atomicfile.h"

#include "util/fault.h"
#include "util/files/pathwalk.h"
#include "util/files/pendingfiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr qsizetype nameMax = 255;

std::atomic<bool> unnamedAllowed{true};
std::atomic<bool> unnamedRefused{false}; // as a file system without them refuses

QString reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

[[noreturn]] void fail(FaultKind kind, const QString& path, int error)
{
    awaitEndOnSignal();
    if (error == linkRefused)
        throw walkFault(error, path);
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

int closeChecked(int fd) { return ::close(fd) == 0 || errno == EINTR ? 0 : errno; }

// The descriptor a path such as /dev/stdout or /proc/self/fd/3 names, or -1.
// Going through the path would reach the file behind the descriptor and
// replace it, losing what it held and ignoring how it was opened.
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

// The descriptor `name` stands for when `folder` is this process's own
// list of them (/proc/self/fd, which /dev/stdout and /dev/fd lead to), or -1.
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

bool isName(const QByteArray& name) { return !name.isEmpty() && name != "." && name != ".."; }

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

// Writes into a device or pipe that cannot be replaced; false when what is
// there now turned out to be a regular file after all.
bool writeIntoExisting(const QString& path, const Folder& folder, const QByteArray& name,
                       QByteArrayView bytes)
{
    const int fd =
        ::openat(folder.fd(), name.constData(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(FaultKind::CannotOpenFile, path, errno);
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
        ::close(fd);
        return false;
    }
    const int written = writeAll(fd, bytes.data(), bytes.size());
    const int closed = closeChecked(fd);
    if (written != 0 || closed != 0)
        fail(FaultKind::CannotWriteFile, path, written != 0 ? written : closed);
    return true;
}

// A page file stays pending, for an interrupting signal to remove, until all
// its siblings are in place. Signals wait while it is written, so that one
// never finds a page half registered. Only a plain file is taken back: a
// device or a link's far end is left as written.
class PendingPage {
public:
    explicit PendingPage(const QString& file)
    {
        QByteArray name;
        folder_ = openFolderOf(QFile::encodeName(file), name);
        struct stat info {};
        if (folder_ < 0 || !isName(name)
            || (::fstatat(folder_, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                && !S_ISREG(info.st_mode)))
            return;
        pending_.emplace(folder_, name.constData());
    }
    ~PendingPage()
    {
        pending_.reset();
        if (folder_ >= 0)
            ::close(folder_);
    }
    PendingPage(const PendingPage&) = delete;
    PendingPage& operator=(const PendingPage&) = delete;

    void written()
    {
        if (pending_)
            pending_->settle();
    }

private:
    int folder_ = -1;
    std::optional<PendingFile> pending_;
};

// What a page file's path held before it was written, to undo the write
// when a sibling fails: a plain file replaced is kept under a hidden name
// beside it and put back, a path that held nothing is emptied again. As for
// signals, a device or a link's far end is left as written.
class FormerFile {
public:
    explicit FormerFile(const QString& file)
    {
        folder_ = openFolderOf(QFile::encodeName(file), name_);
        struct stat info {};
        if (folder_ < 0 || !isName(name_))
            return;
        if (::fstatat(folder_, name_.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            empty_ = errno == ENOENT;
            return;
        }
        if (!S_ISREG(info.st_mode))
            return;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray kept = temporaryName(name_);
            // A signal puts it back in place of whatever is there then.
            auto pending =
                std::make_unique<PendingFile>(folder_, kept.constData(), name_.constData());
            if (!pending->ok())
                return;
            const int linked =
                ::linkat(folder_, name_.constData(), folder_, kept.constData(), 0) == 0 ? 0 : errno;
            pending->settle();
            if (linked == 0) {
                kept_ = kept;
                pending_ = std::move(pending);
                return;
            }
            if (linked != EEXIST)
                break;
        }
        // No second name to keep it under: removed on failure, as a new file is.
        empty_ = true;
    }
    ~FormerFile()
    {
        if (!kept_.isEmpty())
            ::unlinkat(folder_, kept_.constData(), 0);
        pending_.reset();
        if (folder_ >= 0)
            ::close(folder_);
    }
    FormerFile(const FormerFile&) = delete;
    FormerFile& operator=(const FormerFile&) = delete;

    // The file kept is back in place; false when none was kept.
    bool putBack()
    {
        if (kept_.isEmpty())
            return false;
        // Never replaced: renaming one name of a file over another would
        // keep both, so the destructor drops the second one instead.
        struct stat kept {};
        struct stat now {};
        if (::fstatat(folder_, kept_.constData(), &kept, AT_SYMLINK_NOFOLLOW) == 0
            && ::fstatat(folder_, name_.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0
            && kept.st_dev == now.st_dev && kept.st_ino == now.st_ino)
            return true;
        if (::renameat(folder_, kept_.constData(), folder_, name_.constData()) == 0)
            kept_.clear();
        return true;
    }
    // Undoes a write that succeeded.
    void restore()
    {
        if (!putBack() && empty_)
            ::unlinkat(folder_, name_.constData(), 0);
    }

private:
    bool empty_ = false;
    int folder_ = -1;
    QByteArray name_;
    QByteArray kept_; // the hidden name the former file is kept under
    std::unique_ptr<PendingFile> pending_;
};

} // namespace

void writeToDescriptor(int fd, QByteArrayView bytes, const QString& name)
{
    if (const int error = writeAll(fd, bytes.data(), bytes.size()))
        fail(FaultKind::CannotWriteFile, name, error);
}

void useNamedTemporaryFiles(bool named) { unnamedAllowed.store(!named); }

void refuseUnnamedTemporaryFiles(bool refuse) { unnamedRefused.store(refuse); }

void writeFileAtomically(const QString& path, QByteArrayView bytes)
{
    if (path.isEmpty())
        fail(FaultKind::CannotOpenFile, path, ENOENT);
    if (const int fd = descriptorNamed(path); fd >= 0) {
        writeIntoDescriptor(fd, bytes, path);
        return;
    }

    PathWalk walk;
    const auto [folderName, lastName] = splitNative(QFile::encodeName(path));
    Folder folder(walk, AT_FDCWD, folderName.isEmpty() ? QByteArray(".") : folderName,
                  joinedPath(QDir::currentPath(), folderName));
    if (folder.fd() < 0)
        fail(FaultKind::CannotOpenFile, path, folder.error());
    QByteArray name = lastName;
    // Where a dangling link sits, it is replaced by the file.
    std::optional<std::pair<Folder, QByteArray>> linkPlace;

    bool exists = false;
    mode_t mode = 0;
    for (int look = 0;; ++look) {
        if (!isName(name))
            fail(FaultKind::CannotOpenFile, path, EISDIR);
        if (look > 100)
            fail(FaultKind::CannotOpenFile, path, ELOOP);
        // A link to /dev/stdout ends here, and is written into as its target is.
        if (const int fd = descriptorIn(folder.fd(), name); fd >= 0) {
            writeIntoDescriptor(fd, bytes, path);
            return;
        }
        struct stat found {};
        if (::fstatat(folder.fd(), name.constData(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                fail(FaultKind::CannotOpenFile, path, errno);
            if (linkPlace) {
                folder = std::move(linkPlace->first);
                name = linkPlace->second;
            }
            break;
        }
        if (S_ISLNK(found.st_mode)) {
            QByteArray target;
            if (!walk.readLink(folder.fd(), name, target)) {
                if (walk.error() == EINVAL)
                    continue; // no longer a link: look again
                fail(FaultKind::CannotOpenFile, path, walk.error());
            }
            const auto [nextFolderName, nextName] = splitNative(target);
            Folder next(walk, target.startsWith('/') ? AT_FDCWD : folder.fd(),
                        nextFolderName.isEmpty() ? QByteArray(".") : nextFolderName,
                        joinedPath(folder.path(), nextFolderName));
            if (next.fd() < 0) {
                if (next.error() != ENOENT)
                    fail(FaultKind::CannotOpenFile, path, next.error());
                if (!linkPlace)
                    linkPlace.emplace(std::move(folder), name);
                folder = std::move(linkPlace->first);
                name = linkPlace->second;
                break;
            }
            if (!linkPlace)
                linkPlace.emplace(std::move(folder), name);
            folder = std::move(next);
            name = nextName;
            continue;
        }
        if (S_ISDIR(found.st_mode))
            fail(FaultKind::CannotOpenFile, path, EISDIR);
        if (!S_ISREG(found.st_mode)) {
            if (writeIntoExisting(path, folder, name, bytes))
                return;
            continue; // replaced by a regular file meanwhile: look again
        }
        exists = true;
        mode = found.st_mode & 07777;
        break;
    }

    Writer(path, folder, name, exists, mode).write(bytes);
}

void writeFilesTogether(const QStringList& files, const std::vector<QByteArray>& documents)
{
    std::vector<std::unique_ptr<PendingPage>> pages;
    std::vector<std::unique_ptr<FormerFile>> formers;
    for (qsizetype i = 0; i < files.size(); ++i) {
        formers.push_back(std::make_unique<FormerFile>(files[i]));
        pages.push_back(std::make_unique<PendingPage>(files[i]));
        try {
            writeFileAtomically(files[i], documents[std::size_t(i)]);
            pages.back()->written();
        } catch (...) {
            pages.back()->written();
            // A signal meanwhile would remove what is put back here.
            const CleanupHold hold;
            if (hold.ok()) {
                // The failed write may have replaced its file before it failed.
                formers.back()->putBack();
                for (qsizetype written = 0; written < i; ++written)
                    formers[std::size_t(written)]->restore();
                pages.clear();
                formers.clear();
            }
            throw;
        }
    }
    // All pages are let go of at once, and the files they replaced with
    // them: a signal between two would keep part of the set.
    const CleanupHold hold;
    if (hold.ok()) {
        pages.clear();
        formers.clear();
    }
}
