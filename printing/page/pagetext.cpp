// The page's text: channel names, heading and the tick frequency line.

#include "printing/page/pagetext.h"

#include "printing/page/tracedrawing.h"
#include "util/fault.h"
#include "util/numbers.h"

#include <algorithm>
#include <cmath>

QString unitText(int unitindex)
{
    switch (unitindex) {
    case 0: return QStringLiteral("ns");
    case 1: return QStringLiteral("us");
    case 2: return QStringLiteral("ms");
    default: return QString();
    }
}

// The engines lose or misplace what follows a break.
QString oneLine(QString text)
{
    for (QChar& c : text) {
        const char16_t code = c.unicode();
        if ((code >= 0xa && code <= 0xd) || code == 0x85 || code == 0x2028 || code == 0x2029)
            c = QLatin1Char(' ');
    }
    return text;
}

QString pageName(const QString& name)
{
    if (name.size() <= nameLength)
        return name;
    qsizetype length = nameLength;
    if (name.at(length - 1).isHighSurrogate() && name.at(length).isLowSurrogate())
        --length;
    return name.left(length);
}

QString tickFrequencyLine(const TickMarks& ticks, const SamplePeriod& period)
{
    QString suffix;
    if (!period.typed.isEmpty()) {
        const QString unit = unitText(period.unitindex);
        suffix = QStringLiteral(" @ ") + period.typed + unit + QStringLiteral("/sample =")
                 + numbers::formatGeneral(period.number * ticks.number) + unit;
    }
    return QStringLiteral("Tick frequency:") + ticks.typed + QStringLiteral(" samples") + suffix;
}

TimeUnit timeUnit(double largest)
{
    if (largest >= 1)
        return {1, QStringLiteral("s")};
    if (largest >= 1e-3)
        return {1e-3, QStringLiteral("ms")};
    if (largest >= 1e-6)
        return {1e-6, QStringLiteral("\u00b5s")};
    return {};
}

QString timeText(double seconds, const TimeUnit& unit)
{
    QString number = QString::number(seconds / unit.seconds, 'f', 4);
    while (number.endsWith(u'0'))
        number.chop(1);
    if (number.endsWith(u'.'))
        number.chop(1);
    if (number == QLatin1String("-0"))
        number = QStringLiteral("0");
    return number + u' ' + unit.name;
}

QString rangeLine(const PageLayout& layout, double period)
{
    QString line = QStringLiteral("samples %1\u2013%2").arg(layout.first).arg(layout.last);
    if (period > 0) {
        const TimeUnit unit = timeUnit((layout.rangelast + 1) * period);
        QString start = timeText(layout.first * period, unit);
        start.chop(unit.name.size() + 1);
        line +=
            QStringLiteral(" (%1\u2013%2)").arg(start, timeText((layout.last + 1) * period, unit));
    }
    if (layout.pages > 1)
        line += QStringLiteral(", page %1 of %2").arg(layout.page + 1).arg(layout.pages);
    return line;
}

std::vector<TimeLabel> timeLabels(qint32 spacing, const PageLayout& layout, double period)
{
    std::vector<TimeLabel> labels;
    if (spacing <= 0)
        return labels;
    const TimeUnit unit = timeUnit((layout.rangelast + 1) * period);
    const auto text = [&](qint64 sample) {
        return period > 0 ? timeText(double(sample) * period, unit) : QString::number(sample);
    };
    // The widest label of the range, at about 0.65 em a character, and an em between labels.
    const double em = textPixels(timeAxisPoints);
    const qsizetype widest =
        std::max(text(layout.rangefirst).size(), text(layout.rangelast + 1).size());
    const double room = (double(widest) * 0.65 + 1) * em;
    const double pixelsPerTick =
        double(layout.traceRight() - layout.traceLeft()) / layout.perpage * spacing;
    qint64 every = 1; // 1, 2, 5, 10, 20, 50 …
    for (qint64 decade = 1; every * pixelsPerTick < room;) {
        if (every == decade)
            every = 2 * decade;
        else if (every == 2 * decade)
            every = 5 * decade;
        else
            every = decade *= 10;
    }
    for (const int k : tickSamples(spacing, layout)) {
        if ((k / spacing) % every == 0)
            labels.push_back({k, text(k)});
    }
    return labels;
}

void writePageText(PageSurface& page, const LevelTable& levels, const PageRequest& request,
                   const PageLayout& layout)
{
    if (!levels.complete())
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("slot %1 does not exist").arg(levels.lastslot));
    for (int i = 0; i <= levels.lastslot; ++i) {
        page.CurrentX(layout.textLeft());
        page.CurrentY(layout.nameTop(i));
        page.FontSize(textPoints);
        page.Print(oneLine(pageName(levels.slotnames[static_cast<std::size_t>(i)])));
    }

    page.CurrentX(layout.textLeft());
    page.CurrentY(layout.headingTop());
    page.FontSize(textPoints);
    page.Print(oneLine(request.heading));

    if (request.ticks.shown) {
        // The size set for the heading still holds.
        page.CurrentX(layout.textLeft());
        page.CurrentY(layout.tickLineTop());
        page.Print(oneLine(tickFrequencyLine(request.ticks, request.period)));
    }

    if (layout.whole())
        return;
    const double period = request.period.seconds;
    page.CurrentX(layout.textLeft());
    page.CurrentY(layout.rangeLineTop());
    page.FontSize(rangeLinePoints);
    page.Print(rangeLine(layout, period));
    if (layout.timeaxis && request.ticks.shown) {
        page.FontSize(timeAxisPoints);
        for (const TimeLabel& label : timeLabels(request.ticks.spacing(), layout, period)) {
            // Just right of its tick, so that a label never reaches back over the one before.
            page.CurrentX(layout.sampleX(label.sample) + timeLabelGap);
            page.CurrentY(layout.timeAxisTop());
            page.Print(label.text);
        }
    }
}
