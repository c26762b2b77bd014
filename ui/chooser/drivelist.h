#pragma once

#include <QComboBox>
#include <QStringList>

namespace toolkit {

// The machine's drives: the roots of the mounted file systems, "/" first.
// Starts on the drive that holds the current folder.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // The picked drive's root, usable as a folder path.
    QString Drive() const;
    // Picks the drive that holds `path`.
    void setDrive(const QString& path);

    static QStringList drives();

signals:
    // The picked drive changed, by the user or by setDrive().
    void driveChanged(const QString& drive);
};

} // namespace toolkit
