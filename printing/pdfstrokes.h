#pragma once

#include "printing/recordingsurface.h"

#include <QByteArray>

#include <cstddef>
#include <functional>
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

// Appends the operators that draw a Print call's text in `state`, in the
// same user space as the lines; false when it cannot.
using PdfTextWriter =
    std::function<bool(QByteArray& out, const SurfaceState& state, const QString& text)>;

// All of calls as one content stream, lines and text in the order drawn;
// empty when `text` fails.
QByteArray pdfPageContent(const std::vector<SurfaceCall>& calls, double scale, double pageHeight,
                          const PdfTextWriter& text);

// `value` as the engine writes numbers, and a space.
void appendPdfReal(QByteArray& out, double value);

// `content` compressed for a /FlateDecode stream.
QByteArray flateEncoded(const QByteArray& content);

// `document`, a one-page PDF as QPdfWriter writes it, with the content
// `packed` by flateEncoded() drawn before the page's own content: appended as
// an incremental update. Empty when the document is not in that form.
QByteArray withContentUnderneath(const QByteArray& document, const QByteArray& packed);
