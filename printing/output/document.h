#pragma once

// The kinds of document a recorded page is written as, and the one switch
// between their writers.

#include "printing/output/pngdocument.h"
#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QString>

enum class OutputFormat { Pdf, Svg, Png };

// ".pdf", ".svg" or ".png".
QString extensionOf(OutputFormat format);

// The page as a whole document; `dpi` (lowestPngDpi ... highestPngDpi)
// counts for PNG only. Throws Fault as the writers do.
QByteArray documentOf(OutputFormat format, const RecordedPage& page, int dpi);
