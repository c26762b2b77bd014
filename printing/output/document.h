#pragma once

// The kinds of document a recorded page is written as, and the one switch
// between their writers.

#include "printing/output/pngdocument.h"
#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

enum class OutputFormat { Pdf, Svg, Png };

// ".pdf", ".svg" or ".png".
QString extensionOf(OutputFormat format);

// The page as a whole document; `dpi` (lowestPngDpi ... highestPngDpi)
// counts for PNG only. Throws Fault as the writers do.
QByteArray documentOf(OutputFormat format, const RecordedPage& page, int dpi);

// A capture's pages as the documents they are written as: one PDF holding
// them all, or an SVG or PNG a page. `files` are where they go (one for a
// PDF), named in the Fault a document that cannot be made throws. Each page
// is let go once it is written, so a long run holds one page's calls.
std::vector<QByteArray> documentsOf(OutputFormat format, std::vector<RecordedPage> pages, int dpi,
                                    const QStringList& files);
