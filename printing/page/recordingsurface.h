#pragma once

// Recording the calls made on a page surface, so that any writer can replay them.

#include "printing/page/pagesurface.h"
#include "printing/page/paper.h"

#include <QRgb>
#include <QString>

#include <array>
#include <cstddef>
#include <span>
#include <vector>

// One call made on a page surface, in the order it was made.
enum class SurfaceCallKind {
    ScaleMode,
    PrintResolution,
    PageSettingA,
    PageSettingB,
    PageSettingC,
    DrawWidth,
    DrawStyle,
    ForeColor,
    Line,
    CurrentX,
    CurrentY,
    FontSize,
    Print,
    EndDoc,
    KillDoc,
    Paper, // args[0]: the Paper, args[1]: the LayoutKind
    NewPage,
};

struct SurfaceCall {
    SurfaceCallKind kind = SurfaceCallKind::Line;
    std::array<int, 4> args{}; // Line: x1, y1, x2, y2; single-value calls: args[0]
    QRgb colour = 0;           // ForeColor
    QString text;              // Print
};

// The drawing state a sequence of calls leaves behind. A fresh surface draws
// 1-pixel solid black lines and 12-point text at (0, 0).
struct SurfaceState {
    int scalemode = 1;
    int resolution = 0;
    int pagesettinga = 0;
    int pagesettingb = 0;
    int pagesettingc = 0;
    int drawwidth = 1;
    int drawstyle = 0;
    QRgb forecolor = qRgb(0, 0, 0);
    int currentx = 0;
    int currenty = 0;
    int fontsize = 12;

    void apply(const SurfaceCall& call);
};

// A page as its printer kept it: every call made on its surface, in order.
// Every writer and printer draws from one, fitted to its paper.
struct RecordedPage {
    std::vector<SurfaceCall> calls;
    Paper paper = Paper::Tabloid;
    LayoutKind layout = LayoutKind::Sheet; // Fill: the calls are the paper's own pixels
};

// Where the page's calls fall on its paper.
inline PaperFit pageFit(const RecordedPage& page) { return paperFit(page.paper, page.layout); }

struct DrawnLine {
    int x1, y1, x2, y2;
    int width;
    int style;
    QRgb colour;

    bool isHorizontal() const { return y1 == y2; }
    bool isVertical() const { return x1 == x2; }
    friend bool operator==(const DrawnLine&, const DrawnLine&) = default;
};

struct PrintedText {
    int x, y;
    int fontsize;
    QRgb colour;
    QString text;

    friend bool operator==(const PrintedText&, const PrintedText&) = default;
};

// A page surface that keeps every call. EndDoc() and KillDoc() are recorded
// like any other call; EndDoc() answers what setEndDocResult() says.
class RecordingSurface : public PageSurface {
public:
    void ScaleMode(int mode) override;
    void PrintResolution(int dpi) override;
    void PageSettingA(int value) override;
    void PageSettingB(int value) override;
    void PageSettingC(int value) override;
    void DrawWidth(int pixels) override;
    void DrawStyle(int style) override;
    void ForeColor(QRgb colour) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void CurrentX(int x) override;
    void CurrentY(int y) override;
    void FontSize(int points) override;
    void Print(const QString& text) override;
    bool EndDoc() override;
    void KillDoc() override;
    void setPaper(Paper paper, LayoutKind layout) override;
    void newPage() override;

    void setEndDocResult(bool result) { endDocResult_ = result; }
    void reserve(std::size_t calls) { calls_.reserve(calls); }

    const std::vector<SurfaceCall>& calls() const { return calls_; }
    // The page drawn so far, on the paper and in the layout last set; the
    // surface is empty and on the tabloid sheet afterwards.
    RecordedPage takePage();
    void clear()
    {
        calls_.clear();
        paper_ = Paper::Tabloid;
        layout_ = LayoutKind::Sheet;
    }
    bool isEmpty() const { return calls_.empty(); }

    std::vector<SurfaceCallKind> kinds() const;
    std::size_t count(SurfaceCallKind kind) const;
    // Every Line with the width, style and colour in force when it was drawn.
    std::vector<DrawnLine> lines() const;
    // Every Print with the position, font size and colour in force.
    std::vector<PrintedText> texts() const;
    // The state after the last call.
    SurfaceState state() const;

protected:
    void record(SurfaceCall call) { calls_.push_back(std::move(call)); }
    // The paper the page taken next is on, and how it is laid out there.
    void setPagePaper(Paper paper, LayoutKind layout)
    {
        paper_ = paper;
        layout_ = layout;
    }

private:
    void recordValue(SurfaceCallKind kind, int value);

    std::vector<SurfaceCall> calls_;
    Paper paper_ = Paper::Tabloid;
    LayoutKind layout_ = LayoutKind::Sheet;
    bool endDocResult_ = true;
};

// Makes `calls` again on `page`, in order.
void replayCalls(std::span<const SurfaceCall> calls, PageSurface& page);

// The same queries over any sequence of calls.
std::vector<DrawnLine> drawnLines(const std::vector<SurfaceCall>& calls);
std::vector<PrintedText> printedTexts(const std::vector<SurfaceCall>& calls);
