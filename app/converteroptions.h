#pragma once

#include "app/optionvalues.h"
#include "capture/csvcapture.h"
#include "printing/output/formats.h"
#include "printing/page/pagelayout.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>

inline const QString converterName = QStringLiteral("zelmar-pdf");
inline const QString converterVersion = QStringLiteral(ZELMAR_VERSION);

// What one run of the converter prints, and where.
struct ConverterOptions {
    QStringList captures;
    QString output;    // -o: one capture's file; "-" standard output
    QString outputDir; // each capture's file in this folder
    QString combine;   // one PDF, a page per capture; "-" standard output
    OutputFormat format = OutputFormat::Pdf;
    int dpi = 150;          // PNG only
    int jobs = 1;           // captures converted at once
    ChannelList channels{}; // all ticked unless --channels says otherwise
    bool tickmarks = true;
    QString tickfrequency = QStringLiteral("10");
    QString resolution = QStringLiteral("100");
    int unitindex = 0;              // ns
    std::optional<QString> heading; // none: the heading from the capture's header
    PageOptions page;               // the samples, pages, time axis, paper and layout
    bool crop = false;              // SVG and PNG cut to the drawing
    int pagecount = 1;              // the pages `page` gives, worked out once

    // The captures are CSV captures: a range is checked against that
    // format's samples as the options are read.
    ConverterOptions()
    {
        page.lastsample = csv::sampleCount - 1;
        channels.fill(true);
    }
};

// ".pdf", ".svg", ".png" or ".vcd".
QString extensionOf(const ConverterOptions& options);
// The files a capture's pages go to: one a page for SVG and PNG.
int pageFilesOf(const ConverterOptions& options);

struct ParsedArguments {
    enum class Action { Run, Help, Version, Listing, UsageError };
    Action action = Action::UsageError;
    ConverterOptions options;
    QString error;   // for UsageError: one line
    QString listing; // for Listing: the decoders, or one decoder's help
};

// `arguments` includes the program name first, as QCoreApplication gives it.
// Needs no application object.
ParsedArguments parseArguments(const QStringList& arguments);

QString helpText();
