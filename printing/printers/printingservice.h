#pragma once

// The printers a print can go to, and the current one.

#include "printing/page/pagesurface.h"

#include <QString>

#include <memory>
#include <vector>

// One installed printer. surface() is the page of the document being drawn;
// a fresh document starts after each EndDoc().
class Printer {
public:
    virtual ~Printer() = default;
    virtual QString deviceName() const = 0;
    virtual PageSurface& surface() = 0;
};

using PrinterRef = std::shared_ptr<Printer>;

// The printer list in enumeration order and the current printer, which
// stays current between prints for as long as the service lives.
class PrintingService {
public:
    PrintingService() = default;
    explicit PrintingService(std::vector<PrinterRef> printers);

    const std::vector<PrinterRef>& printers() const { return printers_; }
    void addPrinter(PrinterRef printer);

    PrinterRef current() const { return current_; }
    void setCurrent(PrinterRef printer) { current_ = std::move(printer); }

    // Device name of the current printer, "" when there is none.
    QString currentDeviceName() const;

private:
    std::vector<PrinterRef> printers_;
    PrinterRef current_;
};
