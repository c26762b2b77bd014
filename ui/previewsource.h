#pragma once

// The capture a preview shows, read once and kept until the window loads
// another or the file changes on disk.

#include "capture/sampletable.h"
#include "util/fault.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

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
    const SampleTable* table() const { return table_ ? &*table_ : nullptr; }
    const std::optional<Fault>& fault() const { return fault_; }
    // How often the file was read.
    int reads() const { return reads_; }

signals:
    // The table or the fault changed.
    void changed();

private:
    void watch();
    // Reads the file when the watch says it changed and it did.
    void changedOnDisk();
    QString stampOfFile() const;

    QString path_;
    std::optional<SampleTable> table_;
    std::optional<Fault> fault_;
    QFileSystemWatcher watcher_;
    // A file is often written in several steps: read once they have settled.
    QTimer settle_;
    int reads_ = 0;
    // Size and times of the file when it was read: one change on disk
    // often comes as several notices.
    QString stamp_;
};
