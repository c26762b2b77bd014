// Saving a preview's pages in the format the user chose.

#include "ui/previewsave.h"

#include "printing/output/document.h"
#include "ui/modalseam.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"
#include "util/files/outputname.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>

namespace {

struct Filter {
    SaveFormat format;
    QString filter;
    QString suffix;
};

const std::vector<Filter>& filters()
{
    static const std::vector<Filter> all = {
        {SaveFormat::Pdf, QStringLiteral("PDF document (*.pdf)"), QStringLiteral("pdf")},
        {SaveFormat::Svg, QStringLiteral("SVG image (*.svg)"), QStringLiteral("svg")},
        {SaveFormat::Png, QStringLiteral("PNG image (*.png)"), QStringLiteral("png")},
        {SaveFormat::Dump, QStringLiteral("Value change dump (*.vcd)"), QStringLiteral("vcd")},
    };
    return all;
}

} // namespace

std::optional<SaveChoice> askSaveAs(QWidget* parent, const QString& proposal)
{
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setObjectName(QStringLiteral("saveas"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList names;
    for (const Filter& f : filters())
        names << f.filter;
    dialog.setNameFilters(names);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    // The suffix follows the filter, so a name typed without one gets it.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& name) {
                         for (const Filter& f : filters())
                             if (f.filter == name)
                                 dialog.setDefaultSuffix(f.suffix);
                     });
    const QFileInfo target(proposal);
    dialog.setDirectory(target.absolutePath());
    dialog.selectFile(target.fileName() + QStringLiteral(".pdf"));
    modalseam::shown(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    SaveChoice choice{dialog.selectedFiles().constFirst(), SaveFormat::Pdf};
    // A typed extension names the format; else the filter does.
    const QString suffix = QFileInfo(choice.path).suffix().toLower();
    bool named = false;
    for (const Filter& f : filters())
        if (f.suffix == suffix) {
            choice.format = f.format;
            named = true;
        }
    if (!named)
        for (const Filter& f : filters())
            if (f.filter == dialog.selectedNameFilter()) {
                choice.format = f.format;
                choice.path += QLatin1Char('.') + f.suffix;
            }
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
    if (count < 2 || (choice.format != SaveFormat::Svg && choice.format != SaveFormat::Png))
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
                          const std::function<QByteArray()>& dump)
{
    if (choice.format == SaveFormat::Dump) {
        const QByteArray bytes = dump();
        inFile(choice.path, [&] { writeFileAtomically(choice.path, bytes); });
        return {choice.path};
    }
    if (pages.empty())
        throw Fault(FaultKind::CannotWriteFile, QStringLiteral("there is no page to save"))
            .inFile(choice.path);
    const OutputFormat format = choice.format == SaveFormat::Svg   ? OutputFormat::Svg
                                : choice.format == SaveFormat::Png ? OutputFormat::Png
                                                                   : OutputFormat::Pdf;
    const QStringList files = format == OutputFormat::Pdf
                                  ? QStringList{choice.path}
                                  : pageFiles(choice.path, int(pages.size()));
    // Every page is made before any is written: a page that cannot be made
    // leaves no files behind.
    const std::vector<QByteArray> documents = documentsOf(format, pages, savedPngDpi, files);
    writeFilesTogether(files, documents);
    return files;
}
