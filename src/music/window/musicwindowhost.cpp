#include "music/window/musicwindowhost.h"

#include "music/window/follower.h"

#include <QEvent>
#include <QPushButton>
#include <QWidget>

namespace lumbrast::musicwindow {

MusicWindowHost::MusicWindowHost(QWidget *gameWindow, MusicWindowEnv env, ErrorReporter reportError)
    : QObject(gameWindow), gameWindow_(gameWindow), env_(std::move(env)),
      reportError_(std::move(reportError)) {
    fallback_.setSingleShot(true);
    connect(&fallback_, &QTimer::timeout, this, [this] { runPendingLoad(); });
}

MusicWindowHost::~MusicWindowHost() {
    if (gameWindow_)
        gameWindow_->removeEventFilter(this);
}

frmStylesDX9 *MusicWindowHost::window() const {
    return window_ && !window_->isUnloaded() ? window_.data() : nullptr;
}

void MusicWindowHost::setFollowGame(bool on) {
    if (followGame_ && !on)
        if (frmStylesDX9 *w = window())
            w->follower().reset(); // tension and quiet end with following
    followGame_ = on;
}

void MusicWindowHost::gameCue(GameCue cue) {
    if (!followGame_)
        return;
    if (frmStylesDX9 *w = window())
        w->follower().cue(cue);
}

frmStylesDX9 *MusicWindowHost::load() {
    frmStylesDX9 *w = ensureLoaded();
    if (w)
        w->hide();
    return w;
}

frmStylesDX9 *MusicWindowHost::ensureLoaded() {
    if (frmStylesDX9 *w = window())
        return w;
    if (loading_)
        return nullptr; // a message box of the start-up is open
    pending_ = false;
    fallback_.stop();
    loading_ = true;
    try {
        auto *w = new frmStylesDX9(gameWindow_, env_);
        window_ = w;
        const bool ok = w->Form_Load();
        loading_ = false;
        return ok ? w : nullptr;
    } catch (...) {
        loading_ = false;
        const ErrorInfo e = CurrentError();
        if (reportError_)
            reportError_(e.number, e.description);
        return nullptr;
    }
}

void MusicWindowHost::loadWhenShown() {
    if (window() || pending_)
        return;
    pending_ = true;
    if (gameWindow_ && !gameWindow_->isVisible()) {
        gameWindow_->installEventFilter(this);
        // Should the first paint never come, start anyway.
        fallback_.start(400);
    } else {
        fallback_.start(0);
    }
}

bool MusicWindowHost::eventFilter(QObject *watched, QEvent *event) {
    if (watched == gameWindow_ && event->type() == QEvent::Paint && pending_) {
        gameWindow_->removeEventFilter(this);
        // Let this paint reach the screen first.
        fallback_.start(0);
    }
    return QObject::eventFilter(watched, event);
}

void MusicWindowHost::runPendingLoad() {
    if (gameWindow_)
        gameWindow_->removeEventFilter(this);
    if (!pending_)
        return;
    load();
}

void MusicWindowHost::play() {
    if (frmStylesDX9 *w = ensureLoaded())
        w->cmdPlaySegment->click();
}

void MusicWindowHost::stop() {
    if (frmStylesDX9 *w = ensureLoaded())
        w->cmdStopSegment->click();
}

void MusicWindowHost::setup() {
    if (frmStylesDX9 *w = ensureLoaded()) {
        w->show();
        w->raise();
        w->activateWindow();
    }
}

void MusicWindowHost::exit() {
    pending_ = false;
    fallback_.stop();
    if (frmStylesDX9 *w = window())
        w->cmdOK->click();
}

} // namespace lumbrast::musicwindow
