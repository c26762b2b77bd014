// The sheet as a page layout, for the printers and the PDF engine.
#include "printing/page/sheet.h"

#include <QMarginsF>
#include <QPageSize>

QPageLayout sheetLayout()
{
    return QPageLayout(QPageSize(QPageSize::Tabloid), QPageLayout::Landscape,
                       QMarginsF(0, 0, 0, 0));
}
