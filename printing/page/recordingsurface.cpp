// A page surface that records its calls, and the state they leave behind.

#include "printing/page/recordingsurface.h"

#include <algorithm>

void SurfaceState::apply(const SurfaceCall& call)
{
    const int value = call.args[0];
    switch (call.kind) {
    case SurfaceCallKind::ScaleMode: scalemode = value; break;
    case SurfaceCallKind::PrintResolution: resolution = value; break;
    case SurfaceCallKind::PageSettingA: pagesettinga = value; break;
    case SurfaceCallKind::PageSettingB: pagesettingb = value; break;
    case SurfaceCallKind::PageSettingC: pagesettingc = value; break;
    case SurfaceCallKind::DrawWidth: drawwidth = value; break;
    case SurfaceCallKind::DrawStyle: drawstyle = value; break;
    case SurfaceCallKind::ForeColor: forecolor = call.colour; break;
    case SurfaceCallKind::CurrentX: currentx = value; break;
    case SurfaceCallKind::CurrentY: currenty = value; break;
    case SurfaceCallKind::FontSize: fontsize = value; break;
    case SurfaceCallKind::Line:
    case SurfaceCallKind::Print:
    case SurfaceCallKind::EndDoc:
    case SurfaceCallKind::KillDoc:
    case SurfaceCallKind::Paper:
    case SurfaceCallKind::NewPage: break;
    }
}

namespace {

SurfaceCall callOf(SurfaceCallKind kind, std::array<int, 4> args = {})
{
    SurfaceCall call;
    call.kind = kind;
    call.args = args;
    return call;
}

} // namespace

void RecordingSurface::recordValue(SurfaceCallKind kind, int value)
{
    record(callOf(kind, {value, 0, 0, 0}));
}

void RecordingSurface::ScaleMode(int mode) { recordValue(SurfaceCallKind::ScaleMode, mode); }
void RecordingSurface::PrintResolution(int dpi)
{
    recordValue(SurfaceCallKind::PrintResolution, dpi);
}
void RecordingSurface::PageSettingA(int value)
{
    recordValue(SurfaceCallKind::PageSettingA, value);
}
void RecordingSurface::PageSettingB(int value)
{
    recordValue(SurfaceCallKind::PageSettingB, value);
}
void RecordingSurface::PageSettingC(int value)
{
    recordValue(SurfaceCallKind::PageSettingC, value);
}
void RecordingSurface::DrawWidth(int pixels) { recordValue(SurfaceCallKind::DrawWidth, pixels); }
void RecordingSurface::DrawStyle(int style) { recordValue(SurfaceCallKind::DrawStyle, style); }
void RecordingSurface::CurrentX(int x) { recordValue(SurfaceCallKind::CurrentX, x); }
void RecordingSurface::CurrentY(int y) { recordValue(SurfaceCallKind::CurrentY, y); }
void RecordingSurface::FontSize(int points) { recordValue(SurfaceCallKind::FontSize, points); }

void RecordingSurface::ForeColor(QRgb colour)
{
    SurfaceCall call = callOf(SurfaceCallKind::ForeColor);
    call.colour = colour;
    record(std::move(call));
}

void RecordingSurface::Line(int x1, int y1, int x2, int y2)
{
    // In place: a busy page records tens of thousands of lines.
    SurfaceCall& call = calls_.emplace_back();
    call.kind = SurfaceCallKind::Line;
    call.args = {x1, y1, x2, y2};
}

void RecordingSurface::Print(const QString& text)
{
    SurfaceCall call = callOf(SurfaceCallKind::Print);
    call.text = text;
    record(std::move(call));
}

bool RecordingSurface::EndDoc()
{
    record(callOf(SurfaceCallKind::EndDoc));
    return endDocResult_;
}

void RecordingSurface::KillDoc() { record(callOf(SurfaceCallKind::KillDoc)); }

