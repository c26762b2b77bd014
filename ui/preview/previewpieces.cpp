#include "ui/preview/previewpieces.h"

#include "printing/page/sheet.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

// Lines drawn in `a` and in `b` take different pens: the walk draws the
// lines before and after apart.
bool penChanges(const SurfaceState& a, const SurfaceState& b)
{
    return a.drawwidth != b.drawwidth || a.drawstyle != b.drawstyle || a.forecolor != b.forecolor;
}

int floorDiv(qint64 a, int b) { return int(a / b - (a % b < 0 ? 1 : 0)); }

struct Fingerprint {
    quint64 hash = 0xcbf29ce484222325ull;
    void add(quint64 value) { hash = (hash ^ value) * 0x100000001b3ull; }
};

SurfaceCall callOf(SurfaceCallKind kind, int value)
{
    SurfaceCall call;
    call.kind = kind;
    call.args[0] = value;
    return call;
}

} // namespace

std::vector<DrawnPiece> piecesOnGrid(const std::vector<SurfaceCall>& calls, int whole,
                                     QPoint origin, int width, double minimumWidth)
{
    std::vector<DrawnPiece> pieces;
    SurfaceState state;
    DrawnPiece piece;
    Fingerprint print;
    bool open = false;
    qint64 left = 0, top = 0, right = 0, bottom = 0;
    bool lines = false;
    int widest = 1; // the pen's width: a piece's lines share one pen
    // Device pixels of sheet pixels `a`..`b` across and `c`..`d` down, with
    // `margin` sheet pixels and one device pixel around.
    const auto onGrid = [&](qint64 a, qint64 c, qint64 b, qint64 d, qint64 margin) {
        return QRect(QPoint(floorDiv(a - margin, whole) + origin.x() - 1,
                            floorDiv(c - margin, whole) + origin.y() - 1),
                     QPoint(floorDiv(b + margin, whole) + origin.x() + 1,
                            floorDiv(d + margin, whole) + origin.y() + 1));
    };
    const auto close = [&](std::size_t end) {
        if (!open)
            return;
        piece.end = end;
        piece.hash = print.hash;
        if (lines)
            piece.bounds =
                onGrid(left, top, right, bottom,
                       qint64(std::ceil(std::max(double(widest), minimumWidth))) + whole);
        pieces.push_back(piece);
        open = false;
    };
    const auto start = [&](std::size_t first) {
        piece = DrawnPiece();
        piece.first = first;
        piece.state = state;
        print = Fingerprint();
        for (const int value : {state.drawwidth, state.drawstyle, int(state.forecolor),
                                state.currentx, state.currenty, state.fontsize})
            print.add(quint64(quint32(value)));
        open = true;
        lines = false;
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const SurfaceCall& call = calls[i];
        if (call.kind == SurfaceCallKind::Print) {
            close(i);
            start(i);
            print.add(qHash(call.text));
            const int em = textPixels(state.fontsize);
            piece.bounds = onGrid(state.currentx - em, state.currenty - em, state.currentx,
                                  state.currenty + 2 * em, 0);
            piece.bounds.setRight(std::max(piece.bounds.right(), width - 1));
            close(i + 1);
            continue;
        }
        if (call.kind == SurfaceCallKind::DrawWidth || call.kind == SurfaceCallKind::DrawStyle
            || call.kind == SurfaceCallKind::ForeColor) {
            SurfaceState next = state;
            next.apply(call);
            if (penChanges(state, next))
                close(i);
        }
        if (!open)
            start(i);
        if (call.kind == SurfaceCallKind::Line) {
            // Most of a busy page: two steps of the fingerprint a line.
            const auto& a = call.args;
            print.add(quint64(quint32(a[0])) << 32 | quint32(a[1]));
            print.add(quint64(quint32(a[2])) << 32 | quint32(a[3]));
            if (!lines) {
                left = right = a[0];
                top = bottom = a[1];
                widest = state.drawwidth;
                lines = true;
            }
            for (const int x : {a[0], a[2]}) {
                left = x < left ? x : left;
                right = x > right ? x : right;
            }
            for (const int y : {a[1], a[3]}) {
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
            }
            continue;
        }
        print.add(quint64(call.kind) << 32 | quint32(call.args[0]));
        print.add(call.colour);
        state.apply(call);
    }
    close(calls.size());
    return pieces;
}

QRegion changedBetween(const std::vector<DrawnPiece>& before, const std::vector<DrawnPiece>& now)
{
    // A piece is looked for this far on: a page's pieces come in one order.
    constexpr std::size_t lookAhead = 64;
    QRegion changed;
    std::size_t next = 0;
    for (const DrawnPiece& piece : now) {
        const std::size_t stop = std::min(before.size(), next + lookAhead);
        std::size_t k = next;
        while (k < stop && (before[k].hash != piece.hash || before[k].bounds != piece.bounds))
            ++k;
        if (k == stop) {
            changed += piece.bounds;
            continue;
        }
        for (; next < k; ++next)
            changed += before[next].bounds;
        next = k + 1;
    }
    for (; next < before.size(); ++next)
        changed += before[next].bounds;
    return changed;
}

std::vector<SurfaceCall> callsOf(const std::vector<SurfaceCall>& calls, const DrawnPiece& piece)
{
    const SurfaceState& s = piece.state;
    std::vector<SurfaceCall> out{callOf(SurfaceCallKind::DrawWidth, s.drawwidth),
                                 callOf(SurfaceCallKind::DrawStyle, s.drawstyle),
                                 callOf(SurfaceCallKind::ForeColor, 0),
                                 callOf(SurfaceCallKind::CurrentX, s.currentx),
                                 callOf(SurfaceCallKind::CurrentY, s.currenty),
                                 callOf(SurfaceCallKind::FontSize, s.fontsize)};
    out[2].colour = s.forecolor;
    out.insert(out.end(), calls.begin() + qsizetype(piece.first),
               calls.begin() + qsizetype(piece.end));
    return out;
}
