#pragma once

// Walking a path one part at a time, so that every link met on the way, not
// only the last, obeys the rule the kernel's protected_symlinks applies in
// shared folders, whatever the system's own setting.

#include "util/fault.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <utility>

// What a walk gives instead of an errno for a link it may not follow.
inline constexpr int linkRefused = -1;

// A link in a sticky folder everyone may write to (such as /tmp) is followed
// only when it belongs to the one following it or to the folder's owner.
// `folder` is the open folder holding the link.
bool mayFollow(int folder, const struct stat& link);

// The fault for a walk to `path` that stopped with `error` (an errno or
// linkRefused).
Fault walkFault(int error, const QString& path);

// One resolution of a path; the links it follows are counted over all of
// it, as the kernel counts them.
class PathWalk {
public:
    // The folder `path` names, from the open folder `at` (or AT_FDCWD),
    // opened with O_PATH; -1 with error() set when it cannot be reached.
    // With `create`, the parts of `path` itself that are missing are made
    // (0777 less the umask), as `mkdir -p` makes them; the far end of a
    // link never is.
    int openFolder(int at, const QByteArray& path, bool create = false);
    // The target of the link `name` in `folder`, when the rule lets it be
    // followed; false with error() set otherwise, EINVAL when `name` is not
    // (or no longer) a link.
    bool readLink(int folder, const QByteArray& name, QByteArray& target);
    int error() const { return error_; }

private:
    int stop(int error);

    int hops_ = 0;
    int error_ = 0;
};

// An open folder, reached by a walk, for the *at() calls.
class Folder {
public:
    Folder() = default;
    // `native` from `at` (AT_FDCWD or an open folder); `path` is how
    // messages name it.
    Folder(PathWalk& walk, int at, const QByteArray& native, QString path);
    ~Folder();
    Folder(Folder&& other) noexcept { *this = std::move(other); }
    Folder& operator=(Folder&& other) noexcept;

    int fd() const { return fd_; }
    int error() const { return error_; }
    const QString& path() const { return path_; }
    // Makes a rename in the folder last through a power cut; 0 or the errno.
    int sync() const;

private:
    int fd_ = -1;
    int error_ = 0;
    bool syncable_ = false;
    QString path_;
};

// Splits a native path into its folder ("" for the current one) and last name.
std::pair<QByteArray, QByteArray> splitNative(const QByteArray& native);

// `folder` (absolute, or relative to `base`) as messages name it.
QString joinedPath(const QString& base, const QByteArray& folder);

// The folder `path` names, opened after a walk; -1 when it cannot be, and
// `name` gets the last part of `path`.
int openFolderOf(const QByteArray& path, QByteArray& name);

// Makes the folder `path` and those missing above it, walking it as
// above; 0, an errno or linkRefused.
int makeFolders(const QString& path);
