#pragma once

#include <csignal>
#include <optional>

struct PendingSlot;

// Temporary files being written, kept where a signal handler can reach them
// without allocating: an interrupted run removes them before it ends.

// On SIGINT, SIGTERM and SIGHUP, removes every pending temporary file, then
// ends with the signal's usual status. A signal the process was started
// ignoring (nohup) stays ignored. Call once, before threads start.
void removePendingFilesOnSignals();

// When a signal's cleanup is under way on another thread, waits (a few
// seconds at most) for it to end the process: a write that failed because its
// temporary file was removed is no fault to report.
void awaitEndOnSignal();

// Keeps a signal's cleanup waiting while this thread lets go of several
// names, so that the cleanup finds all of them or none. False from ok() when
// the process is ending on a signal: let go of nothing then.
class CleanupHold {
public:
    CleanupHold();
    ~CleanupHold();
    CleanupHold(const CleanupHold&) = delete;
    CleanupHold& operator=(const CleanupHold&) = delete;

    bool ok() const { return entered_; }

private:
    bool entered_ = false;
    sigset_t heldSignals_{};
};

// One temporary name in an open folder, registered from before it is
// created until it is renamed or removed. Creation happens between the
// constructor and settle(); a signal that arrives meanwhile is held until the
// name is known, so that it cannot slip past the cleanup.
class PendingFile {
public:
    // `name` is a single path component of at most 255 bytes. False from
    // ok() when the process is ending on a signal: create nothing then.
    // With `restoreTo`, a signal renames `name` back to it (after removing
    // every other pending name) instead of removing it: a file kept aside.
    PendingFile(int folder, const char* name, const char* restoreTo = nullptr);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool ok() const { return entered_; }
    // The creation call has returned; signals are taken again.
    void settle();
    // The name no longer needs removing (renamed, removed, or never made).
    void forget();

private:
    struct PendingSlot* slot_ = nullptr;
    bool entered_ = false;
    std::optional<CleanupHold> hold_; // until settle()
};
