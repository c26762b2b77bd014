#include "ui/main.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelmar"));
    QApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));
    ui::main window;
    window.show();
    return QApplication::exec();
}
