#pragma once

// The capture a preview shows, read once and kept until the window loads
// another or the file changes on disk. It is read on a thread of its own: a
// file that answers at once is shown at once, one that does not (a stalled
// network or FUSE mount) never holds up the window.

#include "capture/capture.h"
#include "util/fault.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class CaptureSource : public QObject {
    Q_OBJECT
public:
    explicit CaptureSource(QObject* parent = nullptr);

    // Reads `path` unless it is the one read already; `again` reads it
    // anyway (it was loaded anew).
    void follow(const QString& path, bool again = false);
    // Reads the file again.
    void reread();

    const QString& path() const { return path_; }
    // Null when the file could not be read; fault() then says why.
    const Capture* capture() const { return capture_ ? &*capture_ : nullptr; }
    const std::optional<Fault>& fault() const { return fault_; }
    // How often a read ended, or was given up on.
    int reads() const { return reads_; }

    // What reads a capture (readCapture() when empty), and how long a read
    // may take before the source says the file does not answer. For tests;
    // applies to the reads that start afterwards.
    using Reader = std::function<Capture(const QString&)>;
    static void readWith(Reader reader, std::chrono::milliseconds deadline);

signals:
    // The capture or the fault changed.
    void changed();

private:
    void watch();
    // Reads the file when the watch says it changed and it did.
    void changedOnDisk();
    QString stampOfFile() const;
    // Takes the result of the read under way when it has ended.
    void collect();

    struct Read; // shared with the thread that reads
    std::shared_ptr<Read> read_;
    bool again_ = false;   // the file changed while it was read
    bool givenUp_ = false; // the read under way outlasted its deadline
    QElapsedTimer started_;
    QTimer collect_;

    QString path_;
    std::optional<Capture> capture_;
    std::optional<Fault> fault_;
    QFileSystemWatcher watcher_;
    // A file is often written in several steps: read once they have settled.
    QTimer settle_;
    int reads_ = 0;
    // Size and times of the file when it was read: one change on disk
    // often comes as several notices.
    QString stamp_;
};
