#pragma once

// Replacing a file through a temporary one in its folder: unnamed
// (O_TMPFILE) where the file system offers it, else named from the start.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <sys/types.h>

class Folder;

namespace filewriting {

// Puts `bytes` at `name` in `folder` (reached by a walk) whole or not at
// all, and syncs the folder; `exists` and `mode` tell what stands there now
// (a regular file keeps its mode). `path` names the file in faults.
void replaceThroughTemporary(const QString& path, const Folder& folder, const QByteArray& name,
                             bool exists, mode_t mode, QByteArrayView bytes);

// "." + the name, cut short when long so that the whole stays a legal name,
// + "." + six random letters or digits.
QByteArray temporaryName(const QByteArray& name);

} // namespace filewriting
