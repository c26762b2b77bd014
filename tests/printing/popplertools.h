#pragma once

// Reads produced PDF files back with poppler's command-line tools
// (Debian package poppler-utils).

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cmath>

namespace poppler {

inline bool available()
{
    for (const char* tool : {"pdfinfo", "pdftotext", "pdftocairo"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

// Standard output of the tool; empty when it failed.
inline QByteArray run(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

inline QByteArray info(const QString& pdf) { return run(QStringLiteral("pdfinfo"), {pdf}); }

inline QString text(const QString& pdf)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
}

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax; // points, y down
};

// Of one page (from 1) when `page` is given, else of all of them.
inline QStringList onPage(int page)
{
    if (page <= 0)
        return {};
    return {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
            QString::number(page)};
}

inline QList<Word> words(const QString& pdf, int page = 0)
{
    const QString html = QString::fromUtf8(
        run(QStringLiteral("pdftotext"),
            onPage(page) + QStringList{QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    static const QRegularExpression word(QString::fromUtf8(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<Word> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out.append({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                    m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return out;
}

// One stroked path of the page, in device pixels at 1200 dpi (72 pt = 1200).
struct Stroke {
    double width;   // device pixels
    QString colour; // as cairo writes it, e.g. rgb(0%,50.195312%,0%)
    bool dashed;
    QString style;                  // cairo's whole style: caps, joins, dashes
    QList<QList<QPointF>> subpaths; // each an M followed by its L points
};

inline constexpr double pixelsPerPoint = 1200.0 / 72.0;

inline QList<Stroke> strokes(const QString& pdf, const QString& svgPath, int page = 0)
{
    // Left alone, pdftocairo shrinks a page whose size is not whole points.
    run(QStringLiteral("pdftocairo"),
        onPage(page)
            + QStringList{QStringLiteral("-svg"), QStringLiteral("-noshrink"),
                          QStringLiteral("-nocenter"), pdf, svgPath});
    QFile file(svgPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString svg = QString::fromUtf8(file.readAll());
    static const QRegularExpression pathTag(QString::fromUtf8(R"re(<path ([^>]*)/>)re"));
    static const QRegularExpression style(QString::fromUtf8(R"re(style="([^"]*)")re"));
    static const QRegularExpression data(QString::fromUtf8(R"re(\sd="([^"]*)")re"));
    static const QRegularExpression matrix(QString::fromUtf8(
        R"re(transform="matrix\(([-\d.e]+),([-\d.e]+),([-\d.e]+),([-\d.e]+),([-\d.e]+),([-\d.e]+)\)")re"));
    static const QRegularExpression width(QString::fromUtf8(R"re(stroke-width:([\d.e-]+))re"));
    static const QRegularExpression colour(QString::fromUtf8(R"re(stroke:(rgb\([^)]*\)))re"));

    QList<Stroke> out;
    for (auto it = pathTag.globalMatch(svg); it.hasNext();) {
        const QString attributes = it.next().captured(1);
        const QString css = style.match(attributes).captured(1);
        if (!css.contains(QLatin1String("fill:none"))
            || !css.contains(QLatin1String("stroke-width")))
            continue;
        double m[6] = {1, 0, 0, 1, 0, 0};
        if (const auto mm = matrix.match(attributes); mm.hasMatch())
            for (int i = 0; i < 6; ++i)
                m[i] = mm.captured(i + 1).toDouble();
        Stroke stroke;
        stroke.width = width.match(css).captured(1).toDouble()
                       * std::sqrt(std::abs(m[0] * m[3] - m[1] * m[2])) * pixelsPerPoint;
        stroke.colour = colour.match(css).captured(1);
        stroke.dashed = css.contains(QLatin1String("stroke-dasharray"));
        stroke.style = css;
        const QStringList tokens =
            data.match(attributes).captured(1).split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < tokens.size();) {
            const QString op = tokens[i];
            if ((op != QLatin1String("M") && op != QLatin1String("L")) || i + 2 >= tokens.size()) {
                ++i;
                continue;
            }
            const double x = tokens[i + 1].toDouble();
            const double y = tokens[i + 2].toDouble();
            const QPointF point((m[0] * x + m[2] * y + m[4]) * pixelsPerPoint,
                                (m[1] * x + m[3] * y + m[5]) * pixelsPerPoint);
            if (op == QLatin1String("M") || stroke.subpaths.isEmpty())
                stroke.subpaths.append(QList<QPointF>());
            stroke.subpaths.last().append(point);
            i += 3;
        }
        out.append(stroke);
    }
    return out;
}

} // namespace poppler
