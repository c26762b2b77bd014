#pragma once

#include "ui/chooser/drivelist.h"
#include "ui/chooser/filelist.h"
#include "ui/chooser/folderlist.h"
#include "ui/toolkit/textbox.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The chooser window: drive, folder and file lists, the file-name box that
// holds the pending answer, the pattern box and the buttons. `choosefile`
// creates one for each call, shows it modally and reads it afterwards.
class selectfile : public QDialog { // design name
    Q_OBJECT
public:
    explicit selectfile(QWidget* parent = nullptr);

    // Design names: the controls and their handlers keep the design's spelling.
    toolkit::FolderList* dirlist;
    toolkit::FileList* filelist;
    toolkit::DriveList* drivelist;
    toolkit::TextBox* filename;
    QPushButton* okbutton;
    QPushButton* cancelbutton;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* filemask;
    QLineEdit* filecount;

    // True when the close box (or Escape, which acts alike) ended the display
    // rather than a button; the window then counts as gone.
    bool closedByCloseBox() const { return closedbyclosebox_; }

    void okbutton_Click();
    void cancelbutton_Click();
    void dirlist_Change();
    void drivelist_Change();
    void filelist_DblClick();
    void filemask_Change();
    void Form_Activate();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool closedbyclosebox_ = false;
};
