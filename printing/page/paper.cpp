// The papers and how the sheet is fitted to each.
#include "printing/page/paper.h"

#include "printing/page/sheet.h"

#include <algorithm>
#include <array>

namespace {

struct PaperEntry {
    Paper paper;
    const char* name;
    QPageSize::PageSizeId id;
    // Landscape, in thousandths of an inch or tenths of a millimetre.
    double width, height;
    bool metric;
};

constexpr std::array<PaperEntry, 5> papers{{
    {Paper::Tabloid, "tabloid", QPageSize::Tabloid, 17000, 11000, false},
    {Paper::A3, "a3", QPageSize::A3, 4200, 2970, true},
    {Paper::A4, "a4", QPageSize::A4, 2970, 2100, true},
    {Paper::Letter, "letter", QPageSize::Letter, 11000, 8500, false},
    {Paper::Legal, "legal", QPageSize::Legal, 14000, 8500, false},
}};

const PaperEntry& entryOf(Paper paper)
{
    for (const PaperEntry& entry : papers)
        if (entry.paper == paper)
            return entry;
    return papers.front();
}

double pixels(const PaperEntry& entry, double length)
{
    return entry.metric ? length / 254.0 * sheetDpi : length / 1000.0 * sheetDpi;
}

} // namespace

QString paperName(Paper paper) { return QString::fromLatin1(entryOf(paper).name); }

std::optional<Paper> paperNamed(const QString& name)
{
    for (const PaperEntry& entry : papers)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.paper;
    return std::nullopt;
}

QStringList paperNames()
{
    QStringList names;
    for (const PaperEntry& entry : papers)
        names << QString::fromLatin1(entry.name);
    return names;
}

QPageSize pageSizeOf(Paper paper) { return QPageSize(entryOf(paper).id); }

PaperFit fitPageOnto(double pagewidth, double pageheight, double width, double height)
{
    PaperFit fit;
    fit.width = width;
    fit.height = height;
    fit.scale = std::min(width / pagewidth, height / pageheight);
    fit.left = (width - pagewidth * fit.scale) / 2;
    fit.top = (height - pageheight * fit.scale) / 2;
    fit.minimumWidth = 1 / fit.scale;
    return fit;
}

PaperFit fitSheetOnto(double width, double height)
{
    return fitPageOnto(sheetWidthPixels, sheetHeightPixels, width, height);
}

PaperFit paperFit(Paper paper)
{
    const PaperEntry& entry = entryOf(paper);
    const double width = pixels(entry, entry.width), height = pixels(entry, entry.height);
    if (paper == Paper::Tabloid) {
        // Exactly the sheet: no rounding may move a line.
        PaperFit fit;
        fit.width = width;
        fit.height = height;
        return fit;
    }
    return fitSheetOnto(width, height);
}

PaperFit paperFit(Paper paper, LayoutKind layout)
{
    if (layout == LayoutKind::Sheet)
        return paperFit(paper);
    const PaperEntry& entry = entryOf(paper);
    PaperFit fit;
    fit.width = pixels(entry, entry.width);
    fit.height = pixels(entry, entry.height);
    return fit;
}
