#include "ui/main.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[])
{
    // Past a file size limit, a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelmar"));
    QApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));
    ui::main window;
    window.show();
    return QApplication::exec();
}
