#pragma once

#include "printing/page/recordingsurface.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The kinds of document the converter writes. Kept in one small unit, apart
// from the options, so that it can join the writers it chooses between.
enum class OutputFormat { Pdf, Svg, Png };

// ".pdf", ".svg" or ".png".
QString extensionOf(OutputFormat format);

// The page as a whole document; `dpi` counts for PNG only. Throws Fault as
// the writers do.
QByteArray documentOf(OutputFormat format, const std::vector<SurfaceCall>& calls, int dpi);
