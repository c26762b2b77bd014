// A page's content stream and the operands it is written with.
#pragma once

#include "printing/page/paper.h"
#include "printing/page/recordingsurface.h"
#include "printing/page/sheet.h"

#include <QByteArray>

class QColor;

#include <cstddef>
#include <functional>
#include <vector>

// The PDF engine spends most of a busy page's time on its lines: every point
// goes through several buffered device writes and a general number
// formatter, and the page is compressed at zlib's slow default level. These
// write a page's operators directly instead.

// Appends the operators that draw a Print call's text in `state`, in the
// same user space as the lines; false when it cannot.
using PdfTextWriter =
    std::function<bool(QByteArray& out, const SurfaceState& state, const QString& text)>;

// All of calls as one content stream, lines and text in the order drawn,
// stroked as renderPage() has the PDF engine stroke them: the same pens,
// polylines, operators and numbers; the sheet placed on the paper as `fit`
// says. Empty when `text` fails.
QByteArray pdfPageContent(const std::vector<SurfaceCall>& calls, const PaperFit& fit,
                          const PdfTextWriter& text);

// Device pixels at 1200 dpi in points; whole points stay whole.
inline double pdfPoints(double pixels) { return pixels * pointsPerInch / sheetDpi; }

// `value` as the engine writes numbers, and a space.
void appendPdfReal(QByteArray& out, double value);
// The red, green and blue operands of `colour`, each with its space.
void appendPdfColour(QByteArray& out, const QColor& colour);
// `value` as four hexadecimal digits, as in a string of two-byte codes.
void appendPdfHex16(QByteArray& out, quint16 value);

// `content` compressed for a /FlateDecode stream.
QByteArray flateEncoded(const QByteArray& content);
