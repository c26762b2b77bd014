#pragma once

#include <QString>
#include <QtGlobal>

// Shows the chooser window `selectfile` modally and returns the chosen path,
// several names joined into one line, or "" (Cancel, close box, empty box).
// Afterwards the current folder is the folder the window showed, whether OK
// or Cancel ended it; the close box (or Escape) leaves it unchanged. When
// `startfolder` is "", `defaultname` loses its surrounding spaces
// (splitpath's write-back), and a name written with "/" gives its folder.
// Design name, both overloads.
QString choosefile(QString& defaultname, QString& pattern, QString& startfolder, QString& title);
QString choosefile(const QString& defaultname, const QString& pattern, const QString& startfolder,
                   const QString& title);

// True (-1) when a directory search for `path` finds an entry, file or
// folder; false (0) for "" and on any error. A path ending in "/" stands for
// the folder's entries (true only when it holds one); "*" and "?" may stand
// in the last element.
qint16 folderexists(const QString& path); // design name
