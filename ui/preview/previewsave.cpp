// Saving a preview's pages in the format the user chose.

#include "ui/preview/previewsave.h"

#include "capture/leveltable.h"
#include "ui/toolkit/modalseam.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"
#include "util/files/outputname.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>

namespace {

// A typed extension names the format; else the filter does.
const DocumentFormat* formatChosen(const QString& typed, const QString& filter)
{
    if (const DocumentFormat* named = formatNamed(QFileInfo(typed).suffix().toLower()))
        return named;
    for (const DocumentFormat& f : documentFormats())
        if (f.filter == filter)
            return &f;
    return nullptr;
}

// The dialog's "Crop to the drawing", under its own controls, open to the
// formats that crop.
QCheckBox* addCropBox(QFileDialog& dialog, bool crop)
{
    auto* box = new QCheckBox(QStringLiteral("&Crop to the drawing"), &dialog);
    box->setObjectName(QStringLiteral("crop"));
    box->setToolTip(QStringLiteral("%1: only the drawing with a small margin, not the whole "
                                   "paper")
                        .arg(croppingFormats()));
    box->setChecked(crop);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    auto* typed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const auto follow = [&dialog, box, typed] {
        const DocumentFormat* format =
            formatChosen(typed ? typed->text() : QString(), dialog.selectedNameFilter());
        box->setEnabled(format && format->crops);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, box, follow);
    if (typed)
        QObject::connect(typed, &QLineEdit::textChanged, box, follow);
    follow();
    return box;
}

} // namespace

std::optional<SaveChoice> askSaveAs(QWidget* parent, const QString& proposal, bool crop)
{
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setObjectName(QStringLiteral("saveas"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList names;
    for (const DocumentFormat& f : documentFormats())
        names << f.filter;
    dialog.setNameFilters(names);
    const DocumentFormat& proposed = documentFormats().front();
    dialog.setDefaultSuffix(proposed.name);
    // The suffix follows the filter, so a name typed without one gets it.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& name) {
                         for (const DocumentFormat& f : documentFormats())
                             if (f.filter == name)
                                 dialog.setDefaultSuffix(f.name);
                     });
    const QFileInfo target(proposal);
    dialog.setDirectory(target.absolutePath());
    dialog.selectFile(target.fileName() + proposed.extension());
    const QCheckBox* cropBox = addCropBox(dialog, crop);
    modalseam::shown(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    SaveChoice choice{dialog.selectedFiles().constFirst(), proposed.id};
    const DocumentFormat* format = formatChosen(choice.path, dialog.selectedNameFilter());
    if (format) {
        choice.format = format->id;
        if (!formatNamed(QFileInfo(choice.path).suffix().toLower()))
            choice.path += format->extension();
    }
    choice.crop = cropBox->isChecked() && documentFormat(choice.format).crops;
    return choice;
}

QStringList pageFiles(const QString& path, int count)
{
    QStringList files;
    for (int k = 1; k <= std::max(1, count); ++k)
        files << pageFileName(path, k, count);
    return files;
}

bool confirmReplacing(QWidget* parent, const SaveChoice& choice, int count)
{
    if (count < 2 || !documentFormat(choice.format).filePerPage)
        return true;
    QStringList existing;
    for (const QString& file : pageFiles(choice.path, count))
        if (QFileInfo::exists(file))
            existing << QFileInfo(file).fileName();
    if (existing.isEmpty())
        return true;
    const QString text =
        existing.size() == 1
            ? QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(existing.first())
            : QStringLiteral("%1 of the %2 page files already exist, %3 … %4.\nDo you want to "
                             "replace them?")
                  .arg(existing.size())
                  .arg(count)
                  .arg(existing.first(), existing.last());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Save As"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    modalseam::shown(&box);
    return box.exec() == QMessageBox::Yes;
}

QStringList saveDocuments(const SaveChoice& choice, const std::vector<RecordedPage>& pages,
                          const PageRequest& request,
                          const std::function<const Capture&()>& capture)
{
    const DocumentFormat& format = documentFormat(choice.format);
    DocumentSource source;
    source.dpi = savedPngDpi;
    source.crop = choice.crop && format.crops;
    std::optional<LevelTable> levels;
    if (format.ofPages) {
        if (pages.empty())
            throw Fault(FaultKind::CannotWriteFile, QStringLiteral("there is no page to save"))
                .inFile(choice.path);
        source.pages = pages;
    } else {
        levels = selectChannels(capture().samples(), request.channels);
        source.levels = &*levels;
        source.request = &request;
    }
    const QStringList files =
        format.filePerPage ? pageFiles(choice.path, int(pages.size())) : QStringList{choice.path};
    // Every document is made before any is written: one that cannot be made
    // leaves no files behind.
    const std::vector<QByteArray> documents = writeDocuments(format, std::move(source), files);
    if (format.ofPages)
        writeFilesTogether(files, documents);
    else
        inFile(choice.path, [&] { writeFileAtomically(choice.path, documents.front()); });
    return files;
}
