#include "app/colourbutton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace lumbrast::app {

QColor fromBgr(std::uint32_t bgr, const QPalette &palette) {
    if (bgr & 0x80000000u) // a system colour; the only one used is the button face
        return palette.color(QPalette::Button);
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

ColourButton::ColourButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent), fill_(0xC0, 0xC0, 0xC0) {
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
}

void ColourButton::setFillColour(const QColor &colour) {
    if (colour == fill_)
        return;
    fill_ = colour;
    update();
}

void ColourButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, fill_);
    // A classic bevel of single lines, light and dark swapped while pressed.
    const bool down = isDown();
    const QColor light = down ? QColor(64, 64, 64) : QColor(255, 255, 255);
    const QColor dark = down ? QColor(255, 255, 255) : QColor(64, 64, 64);
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight() - QPoint(1, 0));
    p.drawLine(r.topLeft(), r.bottomLeft() - QPoint(0, 1));
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    QRect face = r.adjusted(2, 2, -2, -2);
    if (down)
        face.translate(1, 1);
    paintFace(p, face);
    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

void ColourButton::paintFace(QPainter &p, const QRect &face) {
    p.setFont(font());
    p.setPen(isEnabled() ? palette().color(QPalette::Active, QPalette::ButtonText)
                         : QColor(128, 128, 128));
    p.drawText(face, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

FrameBox::FrameBox(const QString &caption, QWidget *parent) : QGroupBox(caption, parent) {
    setAutoFillBackground(true);
}

void FrameBox::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const QString caption = title();
    const int lineY = caption.isEmpty() ? 0 : fm.height() / 2;
    const QRect edge = rect().adjusted(0, lineY, -1, -1);
    // Etched edge: a dark line with a light one inside it.
    p.setPen(QColor(128, 128, 128));
    p.drawRect(edge.adjusted(0, 0, -1, -1));
    p.setPen(Qt::white);
    p.drawRect(edge.adjusted(1, 1, 0, 0));
    if (caption.isEmpty())
        return;
    const QRect text(8, 0, fm.horizontalAdvance(caption) + 4, fm.height());
    p.fillRect(text, palette().color(QPalette::Window));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text, Qt::AlignCenter, caption);
}

PieceButton::PieceButton(int index, QWidget *parent)
    : ColourButton(QString(), parent), index_(index) {
    setMouseTracking(true); // every move over a piece picks its pointer
}

void PieceButton::mouseMoveEvent(QMouseEvent *event) {
    emit hovered(index_);
    ColourButton::mouseMoveEvent(event);
}

void PieceButton::paintFace(QPainter &p, const QRect &face) {
    if (text().isEmpty())
        return; // face down: the colour alone
    const int side = std::min(face.width(), face.height()) * 4 / 5;
    QRectF square(0, 0, side, side);
    square.moveCenter(QRectF(face).center());
    const QColor ink = isEnabled() ? QColor(0, 0, 0) : QColor(96, 96, 96);
    p.save();
    if (!drawPieceFace(p, square, text().at(0), ink)) {
        QFont f = font();
        f.setPixelSize(side * 3 / 4);
        f.setBold(true);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(square, Qt::AlignCenter, text());
    }
    p.restore();
}

namespace {
// The outline of a device's body, 1.8 units wide, with rounded corners.
void drawBody(QPainter &p, const QRectF &body, double radius, const QColor &ink, double u) {
    p.setPen(QPen(ink, 1.8 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, radius, radius);
}

void drawFace(QPainter &p, const QRectF &s, const QColor &ink, bool smiling) {
    const double u = s.width() / 32.0;
    p.setPen(QPen(ink, 2.2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(s.adjusted(2 * u, 2 * u, -2 * u, -2 * u));
    p.setBrush(ink);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(s.left() + 11.5 * u, s.top() + 12.5 * u), 2.2 * u, 2.6 * u);
    p.drawEllipse(QPointF(s.left() + 20.5 * u, s.top() + 12.5 * u), 2.2 * u, 2.6 * u);
    p.setPen(QPen(ink, 2.4 * u, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath mouth;
    if (smiling) {
        mouth.moveTo(s.left() + 9 * u, s.top() + 19 * u);
        mouth.quadTo(s.left() + 16 * u, s.top() + 27 * u, s.left() + 23 * u, s.top() + 19 * u);
    } else {
        mouth.moveTo(s.left() + 9.5 * u, s.top() + 24.5 * u);
        mouth.quadTo(s.left() + 16 * u, s.top() + 17.5 * u, s.left() + 22.5 * u,
                     s.top() + 24.5 * u);
    }
    p.drawPath(mouth);
}

void drawKeyboard(QPainter &p, const QRectF &s, const QColor &ink) {
    const double u = s.width() / 32.0;
    const QRectF body(s.left() + 1 * u, s.top() + 8 * u, 30 * u, 17 * u);
    drawBody(p, body, 2 * u, ink, u);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const double key = 2.6 * u, gap = 1.0 * u;
    for (int row = 0; row < 3; ++row) {
        const double y = body.top() + 2.2 * u + row * (key + gap);
        const double x0 = body.left() + (2.0 + row * 0.8) * u;
        for (int k = 0; k < 7 - (row == 2 ? 1 : 0); ++k)
            p.drawRect(QRectF(x0 + k * (key + gap), y, key, key));
    }
    // space bar
    p.drawRect(QRectF(body.left() + 8 * u, body.top() + 13 * u, 14 * u, 2.2 * u));
}

void drawMouse(QPainter &p, const QRectF &s, const QColor &ink) {
    const double u = s.width() / 32.0;
    const QRectF body(s.left() + 8 * u, s.top() + 8 * u, 16 * u, 22 * u);
    drawBody(p, body, 8 * u, ink, u);
    // the two buttons and the wheel
    p.drawLine(QPointF(body.left(), body.top() + 9 * u), QPointF(body.right(), body.top() + 9 * u));
    p.drawLine(QPointF(body.center().x(), body.top()),
               QPointF(body.center().x(), body.top() + 9 * u));
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(body.center().x() - 1.2 * u, body.top() + 2.5 * u, 2.4 * u, 4 * u),
                      1 * u, 1 * u);
    // the cable
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(body.center().x(), body.top());
    cable.cubicTo(body.center().x(), s.top() + 3 * u, s.left() + 24 * u, s.top() + 5 * u,
                  s.left() + 27 * u, s.top() + 1 * u);
    p.drawPath(cable);
}
} // namespace

bool drawPieceFace(QPainter &p, const QRectF &square, QChar face, const QColor &ink) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (face.unicode()) {
    case u'7':
        drawKeyboard(p, square, ink);
        return true;
    case u'8':
        drawMouse(p, square, ink);
        return true;
    case u'L':
        drawFace(p, square, ink, false);
        return true;
    case u'J':
        drawFace(p, square, ink, true);
        return true;
    default:
        return false;
    }
}

} // namespace lumbrast::app
