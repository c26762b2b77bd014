#pragma once

// The process's one libsigrokdecode: started on first use, never stopped
// (its Python may still be needed by another thread until the process ends),
// and used by one thread at a time.

#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

namespace decode::interpreter {

// Holds the lock over every libsigrokdecode call while it lives, and starts
// the library the first time one is made. Its error log is kept quiet: the
// messages go to errors() instead of standard error.
class Hold {
public:
    Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // "" when the library runs, else the one line saying why it does not.
    QString startError() const;
    // The error messages the library logged since the hold began or since
    // the last call, oldest first (at most a few dozen: a decoder failing
    // on every sample says the same each time).
    QStringList takeErrors();

private:
    std::unique_lock<std::mutex> lock_;
};

// Raises TimeoutError in every thread that runs Python code, which only the
// threads of a running decode do (their caller waits in C). For a decoder
// that loops without end: libsigrokdecode itself can stop a decoder only
// while it waits for samples. Called while the decode's hold is held, from
// another thread than the one that holds it.
void interruptDecoders();

// libsigrokdecode 0.5 takes a reference to a decoder instance's Python
// object for each decode thread it starts and never gives it back, so each
// decode would keep its decoders' objects (a few kB) for the life of the
// process. The objects (srd_decoder_inst::py_inst) of the instances that had
// a thread, to be given back once their session is destroyed; empty for a
// library that is not known to keep them.
class KeptInstances {
public:
    void noteThreadOf(void* pythonObject);
    // Gives them back; called after srd_session_destroy(), under the hold.
    void giveBack();

private:
    std::vector<void*> objects_;
};

// The Python exception in an error log as one text, "ValueError: bad value":
// the lines after its traceback's last frame, else the first message; ""
// for an empty log.
QString exceptionText(const QStringList& errors);

// The source line of that traceback's last frame, trimmed: the line that
// raised it. "" when there is no traceback.
QString failingLine(const QStringList& errors);

} // namespace decode::interpreter
