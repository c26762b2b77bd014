#pragma once

// Printing one capture as a timing page, or several, on the chosen printer.

#include "printing/page/pagelayout.h"
#include "printing/printers/printingservice.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>

struct ChannelBoxes;
class SampleTable;

// The box of `PrintRequest::values` that is "Tick marks"; 0 … 15 are the channels.
inline constexpr std::size_t tickMarksBox = 16;

// What the main window holds when Print is clicked.
struct PrintRequest {
    QString filepath;
    // The capture's bytes when it can be read only once (a pipe); else Print
    // reads the file at `filepath`.
    std::optional<QByteArray> filebytes;
    std::array<int, 17> values{}; // channelselect 0 … 16 (16: "Tick marks")
    std::array<QString, 17> captions;
    QString tickfrequency;
    QString resolution;
    QString heading;
    int unitindex = 0; // chosen entry of `units`, -1 none
    // Beyond the window's page: a range of samples over several pages, a
    // time axis. By default the one page the window prints.
    PageOptions options;
};

enum class PrintOutcome {
    Printed,   // the document was ended and handed on
    NoPrinter, // no printer named "adobe pdf": given up silently
    Cancelled, // the driver gave the job up (e.g. Save cancelled)
};

// Sample table -> printer choice and page set-up -> drawing -> text -> end of
// document, the last three once a page when the options ask for several.
// Throws Fault; a fault stops it before anything is written.
// `printerreference` is the window's printer reference, set when a printer is found.
// Design name.
PrintOutcome printtiming(const PrintRequest& request, PrintingService& service,
                         PrinterRef& printerreference);
// The same from a table read before, for a page printed again and again
// from one capture; the request's path and bytes are not read.
PrintOutcome printtiming(const PrintRequest& request, const SampleTable& table,
                         PrintingService& service, PrinterRef& printerreference);

// The channel boxes 0 … 15 of the request, as Print selects channels by them.
ChannelBoxes channelBoxes(const PrintRequest& request);

// The request's ticked channels over its range of samples as a value change
// dump. Throws Fault as the selection of channels does.
QByteArray valueChangeDumpOf(const PrintRequest& request, const SampleTable& table);
