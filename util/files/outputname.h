#pragma once

#include <QString>
#include <QStringList>

// Where a capture's document goes when no file is named: its name with
// `extension` (".pdf"), in `folder`, or in the capture's own folder when
// `folder` is empty. A name that is all extension ("".csv") becomes "timing".
QString outputNameFor(const QString& capturepath, const QString& extension,
                      const QString& folder = QString());

// One key per file that writing `path` would replace, whether it exists yet
// or not: the real folder's device and inode plus the name, as the kernel
// resolves links and "..". Two spellings of one place give the same key.
QString sameFileKey(const QString& path);

// The file of page `page` (1-based) of `pages` written one file a page, as
// pdftoppm names them: "run.svg" gives "run-1.svg" ... "run-4.svg", the
// number as wide as the page count's ("run-01.png" of 12). One page, or
// standard output ("-"), keeps the name.
QString pageFileName(const QString& target, int page, int pages);

// Where each capture of a run goes, and what stops a run or a capture
// before anything is written. "-" is standard output.
struct OutputPlan {
    QStringList targets;       // one per capture; empty ones with a binder
    QList<QStringList> files;  // one per capture: its page files, else its target
    QStringList overCapture;   // one per capture: why its target may not be written
    QString binderOverCapture; // why the binder may not be written
    // The first usage error: "X and Y would both be written to T", or a pipe
    // or device given as a capture with no output named.
    QString collision;
};

OutputPlan planOutputs(const QStringList& captures, const QString& output, const QString& outputDir,
                       const QString& combine, const QString& extension, int pageFiles = 1);
