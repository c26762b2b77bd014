// Writing one file whole or not at all: where its path leads, through links,
// to an open descriptor, a device or pipe, or a file to make or replace.

#include "util/files/atomicfile.h"

#include "util/files/descriptornames.h"
#include "util/files/filecalls.h"
#include "util/files/pathwalk.h"
#include "util/files/temporaryfile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace filewriting;

namespace {

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

} // namespace

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

    replaceThroughTemporary(path, folder, name, exists, mode, bytes);
}
