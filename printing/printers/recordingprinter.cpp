// A printer whose page is only recorded.
#include "printing/printers/recordingprinter.h"

RecordingPrinter::RecordingPrinter(QString name, PageEnded ended)
    : name_(std::move(name)), ended_(std::move(ended))
{
}
