#pragma once

// Every kind of document the program writes, in one list that the
// converter (its --format, its extension checks and its plan of files), the
// preview's Save as and the binder read. A new output format is an entry
// here and its writer beside the others in output/.

#include "capture/leveltable.h"
#include "printing/output/pngdocument.h" // the raster resolutions a PNG takes
#include "printing/page/pagerequest.h"
#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

enum class OutputFormat { Pdf, Svg, Png, Vcd };

// What documents are written from: the pages drawn, or for a format of
// samples, the chosen channels' levels and the request they were chosen by.
struct DocumentSource {
    std::vector<RecordedPage> pages;
    const LevelTable* levels = nullptr;
    const PageRequest* request = nullptr;
    int dpi = 150;     // of a raster image
    bool crop = false; // images cut to the drawing (a format that crops)
};

struct DocumentFormat {
    OutputFormat id;
    QString name;     // "pdf": what --format takes, and the extension without its dot
    QString filter;   // the save dialog's: "PDF document (*.pdf)"
    bool ofPages;     // written from pages; false: from the levels (no pages, paper or axis)
    bool filePerPage; // a file a page (NAME-1.svg …) rather than one document
    bool binds;       // --combine binds the pages of several captures into one
    bool crops;       // its images can be cut to the drawing (--crop)
    // The documents, one a file; `files` name them in the Fault one that
    // cannot be made throws. Each page is let go once it is written.
    std::vector<QByteArray> (*write)(DocumentSource source, const QStringList& files);

    QString extension() const { return QLatin1Char('.') + name; }
};

// PDF first: the format of a name without an extension.
const std::vector<DocumentFormat>& documentFormats();
const DocumentFormat& documentFormat(OutputFormat id);
// The format `name` names exactly (lower case, as --format takes it; an
// extension lowered first); nullptr for none.
const DocumentFormat* formatNamed(const QString& name);
// The names, as a message lists them: "pdf, svg, png or vcd"; each after
// `prefix` (".pdf, .svg, …").
QString formatNames(const QString& prefix = QString());
// The formats that crop, upper case: "SVG and PNG".
QString croppingFormats();

// Makes ready, on the calling thread, what a run's writers need, for as long
// as it lives: the PDF's font, which the writers would otherwise load in
// whichever thread first needs it, and the GUI application Qt's fonts need
// (made by `startGui`). SVG, PNG, a PDF page font not read from its file, and
// a run of several captures make it at once; one capture's PDF only once
// text needs a font other than the page's, drawn then on this thread.
class WriterSetUp {
public:
    WriterSetUp(OutputFormat id, bool oneCapture, const std::function<void()>& startGui);
    ~WriterSetUp();
    WriterSetUp(const WriterSetUp&) = delete;
    WriterSetUp& operator=(const WriterSetUp&) = delete;

private:
    std::unique_ptr<class PdfEngineSetUp> lateGui_;
};

// The documents of `source` in `format`, a file each; see DocumentFormat::write.
std::vector<QByteArray> writeDocuments(const DocumentFormat& format, DocumentSource source,
                                       const QStringList& files);
