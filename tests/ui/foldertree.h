#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary folder tree for the chooser tests:
//   data/  a.csv  B.CSV  c.csv  notes.txt  README  sub/  empty/
//   data/sub/  x.csv
//   data/empty/
class FolderTree {
public:
    FolderTree()
    {
        const QDir root(dir_.path());
        root.mkpath(QStringLiteral("data/sub"));
        root.mkpath(QStringLiteral("data/empty"));
        for (const char* name : {"data/a.csv", "data/B.CSV", "data/c.csv", "data/notes.txt",
                                 "data/README", "data/sub/x.csv"}) {
            QFile file(root.filePath(QString::fromLatin1(name)));
            if (file.open(QIODevice::WriteOnly))
                file.write("x\r\n");
        }
    }

    bool isValid() const { return dir_.isValid(); }
    // `relative` below the tree's root; "" for the root itself.
    QString path(const QString& relative = QString()) const
    {
        return relative.isEmpty() ? dir_.path() : dir_.path() + QLatin1Char('/') + relative;
    }

private:
    QTemporaryDir dir_;
};
