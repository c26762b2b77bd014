#include "ui/main.h"
#include "util/pendingfiles.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHashSeed>
#include <QTimer>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Past a file size limit, a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    // An interrupted run leaves no temporary file behind.
    removePendingFilesOnSignals();
    // The PDF engine orders and names the fonts it embeds by Qt's hashes:
    // with a seed fixed, one page prints to the same bytes in every run.
    QHashSeed::setDeterministicGlobalSeed();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelmar"));
    QApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints a capture file as a timing diagram on an 11 x 17 inch PDF page."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("capture"),
                                 QStringLiteral("A capture file to load at start, as Load does."),
                                 QStringLiteral("[capture]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        fprintf(stderr, "zelmar: more than one capture file given\n");
        return 2;
    }

    ui::main window;
    window.show();
    if (!files.isEmpty()) {
        // Once the window is up, so that a fault report has it to stand over.
        const QString file = files.first();
        QTimer::singleShot(0, &window, [&window, file] { window.opencapture(file); });
    }
    return QApplication::exec();
}
