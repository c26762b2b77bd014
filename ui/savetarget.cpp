// Where a printed PDF is proposed to go, and asking the user.

#include "ui/savetarget.h"

#include "ui/toolkit/modalseam.h"
#include "util/files/outputname.h"

#include <QFileDialog>
#include <QFileInfo>

QString proposedPdfPath(const QString& capturepath)
{
    return outputNameFor(capturepath, QStringLiteral(".pdf"));
}

QString askSavePdf(QWidget* parent, const QString& proposal)
{
    // Qt's own dialog, so it looks and behaves the same on every desktop and
    // can be driven from tests.
    QFileDialog dialog(parent, QStringLiteral("Save PDF"));
    dialog.setObjectName(QStringLiteral("savepdf"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    const QFileInfo target(proposal);
    dialog.setDirectory(target.absolutePath());
    dialog.selectFile(target.fileName());
    modalseam::shown(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
