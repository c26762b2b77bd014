// The drive list of the chooser window.

#include "ui/chooser/drivelist.h"

#include "ui/toolkit/platformfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace toolkit {
namespace {

// The longest drive root that `path` lies under.
int driveIndexFor(const QStringList& roots, const QString& path)
{
    const QString absolute = QDir::fromNativeSeparators(platform::openableFolder(path));
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        QString root = QDir::fromNativeSeparators(roots.at(i));
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        const bool under = (absolute + QLatin1Char('/')).startsWith(root, platform::nameCase());
        if (under && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}
} // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    const QStringList roots = drives();
    addItems(roots);
    setCurrentIndex(driveIndexFor(roots, platform::curdir()));
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            emit driveChanged(Drive());
    });
}

QString DriveList::Drive() const { return currentText(); }

void DriveList::setDrive(const QString& path)
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots << itemText(i);
    const int index = driveIndexFor(roots, path);
    if (index >= 0)
        setCurrentIndex(index);
}

QStringList DriveList::drives()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || !QFileInfo(volume.rootPath()).isDir())
            continue;
        const QString root = QDir::toNativeSeparators(volume.rootPath());
        if (!roots.contains(root))
            roots << root;
    }
    std::sort(roots.begin(), roots.end());
    const QString top = QDir::toNativeSeparators(QDir::rootPath());
    roots.removeAll(top);
    roots.prepend(top);
    return roots;
}

} // namespace toolkit
