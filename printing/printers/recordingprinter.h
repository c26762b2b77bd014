#pragma once

// A printer whose page is only recorded, for the PDF printer and for the
// converter, which hand the finished page on in their own ways.

#include "printing/page/recordingsurface.h"
#include "printing/printers/printingservice.h"

#include <QString>

#include <cstddef>
#include <functional>

class RecordingPrinter : public Printer {
public:
    // Takes the ended page; its answer is EndDoc's (false: the job was given up).
    using PageEnded = std::function<bool(RecordedPage page)>;

    RecordingPrinter(QString name, PageEnded ended);

    QString deviceName() const override { return name_; }
    PageSurface& surface() override { return surface_; }

    // The document being drawn, empty between documents.
    const RecordingSurface& recording() const { return surface_; }
    void reserve(std::size_t calls) { surface_.reserve(calls); }

protected:
    void setPageEnded(PageEnded ended) { ended_ = std::move(ended); }

private:
    class Surface : public RecordingSurface {
    public:
        explicit Surface(RecordingPrinter& owner) : owner_(owner) {}
        // Whatever the answer, the next drawing starts a fresh document.
        bool EndDoc() override { return owner_.ended_(takePage()); }
        void KillDoc() override { clear(); }

    private:
        RecordingPrinter& owner_;
    };

    QString name_;
    PageEnded ended_;
    Surface surface_{*this};
};
