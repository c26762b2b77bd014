#pragma once

// The PDF printer the program adds to the system's printers, and the
// printing service with it.

#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"
#include "printing/printers/recordingprinter.h"

#include <QString>

#include <functional>
#include <vector>

// A printer that turns the document into a PDF file. Drawing is only
// recorded; EndDoc() asks where to save and writes all of its pages at once.
class PdfPrinter : public RecordingPrinter {
public:
    // Returns the path to save to; "" cancels.
    using TargetChooser = std::function<QString()>;

    static inline const QString name = QStringLiteral("Adobe PDF");

    explicit PdfPrinter(TargetChooser chooser = {});

    void setTargetChooser(TargetChooser chooser) { chooser_ = std::move(chooser); }

private:
    TargetChooser chooser_;
};

// Writes the pages as one PDF to `path` with writeFileAtomically(): the file
// appears only when complete; on failure it throws Fault naming the path and
// leaves any existing file as it was.
void writePdf(const QString& path, const std::vector<RecordedPage>& pages);

// The printers given, then the PDF printer, in that order. No printer is
// made current: the caller may make its default printer current.
PrintingService makePrintingService(std::vector<PrinterRef> printers,
                                    PdfPrinter::TargetChooser chooser);
