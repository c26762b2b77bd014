#pragma once

#include <QListWidget>
#include <QString>

namespace toolkit {

// The open folder and its surroundings: the folders from the root down to
// `Path` (the open one highlighted), then the subfolders of `Path`, sorted,
// one level further in. Double-clicking a folder (or Enter on it) opens it.
// Starts on the current folder.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // Absolute, with the native separator; only a root ends with it.
    QString Path() const { return path_; }
    // A path that is not a folder opens its nearest existing parent.
    void setPath(const QString& path);

signals:
    // Path changed, by the user or by setPath().
    void pathChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void open(QListWidgetItem* item);

    QString path_;
};

} // namespace toolkit
