// Reading a preview's capture and noticing when it changes on disk.

#include "ui/preview/capturesource.h"

#include "capture/csvcapture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

using namespace std::chrono_literals;

struct CaptureSource::Read {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::optional<Capture> capture;
    std::optional<Fault> fault;

    void run(const Reader& reader, const QString& path)
    {
        std::optional<Capture> read;
        std::optional<Fault> failed;
        try {
            read = reader ? reader(path) : readCapture(path);
        } catch (const Fault& fault) {
            failed = fault;
        } catch (const std::bad_alloc&) {
            failed = Fault(FaultKind::CannotOpenFile, QStringLiteral("out of memory")).inFile(path);
        } catch (const std::exception& other) {
            failed =
                Fault(FaultKind::CannotOpenFile, QString::fromLocal8Bit(other.what())).inFile(path);
        }
        const std::lock_guard hold(lock);
        capture = std::move(read);
        fault = std::move(failed);
        done = true;
        ended.notify_all();
    }
};

namespace {

// Long enough for any capture on a local disk, short enough not to be felt.
constexpr auto quickRead = 200ms;

std::mutex readerLock;
CaptureSource::Reader reader;
std::chrono::milliseconds deadline = 3s;

} // namespace

void CaptureSource::readWith(Reader chosen, std::chrono::milliseconds limit)
{
    const std::lock_guard hold(readerLock);
    reader = std::move(chosen);
    deadline = limit;
}

CaptureSource::CaptureSource(QObject* parent) : QObject(parent)
{
    settle_.setSingleShot(true);
    settle_.setInterval(50);
    connect(&settle_, &QTimer::timeout, this, &CaptureSource::changedOnDisk);
    collect_.setSingleShot(true);
    connect(&collect_, &QTimer::timeout, this, &CaptureSource::collect);
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
    if (path == path_ && (reads_ > 0 || read_) && !again)
        return;
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    if (path != path_) {
        // Nothing of the file shown before stands for this one.
        capture_.reset();
        fault_.reset();
        // Nor need this one wait for it when it does not answer.
        if (givenUp_) {
            read_.reset();
            collect_.stop();
        }
    }
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
    if (read_) {
        // One read at a time: a file that does not answer keeps one thread.
        again_ = true;
        return;
    }
    again_ = false;
    givenUp_ = false;
    stamp_ = stampOfFile();
    auto read = std::make_shared<Read>();
    read_ = read;
    started_.start();
    Reader chosen;
    {
        const std::lock_guard hold(readerLock);
        chosen = reader;
    }
    try {
        // Left to end on its own: a read may never end.
        std::thread([read, chosen, path = path_] { read->run(chosen, path); }).detach();
    } catch (const std::system_error&) {
        read->run(chosen, path_);
    }
    {
        std::unique_lock hold(read->lock);
        read->ended.wait_for(hold, quickRead, [&read] { return read->done; });
    }
    collect();
}

void CaptureSource::collect()
{
    std::optional<Capture> capture;
    std::optional<Fault> fault;
    bool done = false;
    {
        const std::lock_guard hold(read_->lock);
        done = read_->done;
        capture = std::move(read_->capture);
        fault = std::move(read_->fault);
    }
    if (!done) {
        std::chrono::milliseconds limit;
        {
            const std::lock_guard hold(readerLock);
            limit = deadline;
        }
        if (!givenUp_ && std::chrono::milliseconds(started_.elapsed()) >= limit) {
            givenUp_ = true;
            capture_.reset();
            fault_ = Fault(FaultKind::CannotOpenFile,
                           QStringLiteral("the file does not answer; still waiting for it"))
                         .inFile(path_);
            ++reads_;
            watch();
            emit changed();
        }
        collect_.start(givenUp_ ? 500ms : 20ms);
        return;
    }
    read_.reset();
    if (again_) {
        reread();
        return;
    }
    ++reads_;
    capture_ = std::move(capture);
    fault_ = std::move(fault);
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
