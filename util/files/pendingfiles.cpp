// Temporary files removed when a signal ends the run.

#include "util/files/pendingfiles.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <pthread.h>
#include <unistd.h>

// One registered name; a slot is Free, being Filled, or Held.
struct PendingSlot {
    std::atomic<int> state{0};
    int folder = -1;
    char name[256] = {};
    char restore[256] = {}; // when set, `name` goes back to it instead
};

namespace {

constexpr int chunkSlots = 1024;
constexpr std::size_t nameSize = sizeof PendingSlot::name;

enum SlotState : int { Free, Filling, Held };
using Slot = PendingSlot;

// Slots come in chunks, added as names outgrow them (a set of 2048 page
// files replacing others needs 4096) and never freed, so that the handler
// can walk them at any moment.
struct Chunk {
    Slot slots[chunkSlots];
    std::atomic<Chunk*> next{nullptr};
};

Chunk firstChunk;
std::atomic<bool> ending{false};
std::atomic<int> creating{0}; // creations between PendingFile() and settle()

constexpr int cleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t cleanedSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : cleanedSignals)
        sigaddset(&set, signal);
    return set;
}

void onSignal(int signal)
{
    const int savedErrno = errno;
    ending.store(true);
    // A creation under way finishes and registers its name first; it cannot
    // be on this thread, which holds the signals while creating.
    for (int waited = 0; creating.load() > 0 && waited < 2000; ++waited) {
        const timespec pause{0, 100000};
        nanosleep(&pause, nullptr);
    }
    // New files first, then the files they replaced back in their place.
    for (const bool restoring : {false, true}) {
        for (Chunk* chunk = &firstChunk; chunk;
             chunk = chunk->next.load(std::memory_order_acquire)) {
            for (Slot& slot : chunk->slots) {
                if (slot.state.load(std::memory_order_acquire) != Held
                    || (slot.restore[0] != 0) != restoring)
                    continue;
                // Renaming a link onto another of the same file does nothing:
                // the unlink drops the spare name then.
                if (restoring)
                    renameat(slot.folder, slot.name, slot.folder, slot.restore);
                unlinkat(slot.folder, slot.name, 0);
            }
        }
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    raise(signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    errno = savedErrno;
    _exit(128 + signal);
}

} // namespace

void awaitEndOnSignal()
{
    for (int waited = 0; ending.load() && waited < 1000; ++waited) {
        const timespec pause{0, 10000000};
        nanosleep(&pause, nullptr);
    }
}

void removePendingFilesOnSignals()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_mask = cleanedSet();
    for (int signal : cleanedSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

CleanupHold::CleanupHold()
{
    const sigset_t block = cleanedSet();
    pthread_sigmask(SIG_BLOCK, &block, &heldSignals_);
    creating.fetch_add(1);
    // Seen unset after counting in: a cleanup not yet under way waits for us.
    entered_ = !ending.load();
}

CleanupHold::~CleanupHold()
{
    creating.fetch_sub(1);
    pthread_sigmask(SIG_SETMASK, &heldSignals_, nullptr);
    if (!entered_)
        awaitEndOnSignal();
}

PendingFile::PendingFile(int folder, const char* name, const char* restoreTo) : hold_(std::in_place)
{
    if (!hold_->ok()) {
        // Another thread is cleaning up and about to end the process: wait
        // for the end rather than fail and report a fault of our own.
        settle();
        return;
    }
    entered_ = true;
    const std::size_t length = std::strlen(name);
    const std::size_t restoreLength = restoreTo ? std::strlen(restoreTo) : 0;
    if (length >= nameSize || restoreLength >= nameSize)
        return;
    for (Chunk* chunk = &firstChunk; chunk;) {
        for (Slot& slot : chunk->slots) {
            int expected = Free;
            if (slot.state.load(std::memory_order_relaxed) == Free
                && slot.state.compare_exchange_strong(expected, Filling)) {
                slot.folder = folder;
                std::memcpy(slot.name, name, length + 1);
                slot.restore[0] = 0;
                if (restoreTo)
                    std::memcpy(slot.restore, restoreTo, restoreLength + 1);
                slot.state.store(Held, std::memory_order_release);
                slot_ = &slot;
                return;
            }
        }
        Chunk* next = chunk->next.load(std::memory_order_acquire);
        if (!next) {
            auto* fresh = new (std::nothrow) Chunk;
            // Out of memory: this name goes unregistered, as it would
            // without the cleanup.
            if (!fresh)
                return;
            if (chunk->next.compare_exchange_strong(next, fresh))
                next = fresh;
            else
                delete fresh; // another thread added one first: `next` is it
        }
        chunk = next;
    }
}

PendingFile::~PendingFile()
{
    settle();
    forget();
}

void PendingFile::settle() { hold_.reset(); }

void PendingFile::forget()
{
    if (!slot_)
        return;
    slot_->state.store(Free, std::memory_order_release);
    slot_ = nullptr;
}
