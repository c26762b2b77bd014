// The page's text: channel names, heading and the tick frequency line.

#include "printing/page/pagetext.h"

#include "printing/page/tracedrawing.h"

#include "util/fault.h"
#include "util/numbers.h"

QString unittext(int unitindex)
{
    switch (unitindex) {
    case 0: return QStringLiteral("ns");
    case 1: return QStringLiteral("us");
    case 2: return QStringLiteral("ms");
    default: return QString();
    }
}

QString pagename(const QString& name)
{
    if (name.size() <= nameLength)
        return name;
    qsizetype length = nameLength;
    if (name.at(length - 1).isHighSurrogate() && name.at(length).isLowSurrogate())
        --length;
    return name.left(length);
}

QString tickfrequencyline(const QString& tickfrequency, const QString& resolution, int unitindex)
{
    QString suffix;
    if (!resolution.isEmpty()) {
        const QString unit = unittext(unitindex);
        const double product =
            numbers::leadingNumber(resolution) * numbers::leadingNumber(tickfrequency);
        suffix = QStringLiteral(" @ ") + resolution + unit + QStringLiteral("/sample =")
                 + numbers::formatGeneral(product) + unit;
    }
    return QStringLiteral("Tick frequency:") + tickfrequency + QStringLiteral(" samples") + suffix;
}

void writepagetext(PageSurface& page, const LevelTable& levels, const PageTextSettings& settings)
{
    if (levels.lastslot >= channelCount)
        throw Fault(FaultKind::SubscriptOutOfRange,
                    QStringLiteral("slot %1 does not exist").arg(levels.lastslot));
    for (int i = 0; i <= levels.lastslot; ++i) {
        page.CurrentX(textLeft);
        page.CurrentY(firstNameTop + slotPitch * i);
        page.FontSize(textPoints);
        page.Print(pagename(levels.slotnames[static_cast<std::size_t>(i)]));
    }

    page.CurrentX(textLeft);
    page.CurrentY(headingTop);
    page.FontSize(textPoints);
    page.Print(settings.heading);

    if (settings.tickmarks) {
        // The size set for the heading still holds.
        page.CurrentX(textLeft);
        page.CurrentY(tickLineTop);
        page.Print(tickfrequencyline(settings.tickfrequency, settings.resolution,
                                     settings.unitindex));
    }
}
