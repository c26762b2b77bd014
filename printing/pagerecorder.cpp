// Recording a page through the usual print, for the converter's writers.

#include "printing/pagerecorder.h"

#include "printing/printers/pdfprinter.h"

#include <memory>

namespace {

// Answers to the PDF printer's name so the print goes through the usual
// printer choice, and keeps the ended page instead of saving it.
class KeepingPrinter : public Printer {
public:
    QString deviceName() const override { return PdfPrinter::name; }
    PageSurface& surface() override { return surface_; }
    std::vector<SurfaceCall> take() { return std::move(kept_); }
    void reserve(std::size_t calls) { surface_.reserve(calls); }

private:
    class Surface : public RecordingSurface {
    public:
        explicit Surface(KeepingPrinter& owner) : owner_(owner) {}
        bool EndDoc() override
        {
            owner_.kept_ = takeCalls();
            return true;
        }
        void KillDoc() override { clear(); }

    private:
        KeepingPrinter& owner_;
    };

    std::vector<SurfaceCall> kept_;
    Surface surface_{*this};
};

} // namespace

std::vector<SurfaceCall> recordPage(const PrintRequest& request)
{
    // Pages of one batch tend to be alike: room for as many calls as the last
    // page of this thread spares regrowing the list call by call.
    thread_local std::size_t lastSize = 0;
    const auto printer = std::make_shared<KeepingPrinter>();
    printer->reserve(lastSize);
    PrintingService service({printer});
    PrinterRef reference;
    printtiming(request, service, reference);
    std::vector<SurfaceCall> page = printer->take();
    lastSize = page.size();
    return page;
}
