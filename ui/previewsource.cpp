// Reading a preview's capture and noticing when it changes on disk.

#include "ui/previewsource.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <new>

CaptureSource::CaptureSource(QObject* parent) : QObject(parent)
{
    settle_.setSingleShot(true);
    settle_.setInterval(50);
    connect(&settle_, &QTimer::timeout, this, &CaptureSource::changedOnDisk);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    // A file replaced by a rename leaves the watch list, and a missing one
    // cannot be on it: its folder tells when it comes (back).
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!watcher_.files().contains(path_) && QFileInfo::exists(path_))
            settle_.start();
    });
}

void CaptureSource::follow(const QString& path, bool again)
{
    if (path == path_ && reads_ > 0 && !again)
        return;
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    path_ = path;
    reread();
}

QString CaptureSource::stampOfFile() const
{
    const QFileInfo file(path_);
    if (!file.exists())
        return {};
    return QStringLiteral("%1 %2 %3")
        .arg(file.size())
        .arg(file.lastModified().toMSecsSinceEpoch())
        .arg(file.metadataChangeTime().toMSecsSinceEpoch());
}

void CaptureSource::changedOnDisk()
{
    if (stampOfFile() == stamp_)
        watch();
    else
        reread();
}

void CaptureSource::reread()
{
    settle_.stop();
    ++reads_;
    stamp_ = stampOfFile();
    table_.reset();
    fault_.reset();
    try {
        table_ = SampleTable::read(path_);
    } catch (const Fault& fault) {
        fault_ = fault;
    } catch (const std::bad_alloc&) {
        fault_ = Fault(FaultKind::CannotOpenFile, QStringLiteral("out of memory")).inFile(path_);
    }
    watch();
    emit changed();
}

void CaptureSource::watch()
{
    if (path_.isEmpty())
        return;
    const QFileInfo file(path_);
    if (!watcher_.directories().contains(file.absolutePath()) && file.absoluteDir().exists())
        watcher_.addPath(file.absolutePath());
    if (!watcher_.files().contains(path_) && file.isFile())
        watcher_.addPath(path_);
}
