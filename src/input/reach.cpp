#include "input/reach.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace lumbrast::input {

namespace {
bool reachable(const QWidget *w) {
    const Qt::WindowType type = w->windowType();
    return w->isVisible() && !w->isMinimized() && (type == Qt::Window || type == Qt::Dialog);
}
} // namespace

QRect reachOf(const QWidget *gameWindow) {
    QRect reach = gameWindow->frameGeometry();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *w : windows)
        if (w != gameWindow && reachable(w))
            reach |= w->frameGeometry();
    return reach;
}

ReachWatcher::ReachWatcher(QWidget *gameWindow, std::function<void(QRect)> changed)
    : gameWindow_(gameWindow), changed_(std::move(changed)) {
    update_.setSingleShot(true);
    connect(&update_, &QTimer::timeout, this, [this] {
        if (gameWindow_)
            changed_(reachOf(gameWindow_));
    });
    qApp->installEventFilter(this); // a deleted filter leaves the application by itself
}

bool ReachWatcher::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        // One update after a burst of changes, once the frames are in place.
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())
            update_.start();
        break;
    default:
        break;
    }
    return false;
}

} // namespace lumbrast::input
