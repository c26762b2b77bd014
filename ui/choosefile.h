#pragma once

#include <QString>
#include <QtGlobal>

// Shows the chooser window `selectfile` modally and returns the chosen path,
// several names joined into one line, or "" (Cancel, close box, empty box).
// Changes the process's current folder on every outcome. When `startfolder`
// is "", `defaultname` loses its surrounding spaces (splitpath's write-back).
QString choosefile(QString& defaultname, QString& pattern, QString& startfolder, QString& title);
QString choosefile(const QString& defaultname, const QString& pattern,
                   const QString& startfolder, const QString& title);

// True (-1) when a directory search for `path` finds an entry, file or
// folder; false (0) for "" and on any error.
qint16 folderexists(const QString& path);
