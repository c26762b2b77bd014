// The file list of the chooser window.

#include "ui/chooser/filelist.h"

#include "ui/toolkit/namepattern.h"
#include "ui/toolkit/platformfolders.h"
#include "util/fault.h"

#include <QDir>

namespace toolkit {

FileList::FileList(QWidget* parent)
    : QListWidget(parent), path_(platform::openableFolder(platform::curdir())),
      pattern_(QStringLiteral("*.*"))
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    fill();
}

void FileList::setPath(const QString& path)
{
    path_ = platform::openableFolder(path);
    fill();
}

void FileList::setPattern(const QString& pattern)
{
    // The same pattern again keeps the list and its selection: the window
    // sets it on every activation.
    if (pattern == pattern_)
        return;
    pattern_ = pattern;
    fill();
}

QString FileList::List(int index) const { return entry(index)->text(); }

bool FileList::Selected(int index) const { return entry(index)->isSelected(); }

void FileList::setSelected(int index, bool selected) { entry(index)->setSelected(selected); }

void FileList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

QListWidgetItem* FileList::entry(int index) const
{
    QListWidgetItem* found = index >= 0 ? item(index) : nullptr;
    if (!found)
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("file list entry %1 of %2").arg(index).arg(count()));
    return found;
}

void FileList::fill()
{
    clear();
    const NamePattern match(pattern_);
    const QStringList names = QDir(QDir::fromNativeSeparators(path_))
                                  .entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (match.matches(name))
            addItem(name);
    }
}

} // namespace toolkit
