#include "app/look.h"

#include <QPainterPath>
#include <QWidget>

namespace lumbrast::app {

QFont uiFont(double points, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont cellFont() {
    QFont f;
    f.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                   QStringLiteral("DejaVu Sans Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(14.25);
    f.setBold(true);
    return f;
}

void paint(QWidget *w, QPalette::ColorRole role, const QColor &colour) {
    QPalette pal = w->palette();
    pal.setColor(role, colour);
    w->setPalette(pal);
}

void fill(QWidget *w, const QColor &background) {
    paint(w, QPalette::Window, background);
    w->setAutoFillBackground(true);
}

QRegion roundedRegion(QSize size, int ellipse) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), ellipse / 2.0, ellipse / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace lumbrast::app
