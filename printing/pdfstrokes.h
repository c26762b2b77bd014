#pragma once

#include "printing/recordingsurface.h"

#include <QByteArray>

#include <cstddef>
#include <vector>

// The PDF engine spends most of a busy page's time on its lines: every point
// goes through several buffered device writes and a general number
// formatter, and the page is compressed at zlib's slow default level. These
// write the lines' operators directly instead, and add them to the
// engine's document as a second content stream.

// Content-stream operators that stroke the Line calls among calls[0, end) as
// renderPage() has the PDF engine stroke them: the same pens, polylines,
// operators and numbers. `scale` maps device pixels to points and
// `pageHeight` is in points.
QByteArray pdfStrokeContent(const std::vector<SurfaceCall>& calls, std::size_t end,
                            double scale, double pageHeight);

// `content` compressed for a /FlateDecode stream.
QByteArray flateEncoded(const QByteArray& content);

// `document`, a one-page PDF as QPdfWriter writes it, with the content
// `packed` by flateEncoded() drawn before the page's own content: appended as
// an incremental update. Empty when the document is not in that form.
QByteArray withContentUnderneath(const QByteArray& document, const QByteArray& packed);
