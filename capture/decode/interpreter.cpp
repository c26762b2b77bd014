// libsigrokdecode's start, its lock and its error log.

// Python's header comes first, as Python asks.
#include <Python.h>

#include "capture/decode/interpreter.h"

#include <libsigrokdecode/libsigrokdecode.h>

#include <clocale>
#include <cstdarg>
#include <utility>

namespace decode::interpreter {

namespace {

constexpr qsizetype keptErrors = 32;

struct State {
    std::mutex lock; // over every library call
    bool tried = false;
    QString startError;
    std::mutex logLock; // the decoders log from their own threads
    QStringList errors;
};

// Never destroyed: a thread may still decode while the process ends.
State& state()
{
    static State* const shared = new State;
    return *shared;
}

int onLog(void*, int level, const char* format, va_list args)
{
    if (level > SRD_LOG_ERR)
        return SRD_OK;
    char* text = g_strdup_vprintf(format, args);
    State& s = state();
    {
        const std::lock_guard<std::mutex> guard(s.logLock);
        if (s.errors.size() < keptErrors)
            s.errors << QString::fromUtf8(text);
    }
    g_free(text);
    return SRD_OK;
}

void start(State& s)
{
    s.tried = true;
    srd_log_callback_set(onLog, nullptr);
    srd_log_loglevel_set(SRD_LOG_ERR);
    // The embedded Python sets the character type locale to the user's; the
    // program keeps the one it had.
    // The decoders import only the standard library; without `site` (the
    // extra package folders and their .pth files) Python starts in half the
    // work, and runs no code installed beside it.
    Py_NoSiteFlag = 1;
    // Nor does it write bytecode beside the installed decoders (a run as
    // root would leave it there), or read PYTHON* variables meant for
    // another Python.
    Py_DontWriteBytecodeFlag = 1;
    Py_IgnoreEnvironmentFlag = 1;
    const QByteArray locale = std::setlocale(LC_ALL, nullptr);
    const int result = srd_init(nullptr);
    std::setlocale(LC_ALL, locale.constData());
    if (result == SRD_OK) {
        // libsigrokdecode 0.5.3's has_channel() hands out True or False
        // without the reference it owes, so every call takes one of theirs;
        // after a few dozen decodes Python frees True and aborts the
        // process. A reserve no run can use up keeps them alive (Python 3.12
        // makes them immortal; later libraries pay the reference).
        const PyGILState_STATE gil = PyGILState_Ensure();
        for (PyObject* flag : {Py_True, Py_False})
            Py_SET_REFCNT(flag, Py_REFCNT(flag) + (Py_ssize_t(1) << 40));
        // A decoder's print() would land in the page when it goes to
        // standard output (-o -).
        PyRun_SimpleString("import sys\nsys.stdout = sys.stderr = open('/dev/null', 'w')");
        PyGILState_Release(gil);
    } else {
        const QStringList errors = std::exchange(s.errors, {});
        s.startError =
            QStringLiteral("decoding is not available: libsigrokdecode did not start "
                           "(%1%2)")
                .arg(QString::fromUtf8(srd_strerror(result)),
                     errors.isEmpty() ? QString() : QStringLiteral(": ") + errors.first());
    }
}

} // namespace

Hold::Hold() : lock_(state().lock)
{
    State& s = state();
    if (!s.tried)
        start(s);
    takeErrors();
}

QString Hold::startError() const { return state().startError; }

QStringList Hold::takeErrors()
{
    State& s = state();
    const std::lock_guard<std::mutex> guard(s.logLock);
    return std::exchange(s.errors, {});
}

void interruptDecoders()
{
    const PyGILState_STATE gil = PyGILState_Ensure();
    PyObject* sys = PyImport_ImportModule("sys");
    PyObject* frames = sys ? PyObject_CallMethod(sys, "_current_frames", nullptr) : nullptr;
    if (frames && PyDict_Check(frames)) {
        PyObject* key = nullptr;
        PyObject* frame = nullptr;
        for (Py_ssize_t at = 0; PyDict_Next(frames, &at, &key, &frame);) {
            const unsigned long thread = PyLong_AsUnsignedLong(key);
            if (!PyErr_Occurred() && thread != PyThread_get_thread_ident())
                PyThreadState_SetAsyncExc(thread, PyExc_TimeoutError);
        }
    }
    PyErr_Clear();
    Py_XDECREF(frames);
    Py_XDECREF(sys);
    PyGILState_Release(gil);
}

void KeptInstances::noteThreadOf(void* pythonObject)
{
    if (pythonObject && srd_package_version_major_get() == 0
        && srd_package_version_minor_get() == 5)
        objects_.push_back(pythonObject);
}

void KeptInstances::giveBack()
{
    if (objects_.empty())
        return;
    const PyGILState_STATE gil = PyGILState_Ensure();
    for (void* object : std::exchange(objects_, {}))
        Py_DECREF(static_cast<PyObject*>(object));
    PyGILState_Release(gil);
}

namespace {

// The lines of the first traceback in the log; empty when none.
QStringList tracebackLines(const QStringList& errors)
{
    for (const QString& error : errors)
        if (error.contains(QLatin1String("Traceback (most recent call last)")))
            return error.split(u'\n');
    return {};
}

} // namespace

QString exceptionText(const QStringList& errors)
{
    // Frames and their source lines are indented; the exception follows.
    const QStringList lines = tracebackLines(errors);
    qsizetype last = -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(u' '))
            last = i;
    const QString text = lines.mid(last + 1).join(u'\n').trimmed();
    if (!text.isEmpty())
        return text;
    return errors.isEmpty() ? QString() : errors.first().trimmed();
}

QString failingLine(const QStringList& errors)
{
    const QStringList lines = tracebackLines(errors);
    for (qsizetype i = lines.size() - 2; i >= 0; --i)
        if (lines[i].startsWith(QLatin1String("  File \"")))
            return lines[i + 1].trimmed();
    return QString();
}

} // namespace decode::interpreter
