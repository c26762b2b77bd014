// Shows the chooser and the alert with sample contents and saves a picture of
// each: selectfile.png and alert.png in the folder given as the argument.
// Needs a real X server, best with a window manager for the title bars:
//   xvfb-run -a -s "-screen 0 1280x1024x24" sh -c 'twm & sleep 2; uiscreenshots docs'

#include "ui/alert.h"
#include "ui/chooser/choosefile.h"
#include "ui/chooser/selectfile.h"
#include "ui/toolkit/modalseam.h"
#include "util/basicutilities.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {
void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window with its frame, if a window manager drew one: the screen is
// black apart from the one window shown, so the picture is cut to the
// smallest rectangle holding every pixel that is not black.
QRect shownarea(const QImage& screen, const QRect& window)
{
    QRect area = window;
    for (int y = 0; y < screen.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        for (int x = 0; x < screen.width(); ++x) {
            if ((line[x] & 0xffffff) != 0)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

bool grab(QWidget* window, const QString& path)
{
    window->raise();
    window->activateWindow();
    settle(1000);
    const QImage screen =
        window->screen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = screen.copy(shownarea(screen, window->geometry()));
    QImageWriter writer(path);
    const bool saved = writer.write(picture);
    if (saved)
        std::fprintf(stderr, "wrote %s (%dx%d)\n", qPrintable(path), picture.width(),
                     picture.height());
    else
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
    return saved;
}

void makesamples(const QString& folder)
{
    QDir(folder).mkpath(QStringLiteral("archive"));
    QDir(folder).mkpath(QStringLiteral("bench"));
    for (const char* name :
         {"bus_idle.csv", "reset_seq.csv", "spi_burst.csv", "uart_rx.csv", "notes.txt"}) {
        QFile file(folder + QLatin1Char('/') + QString::fromLatin1(name));
        if (file.open(QIODevice::WriteOnly))
            file.write("sample\r\n");
    }
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Absolute: the chooser changes the current folder.
    const QString out =
        QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();
    basicutilities::setcontrolchars();

    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/runs-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    makesamples(scratch.path());

    bool ok = true;
    modalseam::push([&](QWidget* window) {
        auto* form = qobject_cast<selectfile*>(window);
        form->filelist->setSelected(1, true);
        form->filelist->setSelected(2, true);
        form->filelist_DblClick();
        ok = grab(form, out + QStringLiteral("/selectfile.png")) && ok;
        form->cancelbutton->click();
    });
    choosefile(QString(), QStringLiteral("*.csv"), scratch.path(),
               QStringLiteral("Select Zelmar CSV file"));

    alert& dialog = alert::form();
    dialog.message->setText(QStringLiteral("The capture file has no version key.\r\n"
                                           "Print the default file instead?"));
    modalseam::push([&](QWidget* window) {
        ok = grab(window, out + QStringLiteral("/alert.png")) && ok;
        dialog.Command1[1]->click();
    });
    dialog.showModal();
    alert::unload();
    return ok ? 0 : 1;
}
