// Choosing a file through the chooser window, and testing that a folder exists.

#include "ui/chooser/choosefile.h"

#include "ui/chooser/selectfile.h"
#include "ui/toolkit/platformfolders.h"
#include "util/basicutilities.h"

#include <QSignalBlocker>

#include <memory>

namespace {
// The start folder when none is given: the folder part of the default name,
// else the current folder. splitpath drops "/", so names written with "/"
// are split here.
QString startFromName(QString& defaultname)
{
    QString folder = basicutilities::splitpath(defaultname, 3);
    if (folder.isEmpty())
        folder = platform::slashFolderPart(defaultname);
    return folder.isEmpty() ? platform::curdir() : folder;
}

QString answerFor(const QString& text, const QString& folder)
{
    using basicutilities::cr;
    using basicutilities::lf;
    if (text.isEmpty())
        return {};
    if (platform::isRoot(folder))
        return folder + text;
    QString answer = folder + platform::separator() + text;
    // Names collected on separate lines become one line: each line break
    // turns into " ,". Replacing every cr and lf at once gives what
    // replacing the first of each, pass after pass, gives.
    if (answer.contains(cr)) {
        answer.replace(cr, QStringLiteral(" "));
        answer.replace(lf, QStringLiteral(","));
    }
    return answer;
}
} // namespace

QString choosefile(QString& defaultname, QString& pattern, QString& startfolder, QString& title)
{
    if (basicutilities::cr.isEmpty())
        basicutilities::setcontrolchars();

    QString start = startfolder.isEmpty() ? startFromName(defaultname) : startfolder;
    if (!folderexists(start))
        start = platform::appPath();
    const QString mask = pattern.isEmpty() ? QStringLiteral("*.*") : pattern;

    platform::chdrive(start);

    auto form = std::make_unique<selectfile>();
    {
        // There is no current drive to change here: the drive list is shown
        // on the start folder's file system instead, without opening its root.
        const QSignalBlocker quiet(form->drivelist);
        form->drivelist->setDrive(start);
    }
    form->filelist->setPattern(mask);
    form->filelist->setPath(start);
    form->dirlist->setPath(start);
    form->filename->setText(defaultname);
    form->setWindowTitle(title);

    form->exec();

    // The close box leaves nothing to read: the answer is "" and the
    // current folder stays where it is.
    const bool gone = form->closedByCloseBox();
    const QString text = gone ? QString() : form->filename->text();
    const QString folder = gone ? platform::curdir() : form->dirlist->Path();
    const QString answer = answerFor(text, folder);

    platform::chdir(folder);
    platform::chdrive(folder);

    form.reset();
    return answer;
}

QString choosefile(const QString& defaultname, const QString& pattern, const QString& startfolder,
                   const QString& title)
{
    QString name = defaultname;
    QString mask = pattern;
    QString start = startfolder;
    QString caption = title;
    return choosefile(name, mask, start, caption);
}

qint16 folderexists(const QString& path)
{
    if (path.isEmpty())
        return 0;
    try {
        return platform::dirSearch(path).isEmpty() ? 0 : -1;
    } catch (...) {
        return 0;
    }
}
