#pragma once
// The game window's look: its fonts, its grey and the rounded shapes.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRegion>

class QWidget;

namespace lumbrast::app {

inline const QColor kGrey(0xC0, 0xC0, 0xC0);

QFont uiFont(double points, bool bold = false);
// The bold fixed-width font of the score cells and the move timer.
QFont cellFont();
void paint(QWidget *w, QPalette::ColorRole role, const QColor &colour);
// Paints the background and has the widget fill it.
void fill(QWidget *w, const QColor &background);
// CreateRoundRectRgn(0, 0, w, h, e, e): a rectangle whose corners are quarter ellipses e wide.
QRegion roundedRegion(QSize size, int ellipse);

} // namespace lumbrast::app
