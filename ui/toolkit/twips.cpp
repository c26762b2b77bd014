// Placing windows and controls laid out in twips.

#include "ui/toolkit/twips.h"

#include <QFont>
#include <QVariant>

#include <cmath>

namespace toolkit {
namespace {
const char* const twipsProperty = "twips";
} // namespace

int twipsToPixels(int twips, int dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / twipsPerInch));
}

QRect twipsRect(const QRect& twips, int dpiX, int dpiY)
{
    return QRect(twipsToPixels(twips.left(), dpiX), twipsToPixels(twips.top(), dpiY),
                 twipsToPixels(twips.width(), dpiX), twipsToPixels(twips.height(), dpiY));
}

void placeTwips(QWidget* control, int left, int top, int width, int height)
{
    const QRect design(left, top, width, height);
    control->setProperty(twipsProperty, design);
    control->setGeometry(twipsRect(design, control->logicalDpiX(), control->logicalDpiY()));
}

QRect designTwips(const QWidget* control) { return control->property(twipsProperty).toRect(); }

void fixedDialogFrame(QWidget* form, int clientWidthTwips, int clientHeightTwips)
{
    form->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                         | Qt::MSWindowsFixedSizeDialogHint);
    form->setFixedSize(twipsToPixels(clientWidthTwips, form->logicalDpiX()),
                       twipsToPixels(clientHeightTwips, form->logicalDpiY()));
}

void setTabOrder(const QList<QWidget*>& order)
{
    QWidget* previous = nullptr;
    for (QWidget* control : order) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

QFont designFont(qreal pointSize, bool bold)
{
    // Where the design face is missing, a face of the same widths keeps the
    // captions inside their controls.
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace toolkit
