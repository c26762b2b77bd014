#pragma once

#include <QListWidget>
#include <QString>

namespace toolkit {

// The files (not folders) of `Path` whose names match `Pattern`, sorted, with
// extended multiple selection: a click selects one file, Shift extends over a
// range, Ctrl adds or removes single files. Starts on the current folder and
// "*.*". Entries are counted from 0.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // A path that is not a folder lists its nearest existing parent.
    void setPath(const QString& path);
    QString Pattern() const { return pattern_; }
    // Several patterns joined by ";", matched without regard to case.
    void setPattern(const QString& pattern);

    int ListCount() const { return count(); }
    // An index outside 0 … ListCount() - 1 is a subscript fault.
    QString List(int index) const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);

signals:
    // A double-click anywhere in the list, on an entry or not.
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QListWidgetItem* entry(int index) const;
    void fill();

    QString path_;
    QString pattern_;
};

} // namespace toolkit
