// Entry point of the headless converter: quiet Qt notes, signal handling,
// then converterMain.

#include "app/converter.h"
#include "util/pendingfiles.h"

#include <QGuiApplication>
#include <QHashSeed>
#include <QTextStream>

#include <csignal>
#include <malloc.h>
#include <cstdio>

namespace {

QtMessageHandler previousHandler = nullptr;

// Standard error carries the user's faults only. Qt's notes that a headless
// machine has no XDG_RUNTIME_DIR, or that a font cannot shape a script (the
// text is still drawn, as the page shows it), are not the user's concern.
void quietNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg
        && (message.contains(QLatin1String("XDG_RUNTIME_DIR"))
            || message.trimmed().startsWith(QLatin1String("OpenType support missing for"))))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    // Past a file size limit, a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    // An interrupted run leaves no temporary file behind.
    removePendingFilesOnSignals();
    // Each page's recording and document take a few megabytes: kept in the
    // heap between pages rather than mapped and cleared afresh for each,
    // which cost a fifth of a batch's time in page faults.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Fonts and the PDF writer need a GUI application, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietNotes);
    // The PDF engine orders and names the fonts it embeds by Qt's hashes:
    // with a seed fixed, the same captures give the same bytes in every run.
    QHashSeed::setDeterministicGlobalSeed();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(converterName);
    QGuiApplication::setApplicationVersion(converterVersion);

    QTextStream out(stdout);
    QTextStream err(stderr);
    return converterMain(QGuiApplication::arguments(), out, err);
}
