#include "app/cursors.h"

#include <map>

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lumbrast::app {

namespace {
// An arrow whose tip is the hot spot, leaning left for player 1 and right for
// player 2, with the player's number on its tail. Drawn at the screens'
// pixel ratio, so a scaled desktop gets a sharp pointer, not a blown-up one.
QPixmap drawPointer(int player, qreal ratio) {
    const int side = qRound(32 * ratio);
    QPixmap pm(side, side);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const bool left = player == 1;
    const QColor fill = left ? QColor(0, 70, 200) : QColor(200, 30, 30);

    QPainterPath arrow;
    arrow.moveTo(7, 7);
    arrow.lineTo(7, 26);
    arrow.lineTo(12, 21);
    arrow.lineTo(16, 29);
    arrow.lineTo(19, 27.5);
    arrow.lineTo(15, 19.5);
    arrow.lineTo(22, 19.5);
    arrow.closeSubpath();
    if (!left) // mirror around x = 15.5 so the tip lands on 24
        arrow = QTransform(-1, 0, 0, 1, 31, 0).map(arrow);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(arrow);

    const QRectF badge = left ? QRectF(19, 3, 12, 12) : QRectF(1, 3, 12, 12);
    p.setPen(QPen(Qt::white, 1.2));
    p.setBrush(fill);
    p.drawEllipse(badge);
    QFont f;
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, QString::number(player));
    return pm;
}
} // namespace

QCursor playerCursor(int player) {
    if (player != 1 && player != 2)
        return QCursor(Qt::ArrowCursor);
    // Hot spots are in the pointer's own 32 x 32 units at any ratio.
    static std::map<std::pair<int, qreal>, QCursor> drawn;
    const qreal ratio = qGuiApp->devicePixelRatio();
    auto [at, added] = drawn.try_emplace({player, ratio});
    if (added)
        at->second = QCursor(drawPointer(player, ratio), player == 1 ? 7 : 24, 7);
    return at->second;
}

QCursor cursorFor(game::PlayerCursor pointer) {
    switch (pointer) {
    case game::PlayerCursor::Player1:
        return playerCursor(1);
    case game::PlayerCursor::Player2:
        return playerCursor(2);
    case game::PlayerCursor::None:
        break;
    }
    return QCursor(Qt::ArrowCursor);
}

} // namespace lumbrast::app
