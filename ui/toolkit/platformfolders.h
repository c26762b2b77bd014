#pragma once

#include <QString>

// The runtime's drive and folder services on a system whose paths may have no
// drive letters. There is one current folder per process; a drive is the
// file system that holds a folder and never changes by itself, so ChDrive
// does nothing and ChDir carries the drive along. Paths use the native
// separator ("/" here, "\" on Windows).
namespace platform {

QChar separator();
// How the file system compares names.
Qt::CaseSensitivity nameCase();
// A root folder is the one folder written with a trailing separator.
bool isRoot(const QString& folder);

void chdrive(const QString& path);
// Makes `folder` the process's current folder; false when it cannot be.
bool chdir(const QString& folder);
QString curdir();
// The folder that holds the program's executable.
QString appPath();

// The folder part of a path written with "/", for paths that splitpath
// cannot split because it drops "/": "" when there is no "/", the root for
// a name directly under it.
QString slashFolderPart(const QString& path);

// The absolute folder that a list control opens for `path`: the path itself
// when it is a folder, otherwise its nearest existing parent (the folder of
// a file, of a pattern, of a folder that has gone).
QString openableFolder(const QString& path);

// A directory search that includes folders: the name of the first entry that
// `path` matches, "" when none does. A path ending in the separator stands
// for the entries of that folder; "*" and "?" are allowed in the last
// element only (elsewhere the search finds nothing).
QString dirSearch(const QString& path);

} // namespace platform
