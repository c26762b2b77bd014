#include "util/outputname.h"

#include <QDir>
#include <QFileInfo>

QString outputNameFor(const QString& capturepath, const QString& extension, const QString& folder)
{
    const QFileInfo capture(capturepath);
    const QString name = capture.completeBaseName().isEmpty() ? QStringLiteral("timing")
                                                              : capture.completeBaseName();
    return QDir(folder.isEmpty() ? capture.absolutePath() : folder).filePath(name + extension);
}
