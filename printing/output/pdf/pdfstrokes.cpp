// A page's lines and text written straight as PDF operators, and the
// compression of its content stream.
#include "printing/output/pdf/pdfstrokes.h"

#include "printing/output/pagerenderer.h"
#include "printing/output/strokebatch.h"

#include <QColor>
#include <QPen>

#include <libdeflate.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>

namespace {

// "x y m" or "x y l" and a newline; `p` has room for the longest, 26
// characters (two of -2147483648).
// Page coordinates are almost always 0 ... 99999: written from a table of
// digit pairs, without the general formatter's length loop, which cost
// more than half of a busy page's number writing.
char* writeCoordinate(char* p, int value)
{
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";
    if (value < 0 || value > 99999)
        return std::to_chars(p, p + 11, value).ptr;
    auto u = static_cast<unsigned>(value);
    const auto pair = [&](unsigned two) {
        std::memcpy(p, pairs + 2 * two, 2);
        p += 2;
    };
    if (u >= 10000) {
        *p++ = static_cast<char>('0' + u / 10000);
        u %= 10000;
        pair(u / 100);
        pair(u % 100);
    } else if (u >= 1000) {
        pair(u / 100);
        pair(u % 100);
    } else if (u >= 100) {
        *p++ = static_cast<char>('0' + u / 100);
        pair(u % 100);
    } else if (u >= 10) {
        pair(u);
    } else {
        *p++ = static_cast<char>('0' + u);
    }
    return p;
}

char* writePoint(char* p, QPoint point, char op)
{
    p = writeCoordinate(p, point.x());
    *p++ = ' ';
    p = writeCoordinate(p, point.y());
    *p++ = ' ';
    *p++ = op;
    *p++ = '\n';
    return p;
}

void appendPen(QByteArray& out, const QPen& pen)
{
    appendPdfColour(out, pen.color());
    out.append("SCN\n");
    const double width = pen.widthF();
    appendPdfReal(out, width);
    out.append("w ");
    const int cap = pen.capStyle() == Qt::RoundCap ? 1 : pen.capStyle() == Qt::SquareCap ? 2 : 0;
    out.append(QByteArray::number(cap)).append(" J ");
    int join = 0;
    if (pen.joinStyle() == Qt::RoundJoin) {
        join = 1;
    } else if (pen.joinStyle() == Qt::BevelJoin) {
        join = 2;
    } else {
        appendPdfReal(out, qMax(1.0, pen.miterLimit()));
        out.append("M ");
    }
    out.append(QByteArray::number(join)).append(" j ");
    out.append('[');
    for (const qreal dash : pen.dashPattern())
        appendPdfReal(out, qMax(dash * width, 0.0001));
    out.append(']');
    appendPdfReal(out, pen.dashOffset() * width);
    out.append(" d\n");
}

class StrokeWriter {
public:
    explicit StrokeWriter(QByteArray& out) : out_(out) {}

    void write(const StrokeBatch& batch, const QPen& pen)
    {
        if (!written_ || !(*written_ == pen)) {
            appendPen(out_, pen);
            written_ = pen;
        }
        const std::vector<QPoint>& points = batch.points();
        const std::vector<std::size_t>& starts = batch.starts();
        // Points go straight into the array's storage: appending them one by
        // one cost more than the rest of the page's lines together.
        const qsizetype used = out_.size();
        out_.resize(used + static_cast<qsizetype>(points.size() * 26 + starts.size() * 2));
        char* const first = out_.data() + used;
        char* p = first;
        for (std::size_t s = 0; s < starts.size(); ++s) {
            const std::size_t begin = starts[s];
            const std::size_t end = s + 1 < starts.size() ? starts[s + 1] : points.size();
            p = writePoint(p, points[begin], 'm');
            for (std::size_t i = begin + 1; i < end; ++i)
                p = writePoint(p, points[i], 'l');
            // A polyline that comes back to its start is closed, as the
            // engine closes it: a join there, not two caps.
            if (points[begin] == points[end - 1]) {
                *p++ = 'h';
                *p++ = '\n';
            }
        }
        out_.truncate(used + (p - first));
        out_.append("S\n");
    }

private:
    QByteArray& out_;
    std::optional<QPen> written_;
};

} // namespace

