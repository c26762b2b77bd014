#pragma once

// Saving a preview's pages, and asking where.

#include "capture/capture.h"
#include "printing/output/formats.h"
#include "printing/page/pagerequest.h"
#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

inline constexpr int savedPngDpi = 150;

struct SaveChoice {
    QString path;
    OutputFormat format = OutputFormat::Pdf;
    bool crop = false; // images cut to the drawing (a format that crops)
};

// Asks in the save dialog, offering every output format and proposing
// `proposal` (a path without extension) as a PDF; the filter chosen gives the
// format and the missing extension; "Crop to the drawing", ticked as `crop`
// says, whether an image is cut to the drawing. nullopt on Cancel.
std::optional<SaveChoice> askSaveAs(QWidget* parent, const QString& proposal, bool crop = false);

// The files `count` pages of one format go to when each page is a file of
// its own: `path` for one page, else NAME-1.ext, NAME-2.ext ... with as many
// digits as the last number has.
QStringList pageFiles(const QString& path, int count);

// True when none of the files `count` pages of `choice` go to exists, or
// the user agrees to replace them. The save dialog asks only about the name
// typed, which is not written when each page gets a file of its own.
bool confirmReplacing(QWidget* parent, const SaveChoice& choice, int count);

// Writes the pages (a PDF holds them all), or for a format of samples the
// channels `request` chooses from the capture `capture` gives (it throws
// when there is none), each file whole or not at all; the files written.
// Throws Fault naming the file.
QStringList saveDocuments(const SaveChoice& choice, const std::vector<RecordedPage>& pages,
                          const PageRequest& request,
                          const std::function<const Capture&()>& capture);
