#pragma once

// Shared by the converter's tests: zelmar-pdf run as a user runs it, a capture
// whose channels all move, and what it writes read back.

#include "app/converter.h"
#include "tests/printing/popplertools.h"
#include "tests/support/capturefixture.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <array>

namespace convertertools {

using Action = ParsedArguments::Action;

struct Result {
    int exitCode;
    QString out;
    QString err;
};

inline Result
convert(const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZELMAR_PDF), arguments);
    if (!process.waitForFinished(60000))
        return {-1, {}, QStringLiteral("did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline int mask(const std::array<bool, 16>& channels)
{
    int bits = 0;
    for (int c = 0; c < 16; ++c)
        if (channels[std::size_t(c)])
            bits |= 1 << c;
    return bits;
}

inline capturefixture::CaptureRecipe moving()
{
    capturefixture::CaptureRecipe recipe;
    recipe.level = [](int row, int channel) { return (row >> (channel % 6)) & 1; };
    return recipe;
}

// One line a terminal shows as it stands: no control character in it.
inline bool plainLine(const QString& text)
{
    return !text.isEmpty() && std::none_of(text.begin(), text.end(), [](QChar c) {
        return c < u' ' || (c >= u'\x7f' && c <= u'\x9f');
    });
}

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Rendered by poppler at `dpi`, as a grey image; null when that failed.
inline QImage popplerImage(const QString& pdf, int dpi, const QString& stem)
{
    poppler::run(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// How well two renderings agree: of the dark pixels in either, the share that
// has a dark pixel in the other within one pixel; the smaller of the two.
inline double agreement(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    const auto dark = [](const QImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height()
               && image.constScanLine(y)[x] < 160;
    };
    const auto share = [&](const QImage& from, const QImage& in) {
        qint64 total = 0, matched = 0;
        for (int y = 0; y < from.height(); ++y)
            for (int x = 0; x < from.width(); ++x) {
                if (!dark(from, x, y))
                    continue;
                ++total;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx)
                        near = dark(in, x + dx, y + dy);
                matched += near;
            }
        return total == 0 ? 0.0 : double(matched) / double(total);
    };
    return std::min(share(a, b), share(b, a));
}

} // namespace convertertools