// The engine's own number form (up to nine significant digits, truncated,
// then a space), so that both ways of writing a page give the same numbers.
void appendPdfReal(QByteArray& out, double value)
{
    if (!std::isfinite(value) || std::abs(value) > 4294967295.0) {
        out.append("0 ");
        return;
    }
    char buffer[40];
    char* p = buffer;
    if (value < 0) {
        *p++ = '-';
        value = -value;
    }
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    const auto integer = static_cast<quint32>(whole);
    // Below 1e9: a fraction is at most 1 - 2^-53, and 1e9 times that rounds
    // to a double below 1e9 (their spacing there is 2^-23).
    int digits = static_cast<int>(fraction * 1000000000);
    int place = 100000000;
    if (integer == 0) {
        *p++ = '0';
    } else {
        char* const first = p;
        p = std::to_chars(p, buffer + sizeof buffer, integer).ptr;
        for (char* q = first; q < p; ++q) {
            place /= 10;
            digits /= 10;
        }
    }
    if (digits) {
        *p++ = '.';
        for (; place; place /= 10)
            *p++ = static_cast<char>('0' + (digits / place) % 10);
    }
    *p++ = ' ';
    out.append(buffer, p - buffer);
}

void appendPdfColour(QByteArray& out, const QColor& colour)
{
    appendPdfReal(out, colour.redF());
    appendPdfReal(out, colour.greenF());
    appendPdfReal(out, colour.blueF());
}

void appendPdfHex16(QByteArray& out, quint16 value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.append(digits[(value >> shift) & 15]);
}

QByteArray flateEncoded(const QByteArray& content)
{
    // libdeflate rather than zlib: on a busy page's point list its level 1
    // takes a third of the instructions of zlib's level 4, and packs 8%
    // smaller (zlib's default level 6 took five times as many).
    // One per thread, kept for every stream it packs: a compressor must not
    // be shared between threads.
    struct Compressor {
        libdeflate_compressor* handle = libdeflate_alloc_compressor(1);
        ~Compressor() { libdeflate_free_compressor(handle); }
    };
    thread_local const Compressor compressor;
    if (!compressor.handle)
        throw std::bad_alloc();
    const auto size = static_cast<std::size_t>(content.size());
    QByteArray packed(
        static_cast<qsizetype>(libdeflate_zlib_compress_bound(compressor.handle, size)),
        Qt::Uninitialized);
    const std::size_t used =
        libdeflate_zlib_compress(compressor.handle, content.constData(), size, packed.data(),
                                 static_cast<std::size_t>(packed.size()));
    packed.truncate(static_cast<qsizetype>(used));
    return packed;
}

QByteArray pdfPageContent(const std::vector<SurfaceCall>& calls, const PaperFit& fit,
                          const PdfTextWriter& text)
{
    const double scale = fit.scale * pointsPerPixel;
    QByteArray out;
    // About twelve bytes a point; a busy page has tens of thousands.
    out.reserve(static_cast<qsizetype>(calls.size()) * 14 + 256);
    // Within q ... Q, so that content after it starts afresh.
    out.append("q\n/GSa gs /CSp CS\n");
    appendPdfReal(out, scale);
    out.append("0 0 ");
    appendPdfReal(out, -scale);
    appendPdfReal(out, pdfPoints(fit.left));
    appendPdfReal(out, pdfPoints(fit.height - fit.top));
    out.append("cm\n");

    StrokeWriter writer(out);
    const bool written = walkPage(
        calls, fit.minimumWidth,
        [&](const StrokeBatch& batch, const QPen& pen) { writer.write(batch, pen); },
        [&](const SurfaceState& state, const QString& line) { return text(out, state, line); });
    if (!written)
        return {};
    out.append("Q\n");
    return out;
}
