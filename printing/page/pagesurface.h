#pragma once

#include "printing/page/paper.h"

#include <QRgb>
#include <QString>

// A printer as a drawing target: device pixels, origin at the top-left of the
// printable area, y downwards. Drawing begins the document implicitly;
// EndDoc() finishes it and hands it on.
// The calls keep the design's spelling (design names): ScaleMode, DrawWidth,
// DrawStyle, ForeColor, Line, CurrentX, CurrentY, EndDoc, KillDoc.
class PageSurface {
public:
    virtual ~PageSurface() = default;

    // Page properties, set before drawing.
    virtual void ScaleMode(int mode) = 0;      // 3: device pixels
    virtual void PrintResolution(int dpi) = 0; // 1200
    virtual void PageSettingA(int value) = 0;  // 4: the 11 x 17 inch sheet
    virtual void PageSettingB(int value) = 0;  // 2: long side horizontal
    virtual void PageSettingC(int value) = 0;  // 1

    // Drawing state.
    virtual void DrawWidth(int pixels) = 0;
    virtual void DrawStyle(int style) = 0;   // 0 solid, 1 dashed, 2 dotted
    virtual void ForeColor(QRgb colour) = 0; // lines and text

    virtual void Line(int x1, int y1, int x2, int y2) = 0;

    // Text: the top-left of the first character cell at (CurrentX, CurrentY).
    virtual void CurrentX(int x) = 0;
    virtual void CurrentY(int y) = 0;
    virtual void FontSize(int points) = 0; // the surface's Font.Size
    virtual void Print(const QString& text) = 0;

    // Finishes the one page. Returns false when the driver gave the job up
    // (for example the user cancelled where to save it).
    virtual bool EndDoc() = 0;
    // Drops the document being drawn without handing anything on (used when
    // a fault stops a print half-way).
    virtual void KillDoc() = 0;

    // Beyond the design, and never made by the one-page print: the paper the
    // page being drawn is fitted to (tabloid unless set), and the start of a
    // further page of the same document, set up afresh.
    virtual void setPaper(Paper paper) = 0;
    virtual void newPage() = 0;
};
