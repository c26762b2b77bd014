// The chooser window: its controls and their handlers.

#include "ui/chooser/selectfile.h"

#include "ui/toolkit/modalseam.h"
#include "ui/toolkit/twips.h"
#include "util/basicutilities.h"

#include <QEvent>
#include <QShowEvent>

namespace {
template <class Control>
Control* control(QWidget* form, const char* name)
{
    auto* made = new Control(form);
    made->setObjectName(QString::fromLatin1(name));
    return made;
}

QPushButton* button(QWidget* form, const char* name, const QString& caption)
{
    auto* made = control<QPushButton>(form, name);
    made->setText(caption);
    // Neither button answers Enter by itself.
    made->setAutoDefault(false);
    made->setDefault(false);
    return made;
}

QLabel* label(QWidget* form, const char* name, const QString& caption)
{
    auto* made = control<QLabel>(form, name);
    made->setText(caption);
    return made;
}
} // namespace

selectfile::selectfile(QWidget* parent) : QDialog(parent)
{
    if (basicutilities::crlf.isEmpty())
        basicutilities::setcontrolchars();

    setObjectName(QStringLiteral("selectfile"));
    setFont(toolkit::designFont(8.25));
    toolkit::fixedDialogFrame(this, 4410, 5625);
    setWindowTitle(QStringLiteral(" "));

    dirlist = control<toolkit::FolderList>(this, "dirlist");
    filelist = control<toolkit::FileList>(this, "filelist");
    drivelist = control<toolkit::DriveList>(this, "drivelist");
    filename = control<toolkit::TextBox>(this, "filename");
    okbutton = button(this, "okbutton", QStringLiteral("OK"));
    cancelbutton = button(this, "cancelbutton", QStringLiteral("Cancel"));
    Label1 = label(this, "Label1", QStringLiteral("Files: "));
    Label2 = label(this, "Label2", QStringLiteral("Directories:"));
    Label3 = label(this, "Label3", QStringLiteral("Drives"));
    filemask = control<QLineEdit>(this, "filemask");
    filecount = control<QLineEdit>(this, "filecount");

    toolkit::placeTwips(dirlist, 2205, 270, 2190, 4365);
    toolkit::placeTwips(filelist, 45, 1170, 2115, 3990);
    toolkit::placeTwips(drivelist, 2205, 4860, 2145, 315);
    toolkit::placeTwips(filename, 45, 45, 2085, 780);
    toolkit::placeTwips(okbutton, 45, 5220, 2130, 330);
    toolkit::placeTwips(cancelbutton, 2250, 5220, 2130, 330);
    toolkit::placeTwips(Label1, 45, 900, 1095, 255);
    toolkit::placeTwips(Label2, 2205, 45, 1335, 255);
    toolkit::placeTwips(Label3, 2205, 4635, 630, 255);
    toolkit::placeTwips(filemask, 1170, 855, 975, 285);
    toolkit::placeTwips(filecount, 495, 855, 645, 285);

    toolkit::setTabOrder(
        {dirlist, filelist, drivelist, filename, okbutton, cancelbutton, filemask, filecount});
    dirlist->setFocus();

    connect(okbutton, &QPushButton::clicked, this, &selectfile::okbutton_Click);
    connect(cancelbutton, &QPushButton::clicked, this, &selectfile::cancelbutton_Click);
    connect(dirlist, &toolkit::FolderList::pathChanged, this, &selectfile::dirlist_Change);
    connect(drivelist, &toolkit::DriveList::driveChanged, this, &selectfile::drivelist_Change);
    connect(filelist, &toolkit::FileList::doubleClicked, this, &selectfile::filelist_DblClick);
    connect(filemask, &QLineEdit::textChanged, this, &selectfile::filemask_Change);
}

void selectfile::okbutton_Click() { hide(); }

void selectfile::cancelbutton_Click()
{
    filename->setText(QString());
    hide();
}

void selectfile::dirlist_Change()
{
    filelist->setPath(dirlist->Path());
    filename->setText(QString());
}

void selectfile::drivelist_Change()
{
    dirlist->setPath(drivelist->Drive());
    filelist->setPath(dirlist->Path());
}

void selectfile::filelist_DblClick()
{
    QString names;
    int count = 0;
    for (int i = 0; i < filelist->ListCount(); ++i) {
        if (filelist->Selected(i)) {
            names += basicutilities::crlf + filelist->List(i);
            ++count;
        }
    }
    filename->setText(names.mid(2));
    filecount->setText(QString::number(count));
}

void selectfile::filemask_Change() { filelist->setPattern(filemask->text()); }

void selectfile::Form_Activate() { filemask->setText(filelist->Pattern()); }

void selectfile::reject()
{
    closedbyclosebox_ = true;
    QDialog::reject();
}

void selectfile::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        modalseam::shown(this);
}

void selectfile::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}
