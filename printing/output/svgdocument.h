#pragma once

#include "printing/page/recordingsurface.h"

#include <QByteArray>

#include <vector>

// The calls as an SVG image of the page's paper, the 17 x 11 inch sheet
// fitted to it. Its user units are the sheet's device pixels (1200 per
// inch), so every coordinate and stroke width is the one the PDF's content
// has; text stays text, and the file well-formed XML whatever the text
// holds (characters XML cannot carry show as U+FFFD, or a control as its
// picture, U+2400 + code). `crop`: only the part of the paper that holds
// the drawing (croppedArea()).
QByteArray svgDocument(const RecordedPage& page, bool crop = false);
