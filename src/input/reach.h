#pragma once
// What the trapped pointer must be able to reach: the game window and every
// other window of the program on screen (About, help, the music window, a
// message box), which may stick out of the game window. The rectangle around
// them all follows those windows as they come, move and go.

#include <functional>

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class QWidget;

namespace lumbrast::input {

// The frame rectangle around the game window and the program's other visible
// windows (menus, tooltips and other popups aside).
QRect reachOf(const QWidget *gameWindow);

class ReachWatcher final : public QObject {
public:
    // changed runs, once per burst of window events, with the new reach.
    ReachWatcher(QWidget *gameWindow, std::function<void(QRect)> changed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> gameWindow_;
    std::function<void(QRect)> changed_;
    QTimer update_;
};

} // namespace lumbrast::input
