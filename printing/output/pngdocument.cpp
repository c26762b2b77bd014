#include "printing/output/pngdocument.h"

#include "printing/output/pagerenderer.h"
#include "util/fault.h"

#include <QImage>
#include <QPainter>

#include <png.h>

#include <algorithm>
#include <cmath>

namespace {

// Enough rows to keep the painter busy, few enough that a 1200 dpi sheet
// (20400 pixels a row) stays far below the memory a whole sheet would take.
constexpr qsizetype bandBytes = 32 * 1024 * 1024;

[[noreturn]] void pngFailed(png_structp, png_const_charp message)
{
    throw Fault(FaultKind::CannotWriteFile,
                QStringLiteral("the PNG image cannot be made: %1").arg(QString::fromUtf8(message)));
}

void pngWarning(png_structp, png_const_charp) {}

void appendToDocument(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void noFlush(png_structp) {}

class PngWriter {
public:
    PngWriter()
    {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, pngWarning);
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!png_ || !info_)
            pngFailed(png_, "out of memory");
    }
    ~PngWriter() { png_destroy_write_struct(&png_, &info_); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// The calls that can touch rows `top` ... `bottom` (device pixels at 1200
// dpi): solid lines wholly above or below are left out, so each band draws
// only its share of the sheet. Dotted and dashed lines stay whole, in step.
std::vector<SurfaceCall> callsForBand(const std::vector<SurfaceCall>& calls, double top,
                                      double bottom)
{
    std::vector<SurfaceCall> band;
    band.reserve(calls.size());
    SurfaceState state;
    for (const SurfaceCall& call : calls) {
        if (call.kind == SurfaceCallKind::Line && state.drawstyle == 0) {
            const double reach = state.drawwidth / 2.0 + 2.0 * sheetDpi / pointsPerInch;
            const double high = std::min(call.args[1], call.args[3]) - reach;
            const double low = std::max(call.args[1], call.args[3]) + reach;
            if (low < top || high > bottom)
                continue;
        }
        state.apply(call);
        band.push_back(call);
    }
    return band;
}

SurfaceCall valueCall(SurfaceCallKind kind, int value)
{
    SurfaceCall call;
    call.kind = kind;
    call.args[0] = value;
    return call;
}

// Draws the calls a few lines at a time. The painter's scan converter keeps
// a row's coverage in a list it walks from the start for every new cell, so
// one stroke with thousands of segments on a 20400-pixel row takes time that
// grows with the square of its length; short strokes keep it linear.
void renderInPieces(QPainter& painter, const std::vector<SurfaceCall>& calls, double minimumWidth)
{
    constexpr int linesPerPiece = 64;
    std::vector<SurfaceCall> piece;
    SurfaceState state;
    int lines = 0;
    const auto flush = [&] {
        renderPage(painter, piece, true, minimumWidth);
        piece.clear();
        lines = 0;
        // The next piece starts in the state this one left.
        piece.push_back(valueCall(SurfaceCallKind::DrawWidth, state.drawwidth));
        piece.push_back(valueCall(SurfaceCallKind::DrawStyle, state.drawstyle));
        SurfaceCall colour;
        colour.kind = SurfaceCallKind::ForeColor;
        colour.colour = state.forecolor;
        piece.push_back(colour);
        piece.push_back(valueCall(SurfaceCallKind::CurrentX, state.currentx));
        piece.push_back(valueCall(SurfaceCallKind::CurrentY, state.currenty));
        piece.push_back(valueCall(SurfaceCallKind::FontSize, state.fontsize));
    };
    for (const SurfaceCall& call : calls) {
        piece.push_back(call);
        state.apply(call);
        if (call.kind == SurfaceCallKind::Line && ++lines == linesPerPiece)
            flush();
    }
    renderPage(painter, piece, true, minimumWidth);
}

} // namespace

std::vector<SurfaceCall> onOutputPixels(std::vector<SurfaceCall> calls, int dpi,
                                        const PaperFit& fit)
{
    // An output pixel, in sheet pixels, and where the output's pixel grid
    // starts on the sheet.
    const double pixel = double(sheetDpi) / (dpi * fit.scale);
    const double left = fit.left / fit.scale, top = fit.top / fit.scale;
    const int onePixel = fit.identity() ? (sheetDpi + dpi - 1) / dpi : int(std::ceil(pixel - 1e-9));
    if (onePixel <= 1 && fit.identity())
        return calls;
    const auto middleOfPixel = [&](int at, double origin) {
        return int(std::lround((std::floor((at + origin) / pixel) + 0.5) * pixel - origin));
    };
    for (SurfaceCall& call : calls) {
        if (call.kind == SurfaceCallKind::DrawWidth) {
            call.args[0] = std::max(call.args[0], onePixel);
        } else if (call.kind == SurfaceCallKind::Line) {
            call.args[0] = middleOfPixel(call.args[0], left);
            call.args[1] = middleOfPixel(call.args[1], top);
            call.args[2] = middleOfPixel(call.args[2], left);
            call.args[3] = middleOfPixel(call.args[3], top);
        }
    }
    // Lines drawn before any DrawWidth use the surface's 1-pixel default.
    SurfaceCall first;
    first.kind = SurfaceCallKind::DrawWidth;
    first.args[0] = onePixel;
    calls.insert(calls.begin(), first);
    return calls;
}

QByteArray pngDocument(const RecordedPage& recorded, int dpi)
{
    if (dpi < lowestPngDpi || dpi > highestPngDpi)
        throw Fault(FaultKind::CannotWriteFile, QStringLiteral("%1 dpi is outside %2 ... %3")
                                                    .arg(dpi)
                                                    .arg(lowestPngDpi)
                                                    .arg(highestPngDpi));
    const PaperFit fit = paperFit(recorded.paper);
    const std::vector<SurfaceCall> page = onOutputPixels(recorded.calls, dpi, fit);
    const int width = qRound(fit.width * dpi / sheetDpi);
    const int height = qRound(fit.height * dpi / sheetDpi);
    // Output pixels a sheet pixel takes, and where the sheet's corner falls.
    const double scale = double(dpi) / sheetDpi * fit.scale;
    const double left = fit.left * dpi / sheetDpi, top = fit.top * dpi / sheetDpi;

    QByteArray document;
    PngWriter writer;
    png_structp png = writer.png();
    png_set_write_fn(png, &document, appendToDocument, noFlush);
    png_set_IHDR(png, writer.info(), png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const auto perMetre = png_uint_32(dpi / 0.0254 + 0.5);
    png_set_pHYs(png, writer.info(), perMetre, perMetre, PNG_RESOLUTION_METER);
    // Mostly white: the fastest compression loses little here.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, writer.info());
    // QImage's 32-bit pixels are 0xffRRGGBB words; PNG wants R, G, B bytes.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
    png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif

    const int bandRows = int(std::clamp<qsizetype>(bandBytes / (qsizetype(width) * 4), 1, height));
    QImage band(width, bandRows, QImage::Format_RGB32);
    if (band.isNull())
        pngFailed(png, "out of memory");
    // Text is laid out for the resolution its device reports (tab stops):
    // the PDF's and the SVG's, whatever the PNG's own.
    band.setDotsPerMeterX(qRound(sheetDpi / 0.0254));
    band.setDotsPerMeterY(qRound(sheetDpi / 0.0254));
    for (int row = 0; row < height; row += bandRows) {
        band.fill(Qt::white);
        QPainter painter(&band);
        painter.translate(left, top - row);
        painter.scale(scale, scale);
        renderInPieces(painter,
                       callsForBand(page, (row - top) / scale, (row + bandRows - top) / scale),
                       fit.minimumWidth);
        painter.end();
        const int rows = std::min(bandRows, height - row);
        for (int r = 0; r < rows; ++r)
            png_write_row(png, band.constScanLine(r));
    }
    png_write_end(png, nullptr);
    return document;
}
