// Where each capture's document goes, and which outputs would clash.

#include "util/files/outputname.h"

#include "util/fault.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString standardStream = QStringLiteral("-");

QString identity(const struct stat& info)
{
    return QStringLiteral("%1:%2").arg(quint64(info.st_dev)).arg(quint64(info.st_ino));
}

// Splits at the last slash; a path without one is in the working folder.
void split(const QByteArray& path, QByteArray& folder, QByteArray& name)
{
    const qsizetype slash = path.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    name = path.mid(slash + 1);
}

QString keyOf(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    struct stat info {};
    if (::stat(path.constData(), &info) == 0) {
        // A device, a pipe or a folder is written into, not replaced.
        if (!S_ISREG(info.st_mode))
            return identity(info);
        // A regular file is replaced where its links lead.
        if (char* real = ::realpath(path.constData(), nullptr)) {
            QByteArray folder, name;
            split(QByteArray(real), folder, name);
            std::free(real);
            struct stat folderInfo {};
            if (::stat(folder.constData(), &folderInfo) == 0)
                return identity(folderInfo) + u'/' + QFile::decodeName(name);
        }
        return identity(info);
    }
    QByteArray folder, name;
    split(path, folder, name);
    if (name.isEmpty() || name == "." || name == ".." || folder == path)
        return QFile::decodeName(path);
    // Nothing here yet: the folder decides, however far up it first exists.
    return keyOf(folder) + u'/' + QFile::decodeName(name);
}

// Where a dangling link at `path` leads on, each place keyed as keyOf()
// keys it. A write there lands in the first of them made by then (by
// another write of the run), else replaces the link.
QStringList onwardKeys(const QString& path)
{
    QStringList keys;
    QByteArray at = QFile::encodeName(path);
    struct stat info {};
    for (int hops = 0; hops < 40 && ::stat(at.constData(), &info) != 0 && errno == ENOENT; ++hops) {
        QByteArray target(PATH_MAX, '\0');
        const ssize_t size = ::readlink(at.constData(), target.data(), std::size_t(target.size()));
        if (size <= 0 || size >= target.size())
            break;
        target.truncate(size);
        QByteArray folder, name;
        split(at, folder, name);
        at = target.startsWith('/') ? target : folder + '/' + target;
        keys << keyOf(at);
    }
    return keys;
}

const QString* valueAt(const QHash<QString, QString>& hash, const QString& key)
{
    const auto found = hash.constFind(key);
    return found == hash.cend() ? nullptr : &*found;
}

} // namespace

QString outputNameFor(const QString& capturepath, const QString& extension, const QString& folder)
{
    const QFileInfo capture(capturepath);
    const QString name = capture.completeBaseName().isEmpty() ? QStringLiteral("timing")
                                                              : capture.completeBaseName();
    if (!folder.isEmpty())
        return QDir(folder).filePath(name + extension);
    // ".." is left for the kernel: after a link it leads elsewhere than
    // cleaning the spelling says, and "beside" means where the capture is.
    const qsizetype slash = capturepath.lastIndexOf(u'/');
    const QString own = slash < 0 ? QStringLiteral(".") : capturepath.left(slash + 1);
    const QString absolute = QDir::current().absoluteFilePath(own);
    const bool up = QStringView(absolute).split(u'/').contains(QStringLiteral(".."));
    return QDir(up ? absolute : QDir::cleanPath(absolute)).filePath(name + extension);
}

QString sameFileKey(const QString& path)
{
    if (path.isEmpty())
        return QString();
    return keyOf(QFile::encodeName(path));
}

QString pageFileName(const QString& target, int page, int pages)
{
    if (pages <= 1 || target == standardStream)
        return target;
    const QString number =
        QStringLiteral("-%1").arg(page, int(QString::number(pages).size()), 10, QLatin1Char('0'));
    const qsizetype slash = target.lastIndexOf(u'/');
    const qsizetype dot = target.lastIndexOf(u'.');
    // A name that is all extension (".svg") is numbered after it.
    if (dot <= slash + 1)
        return target + number;
    return target.left(dot) + number + target.mid(dot);
}

OutputPlan planOutputs(const QStringList& captures, const QString& output, const QString& outputDir,
                       const QString& combine, const QString& extension, int pageFiles)
{
    OutputPlan plan;
    QHash<QString, QString> captureAt; // key -> capture
    for (const QString& capture : captures)
        captureAt.insert(sameFileKey(capture), capture);
    // Writing a document over a capture would lose the capture.
    const auto overCapture = [&](const QString& target, const QString& capture) {
        if (target == standardStream || !QFileInfo::exists(target))
            return QString();
        const auto found = captureAt.constFind(sameFileKey(target));
        if (found == captureAt.cend())
            return QString();
        return sameFileKey(*found) == sameFileKey(capture)
                   ? QStringLiteral("%1: is the capture file itself; choose another output file")
                         .arg(escapedText(target))
                   : QStringLiteral("%1: is the capture file %2; choose another output file")
                         .arg(escapedText(target), escapedText(*found));
    };

    if (!combine.isEmpty()) {
        plan.targets = QStringList(captures.size(), QString());
        plan.overCapture = plan.targets;
        plan.files = QList<QStringList>(captures.size());
        if (!captures.isEmpty())
            plan.binderOverCapture = overCapture(combine, QString());
        return plan;
    }
    QHash<QString, QString> targetOf; // key -> capture written there
    QHash<QString, QString> onwardOf; // where a dangling link among them leads on -> its capture
    for (const QString& capture : captures) {
        const QString target =
            !output.isEmpty() ? output : outputNameFor(capture, extension, outputDir);
        // Beside a pipe or a device (/dev/stdin, <(...)) is no place for a document.
        if (output.isEmpty() && outputDir.isEmpty() && plan.collision.isEmpty()) {
            const QFileInfo source(capture);
            if (source.exists() && !source.isFile() && !source.isDir())
                plan.collision =
                    QStringLiteral("%1 is not a regular file: name the output with -o, "
                                   "--output-dir or --combine")
                        .arg(escapedText(capture));
        }
        plan.targets << target;
        QStringList files;
        QString refusal;
        for (int page = 1; page <= pageFiles; ++page) {
            const QString file = pageFileName(target, page, pageFiles);
            files << file;
            if (refusal.isEmpty())
                refusal = overCapture(file, capture);
            if (file == standardStream)
                continue;
            const QString key = sameFileKey(file);
            // A link to a place another target makes is followed once it is made.
            const QStringList onward = onwardKeys(file);
            const QString* other = valueAt(targetOf, key);
            if (!other)
                other = valueAt(onwardOf, key);
            for (qsizetype i = 0; !other && i < onward.size(); ++i)
                other = valueAt(targetOf, onward[i]);
            if (other) {
                if (plan.collision.isEmpty())
                    plan.collision =
                        QStringLiteral("%1 and %2 would both be written to %3")
                            .arg(escapedText(*other), escapedText(capture), escapedText(file));
                continue;
            }
            targetOf.insert(key, capture);
            for (const QString& place : onward)
                onwardOf.insert(place, capture);
        }
        plan.files << files;
        plan.overCapture << refusal;
    }
    return plan;
}
