// Entry point of the headless converter: quiet Qt notes, signal handling,
// then converterMain.

#include "app/converter.h"
#include "util/files/pendingfiles.h"

#include <QGuiApplication>
#include <QHashSeed>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

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

// Options the GUI application takes out of the arguments for itself
// (-platform offscreen, -reverse, ...). Given one, the application is made
// first, as it always was, so that it reads its options before ours.
bool namesAGuiOption(int argc, char* argv[])
{
    static const char* const options[] = {"platform",
                                          "platformpluginpath",
                                          "platformtheme",
                                          "plugin",
                                          "qwindowgeometry",
                                          "qwindowtitle",
                                          "qwindowicon",
                                          "reverse",
                                          "session",
                                          "testability",
                                          "style",
                                          "display",
                                          "geometry",
                                          "title",
                                          "icon",
                                          "name"};
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (name[0] != '-')
            continue;
        name += name[1] == '-' ? 2 : 1;
        if (std::strncmp(name, "style=", 6) == 0 || std::strncmp(name, "qmljsdebugger=", 14) == 0)
            return true;
        for (const char* option : options)
            if (std::strcmp(name, option) == 0)
                return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // Past a file size limit, a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    // An interrupted run leaves no temporary file behind.
    removePendingFilesOnSignals();
    // Qt's fonts need a GUI application, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietNotes);
    // The PDF engine orders and names the fonts it embeds by Qt's hashes:
    // with a seed fixed, the same captures give the same bytes in every run.
    QHashSeed::setDeterministicGlobalSeed();

    // Fonts and the platform plugin cost more than reading the arguments
    // and a capture: made only once text is to be drawn with Qt's fonts, so
    // help, the version, a usage error, an unreadable capture or a PDF in
    // the page font alone never wait for them.
    std::optional<QGuiApplication> app;
    const auto startGui = [&] {
        if (app)
            return;
        app.emplace(argc, argv);
        QGuiApplication::setApplicationName(converterName);
        QGuiApplication::setApplicationVersion(converterVersion);
    };
    QStringList arguments;
    if (namesAGuiOption(argc, argv)) {
        startGui();
        arguments = QGuiApplication::arguments();
    } else {
        // As the application would decode them.
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    return converterMain(arguments, out, err, startGui);
}
