// Entry point of the desktop program: arguments, then the main window.

#include "app/appicon.h"
#include "ui/main.h"
#include "util/files/pendingfiles.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHashSeed>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>

namespace {

void describe(QCommandLineParser& parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("zelmar"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));
    parser.setApplicationDescription(
        QStringLiteral("Prints a capture file as a timing diagram on an 11 x 17 inch PDF page."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("capture"),
                                 QStringLiteral("A capture file to load at start, as Load does."),
                                 QStringLiteral("[capture]"));
}

// The capture files named, or nullopt when the arguments are left to the
// window's parser. Help, the version and a usage error are answered here,
// before a display is needed; arguments that may be Qt's own (-platform …)
// are left to the window's parser, which sees them removed.
std::optional<QStringList> earlyarguments(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        // Qt's own options reach this parser unremoved: "-platform" as the
        // letters p, l, a …, "--platform" by its name.
        static const QStringList qtoptions{QStringLiteral("platform"),
                                           QStringLiteral("platformpluginpath"),
                                           QStringLiteral("platformtheme"),
                                           QStringLiteral("plugin"),
                                           QStringLiteral("display"),
                                           QStringLiteral("geometry"),
                                           QStringLiteral("qwindowgeometry"),
                                           QStringLiteral("qwindowicon"),
                                           QStringLiteral("qwindowtitle"),
                                           QStringLiteral("title"),
                                           QStringLiteral("name"),
                                           QStringLiteral("session"),
                                           QStringLiteral("style"),
                                           QStringLiteral("stylesheet"),
                                           QStringLiteral("reverse"),
                                           QStringLiteral("widgetcount"),
                                           QStringLiteral("nograb"),
                                           QStringLiteral("dograb"),
                                           QStringLiteral("sync"),
                                           QStringLiteral("visual"),
                                           QStringLiteral("qmljsdebugger")};
        const QStringList unknown = parser.unknownOptionNames();
        const auto isqtown = [](const QString& name) {
            return name.size() == 1 || qtoptions.contains(name.section(QLatin1Char('='), 0, 0));
        };
        if (!unknown.isEmpty() && std::all_of(unknown.begin(), unknown.end(), isqtown))
            return std::nullopt;
    }
    // Answers help and the version, and ends the program.
    parser.process(app);
    return parser.positionalArguments();
}

} // namespace

int main(int argc, char* argv[])
{
    // Past a file size limit, a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    // An interrupted run leaves no temporary file behind.
    removePendingFilesOnSignals();
    // The PDF engine orders and names the fonts it embeds by Qt's hashes:
    // with a seed fixed, one page prints to the same bytes in every run.
    QHashSeed::setDeterministicGlobalSeed();
    std::optional<QStringList> files = earlyarguments(argc, argv);
    if (files && files->size() > 1) {
        fprintf(stderr, "zelmar: more than one capture file given\n");
        return 2;
    }

    QApplication app(argc, argv);
    // Every window carries the icon, and a dock matches them to the menu entry.
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(ZELMAR_APP_ID));
    if (!files) {
        QCommandLineParser parser;
        describe(parser);
        parser.process(app);
        files = parser.positionalArguments();
        if (files->size() > 1) {
            fprintf(stderr, "zelmar: more than one capture file given\n");
            return 2;
        }
    }

    ui::main window;
    window.show();
    if (!files->isEmpty()) {
        // Once the window is up, so that a fault report has it to stand over.
        const QString file = files->first();
        QTimer::singleShot(0, &window, [&window, file] { window.openCapture(file); });
    }
    return QApplication::exec();
}
