// Walking a path one part at a time, with the rule for links in shared folders.

#include "util/files/pathwalk.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr int linkHops = 40;

struct Descriptor {
    explicit Descriptor(int f = -1) : fd(f) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int f = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
    int release() { return std::exchange(fd, -1); }
    int fd;
};

// The kernel's own links under /proc (a descriptor's, a process's root) lead
// to what they stand for, not to what their text spells.
bool onProc(int folder)
{
    struct statfs system {};
    return ::fstatfs(folder, &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

} // namespace

bool mayFollow(int folder, const struct stat& link)
{
    struct stat shared {};
    if (::fstat(folder, &shared) != 0)
        return false;
    const bool open = (shared.st_mode & S_ISVTX) && (shared.st_mode & S_IWOTH);
    return !open || link.st_uid == ::geteuid() || link.st_uid == shared.st_uid;
}

Fault walkFault(int error, const QString& path)
{
    if (error == linkRefused)
        return Fault(FaultKind::CannotOpenFile,
                     QStringLiteral("a link another user owns in a folder everyone may "
                                    "write to; it is not followed"))
            .inFile(path);
    return Fault(FaultKind::CannotOpenFile, QString::fromLocal8Bit(std::strerror(error)))
        .inFile(path);
}

int PathWalk::stop(int error)
{
    error_ = error;
    return -1;
}

bool PathWalk::readLink(int folder, const QByteArray& name, QByteArray& target)
{
    // The link itself is held while it is judged and read: a name swapped
    // meanwhile cannot lend another link's target to this one's owner.
    const Descriptor link(::openat(folder, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (link.fd < 0 || ::fstat(link.fd, &info) != 0)
        return stop(errno) == 0;
    if (!S_ISLNK(info.st_mode))
        return stop(EINVAL) == 0;
    if (!mayFollow(folder, info))
        return stop(linkRefused) == 0;
    if (++hops_ > linkHops)
        return stop(ELOOP) == 0;
    target.resize(PATH_MAX);
    const ssize_t size = ::readlinkat(link.fd, "", target.data(), std::size_t(target.size()));
    if (size < 0 || size >= target.size())
        return stop(size < 0 ? errno : ENAMETOOLONG) == 0;
    target.truncate(size);
    if (target.isEmpty())
        return stop(ENOENT) == 0;
    return true;
}

int PathWalk::openFolder(int at, const QByteArray& path, bool create)
{
    error_ = 0;
    if (path.isEmpty())
        return stop(ENOENT);
    struct Part {
        QByteArray name;
        bool own; // of `path` itself, not of a link's target
    };
    std::deque<Part> parts;
    Descriptor folder;
    const auto start = [&](const QByteArray& spelling, bool own) {
        if (spelling.startsWith('/'))
            folder.reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        const QList<QByteArray> names = spelling.split('/');
        for (auto name = names.crbegin(); name != names.crend(); ++name) {
            if (!name->isEmpty() && *name != ".")
                parts.push_front({*name, own});
        }
        return folder.fd >= 0;
    };
    if (!path.startsWith('/')) {
        folder.reset(::openat(at, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (folder.fd < 0)
            return stop(errno);
    }
    if (!start(path, true))
        return stop(errno);
    constexpr int asFolder = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    while (!parts.empty()) {
        const Part part = parts.front();
        parts.pop_front();
        const char* name = part.name.constData();
        int next = ::openat(folder.fd, name, asFolder);
        if (next < 0 && errno == ENOENT && create && part.own) {
            if (::mkdirat(folder.fd, name, 0777) != 0 && errno != EEXIST)
                return stop(errno);
            next = ::openat(folder.fd, name, asFolder);
        }
        if (next >= 0) {
            folder.reset(next);
            continue;
        }
        if (errno != ENOTDIR && errno != ELOOP)
            return stop(errno);
        if (onProc(folder.fd)) {
            if (++hops_ > linkHops)
                return stop(ELOOP);
            next = ::openat(folder.fd, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (next < 0)
                return stop(errno);
            folder.reset(next);
            continue;
        }
        QByteArray target;
        if (!readLink(folder.fd, part.name, target))
            return error_ == EINVAL ? stop(ENOTDIR) : -1;
        if (!start(target, false))
            return stop(errno);
    }
    return folder.release();
}

Folder::Folder(PathWalk& walk, int at, const QByteArray& native, QString path)
    : path_(std::move(path))
{
    const int reached = walk.openFolder(at, native);
    if (reached < 0) {
        error_ = walk.error();
        return;
    }
    fd_ = ::openat(reached, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    syncable_ = fd_ >= 0;
    // A folder that may be entered but not listed can still be written.
    if (fd_ < 0 && errno == EACCES) {
        fd_ = reached;
        return;
    }
    error_ = fd_ < 0 ? errno : 0;
    ::close(reached);
}

Folder::~Folder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Folder& Folder::operator=(Folder&& other) noexcept
{
    std::swap(fd_, other.fd_);
    std::swap(syncable_, other.syncable_);
    std::swap(error_, other.error_);
    std::swap(path_, other.path_);
    return *this;
}

int Folder::sync() const
{
    if (!syncable_ || ::fsync(fd_) == 0 || errno == EINVAL || errno == EROFS)
        return 0;
    return errno;
}

std::pair<QByteArray, QByteArray> splitNative(const QByteArray& native)
{
    const qsizetype slash = native.lastIndexOf('/');
    if (slash < 0)
        return {QByteArray(), native};
    return {slash == 0 ? QByteArray("/") : native.left(slash), native.mid(slash + 1)};
}

QString joinedPath(const QString& base, const QByteArray& folder)
{
    const QString name = QFile::decodeName(folder);
    return QDir::cleanPath(folder.startsWith('/') ? name : QDir(base).filePath(name));
}

int openFolderOf(const QByteArray& path, QByteArray& name)
{
    const auto [folder, last] = splitNative(path);
    name = last;
    PathWalk walk;
    return walk.openFolder(AT_FDCWD, folder.isEmpty() ? QByteArray(".") : folder);
}

int makeFolders(const QString& path)
{
    PathWalk walk;
    const int made = walk.openFolder(AT_FDCWD, QFile::encodeName(path), true);
    if (made < 0)
        return walk.error();
    ::close(made);
    return 0;
}
