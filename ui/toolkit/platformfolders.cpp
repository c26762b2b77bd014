// Drive and folder services on this platform.

#include "ui/toolkit/platformfolders.h"

#include "ui/toolkit/namepattern.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {
namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QString firstEntry(const QString& folder, const QString& pattern)
{
    const QDir dir(folder);
    if (!dir.exists())
        return {};
    const toolkit::NamePattern match(pattern, nameCase());
    const QStringList names = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (match.matches(name))
            return name;
    }
    return {};
}
} // namespace

QChar separator() { return QDir::separator(); }

Qt::CaseSensitivity nameCase()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

bool isRoot(const QString& folder) { return folder.endsWith(separator()); }

void chdrive(const QString&) {}

bool chdir(const QString& folder) { return QDir::setCurrent(folder); }

QString curdir() { return native(QDir::currentPath()); }

QString appPath() { return native(QCoreApplication::applicationDirPath()); }

QString slashFolderPart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString openableFolder(const QString& path)
{
    QString folder =
        QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(path)));
    for (;;) {
        const QFileInfo info(folder);
        if (info.isDir())
            return native(folder);
        const QString parent = info.path();
        if (parent == folder)
            return native(folder);
        folder = parent;
    }
}

QString dirSearch(const QString& path)
{
    const QString slashed = QDir::fromNativeSeparators(path);
    if (slashed.endsWith(QLatin1Char('/'))) {
        if (toolkit::hasWildcards(slashed))
            return {};
        // Every folder but a root lists "." first, so an empty folder exists.
        if (!QDir(slashed).isRoot() && QFileInfo(slashed).isDir())
            return QStringLiteral(".");
        return firstEntry(slashed, QStringLiteral("*"));
    }

    const qsizetype slash = slashed.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : slashed.left(slash + 1);
    const QString last = slashed.mid(slash + 1);
    if (toolkit::hasWildcards(folder))
        return {};
    if (toolkit::hasWildcards(last))
        return firstEntry(folder, last);
    const QFileInfo info(slashed);
    return info.exists() || info.isSymLink() ? last : QString();
}

} // namespace platform
