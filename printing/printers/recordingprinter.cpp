// A printer whose pages are only recorded.
#include "printing/printers/recordingprinter.h"

RecordingPrinter::RecordingPrinter(QString name, DocumentEnded ended)
    : name_(std::move(name)), ended_(std::move(ended))
{
}

bool RecordingPrinter::Surface::EndDoc()
{
    std::vector<RecordedPage> pages = std::move(done_);
    done_.clear();
    pages.push_back(takePage());
    return owner_.ended_(std::move(pages));
}

void RecordingPrinter::Surface::KillDoc()
{
    done_.clear();
    clear();
}
