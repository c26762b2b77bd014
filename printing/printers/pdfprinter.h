#pragma once

#include "printing/printers/printingservice.h"
#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// A printer that turns the page into a PDF file. Drawing is only recorded;
// EndDoc() asks where to save and writes the whole document at once.
class PdfPrinter : public Printer {
public:
    // Returns the path to save to; "" cancels.
    using TargetChooser = std::function<QString()>;

    static inline const QString name = QStringLiteral("Adobe PDF");

    explicit PdfPrinter(TargetChooser chooser = {});

    QString deviceName() const override { return name; }
    PageSurface& surface() override { return surface_; }

    void setTargetChooser(TargetChooser chooser) { chooser_ = std::move(chooser); }

    // The document being drawn, empty between documents.
    const RecordingSurface& recording() const { return surface_; }

private:
    class Surface : public RecordingSurface {
    public:
        explicit Surface(PdfPrinter& owner) : owner_(owner) {}
        // Asks for the target; false when cancelled. Throws Fault when the
        // document cannot be written.
        bool EndDoc() override;
        void KillDoc() override { clear(); }

    private:
        PdfPrinter& owner_;
    };

    TargetChooser chooser_;
    Surface surface_{*this};
};

// The calls as a one-page vector PDF, 17 x 11 inches at 1200 dpi with no
// margins.
QByteArray pdfDocument(const std::vector<SurfaceCall>& calls);

// Writes pdfDocument() to `path` with writeFileAtomically(): the file appears
// only when complete; on failure it throws Fault naming the path and leaves
// any existing file as it was.
void writePdf(const QString& path, const std::vector<SurfaceCall>& calls);

// The printers given, then the PDF printer, in that order. No printer is
// made current: the caller may make its default printer current.
PrintingService makePrintingService(std::vector<PrinterRef> printers,
                                    PdfPrinter::TargetChooser chooser);