void RecordingSurface::setPaper(Paper paper, LayoutKind layout)
{
    record(callOf(SurfaceCallKind::Paper, {int(paper), int(layout), 0, 0}));
    setPagePaper(paper, layout);
}

void RecordingSurface::newPage() { record(callOf(SurfaceCallKind::NewPage)); }

RecordedPage RecordingSurface::takePage()
{
    RecordedPage taken;
    taken.calls.swap(calls_);
    taken.paper = paper_;
    taken.layout = layout_;
    paper_ = Paper::Tabloid;
    layout_ = LayoutKind::Sheet;
    return taken;
}

std::vector<SurfaceCallKind> RecordingSurface::kinds() const
{
    std::vector<SurfaceCallKind> out;
    out.reserve(calls_.size());
    for (const SurfaceCall& call : calls_)
        out.push_back(call.kind);
    return out;
}

std::size_t RecordingSurface::count(SurfaceCallKind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(),
                      [kind](const SurfaceCall& call) { return call.kind == kind; }));
}

std::vector<DrawnLine> RecordingSurface::lines() const { return drawnLines(calls_); }
std::vector<PrintedText> RecordingSurface::texts() const { return printedTexts(calls_); }

SurfaceState RecordingSurface::state() const
{
    SurfaceState state;
    for (const SurfaceCall& call : calls_)
        state.apply(call);
    return state;
}

std::vector<DrawnLine> drawnLines(const std::vector<SurfaceCall>& calls)
{
    std::vector<DrawnLine> out;
    SurfaceState state;
    for (const SurfaceCall& call : calls) {
        state.apply(call);
        if (call.kind == SurfaceCallKind::Line)
            out.push_back({call.args[0], call.args[1], call.args[2], call.args[3], state.drawwidth,
                           state.drawstyle, state.forecolor});
    }
    return out;
}

std::vector<PrintedText> printedTexts(const std::vector<SurfaceCall>& calls)
{
    std::vector<PrintedText> out;
    SurfaceState state;
    for (const SurfaceCall& call : calls) {
        state.apply(call);
        if (call.kind == SurfaceCallKind::Print)
            out.push_back(
                {state.currentx, state.currenty, state.fontsize, state.forecolor, call.text});
    }
    return out;
}

void replayCalls(std::span<const SurfaceCall> calls, PageSurface& page)
{
    for (const SurfaceCall& call : calls) {
        const auto& a = call.args;
        switch (call.kind) {
        case SurfaceCallKind::ScaleMode: page.ScaleMode(a[0]); break;
        case SurfaceCallKind::PrintResolution: page.PrintResolution(a[0]); break;
        case SurfaceCallKind::PageSettingA: page.PageSettingA(a[0]); break;
        case SurfaceCallKind::PageSettingB: page.PageSettingB(a[0]); break;
        case SurfaceCallKind::PageSettingC: page.PageSettingC(a[0]); break;
        case SurfaceCallKind::DrawWidth: page.DrawWidth(a[0]); break;
        case SurfaceCallKind::DrawStyle: page.DrawStyle(a[0]); break;
        case SurfaceCallKind::ForeColor: page.ForeColor(call.colour); break;
        case SurfaceCallKind::Line: page.Line(a[0], a[1], a[2], a[3]); break;
        case SurfaceCallKind::CurrentX: page.CurrentX(a[0]); break;
        case SurfaceCallKind::CurrentY: page.CurrentY(a[0]); break;
        case SurfaceCallKind::FontSize: page.FontSize(a[0]); break;
        case SurfaceCallKind::Print: page.Print(call.text); break;
        case SurfaceCallKind::EndDoc: page.EndDoc(); break;
        case SurfaceCallKind::KillDoc: page.KillDoc(); break;
        case SurfaceCallKind::Paper: page.setPaper(Paper(a[0]), LayoutKind(a[1])); break;
        case SurfaceCallKind::NewPage: page.newPage(); break;
        }
    }
}
