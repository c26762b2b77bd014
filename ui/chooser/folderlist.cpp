// The folder list of the chooser window.

#include "ui/chooser/folderlist.h"

#include "ui/toolkit/platformfolders.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace toolkit {
namespace {
constexpr int pathRole = Qt::UserRole;
constexpr int depthRole = Qt::UserRole + 1;

// Draws each folder one step further in than the one above it.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indent(option, index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indent(option, index);
        return size;
    }

private:
    static int indent(const QStyleOptionViewItem& option, const QModelIndex& index)
    {
        return index.data(depthRole).toInt() * option.fontMetrics.averageCharWidth() * 2;
    }
};

// The folders from the root down to `folder`, each as an absolute path.
QStringList chain(const QString& folder)
{
    QStringList folders;
    QDir dir(QDir::fromNativeSeparators(folder));
    for (;;) {
        folders.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    return folders;
}

QString shownName(const QString& absolute)
{
    const QDir dir(absolute);
    return dir.isRoot() ? QDir::toNativeSeparators(absolute) : dir.dirName();
}
} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentDelegate(this));
    const int icon = fontMetrics().height();
    setIconSize(QSize(icon, icon));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
    path_ = platform::openableFolder(platform::curdir());
    fill();
}

void FolderList::setPath(const QString& path)
{
    const QString folder = platform::openableFolder(path);
    const bool changed = folder != path_;
    path_ = folder;
    fill();
    if (changed)
        emit pathChanged(path_);
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::open(QListWidgetItem* item)
{
    if (item)
        setPath(item->data(pathRole).toString());
}

void FolderList::fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);

    const QStringList folders = chain(path_);
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& folder : folders) {
        current = new QListWidgetItem(openIcon, shownName(folder), this);
        current->setData(pathRole, QDir::toNativeSeparators(folder));
        current->setData(depthRole, depth++);
    }

    const QDir dir(QDir::fromNativeSeparators(path_));
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closedIcon, name, this);
        item->setData(pathRole, QDir::toNativeSeparators(dir.absoluteFilePath(name)));
        item->setData(depthRole, depth);
    }

    setCurrentItem(current);
}

} // namespace toolkit
