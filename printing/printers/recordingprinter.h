#pragma once

// A printer whose pages are only recorded, for the PDF printer and the
// system's printers, which hand the finished document on in their own ways.

#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

class RecordingPrinter : public Printer {
public:
    // Takes the ended document's pages; its answer is EndDoc's (false: the
    // job was given up).
    using DocumentEnded = std::function<bool(std::vector<RecordedPage> pages)>;

    RecordingPrinter(QString name, DocumentEnded ended);

    QString deviceName() const override { return name_; }
    PageSurface& surface() override { return surface_; }

    // The page being drawn, empty between documents.
    const RecordingSurface& recording() const { return surface_; }
    void reserve(std::size_t calls) { surface_.reserve(calls); }

protected:
    void setDocumentEnded(DocumentEnded ended) { ended_ = std::move(ended); }

private:
    class Surface : public RecordingSurface {
    public:
        explicit Surface(RecordingPrinter& owner) : owner_(owner) {}
        // Whatever the answer, the next drawing starts a fresh document.
        bool EndDoc() override;
        void KillDoc() override;
        // The paper goes with the page rather than among its calls.
        void setPaper(Paper paper, LayoutKind layout) override { setPagePaper(paper, layout); }
        void newPage() override { done_.push_back(takePage()); }

    private:
        RecordingPrinter& owner_;
        std::vector<RecordedPage> done_; // the document's pages before this one
    };

    QString name_;
    DocumentEnded ended_;
    Surface surface_{*this};
};
