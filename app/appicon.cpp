#include "app/appicon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

QPixmap drawn(const QString& resource, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QIcon applicationIcon()
{
    QIcon icon;
    icon.addPixmap(drawn(QStringLiteral(":/icons/zelmar-small.svg"), 16));
    icon.addPixmap(drawn(QStringLiteral(":/icons/zelmar-24.svg"), 24));
    for (const int size : {32, 48, 64, 128, 256})
        icon.addPixmap(drawn(QStringLiteral(":/icons/zelmar.svg"), size));
    return icon;
}
