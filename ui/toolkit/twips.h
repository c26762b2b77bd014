#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QWidget>

// Window layouts are designed in twips (1/1440 inch) and placed at the
// screen's logical DPI, so the proportions of the design hold on any screen.
namespace toolkit {

inline constexpr int twipsPerInch = 1440;

// Rounds to the nearest pixel; halves away from zero.
int twipsToPixels(int twips, int dpi);
QRect twipsRect(const QRect& twips, int dpiX, int dpiY);

// Places `control` within its parent's client area. The design rectangle
// stays readable on the control (property "twips").
void placeTwips(QWidget* control, int left, int top, int width, int height);
QRect designTwips(const QWidget* control);

// A fixed dialog frame: client area of the given size that the user cannot
// resize, title bar with a close box, no minimise or maximise buttons.
void fixedDialogFrame(QWidget* form, int clientWidthTwips, int clientHeightTwips);

// Keyboard focus order, first to last.
void setTabOrder(const QList<QWidget*>& order);

// The design font of the forms, with a plain sans-serif face standing in
// where "MS Sans Serif" is not installed.
QFont designFont(qreal pointSize, bool bold = false);

} // namespace toolkit
