#pragma once
// The game window's side of the style player: loads it hidden at start-up
// (after the game window is on screen, so the game never waits for the
// music), and carries out the Music menu and the closing path.

#include "music/window/frmstylesdx9.h"
#include "music/window/gamecue.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace lumbrast::musicwindow {

class MusicWindowHost : public QObject {
    Q_OBJECT

public:
    // reportError shows a failure of the load in the game window's own error
    // message (number, description).
    using ErrorReporter = std::function<void(long number, const QString &description)>;

    MusicWindowHost(QWidget *gameWindow, MusicWindowEnv env = {}, ErrorReporter reportError = {});
    ~MusicWindowHost() override;

    // cmdLoadMusic: load the window (start-up, first choice, music), then hide
    // it. Returns the window, or null when its start-up failed.
    frmStylesDX9 *load();
    // cmdLoadMusic at the game window's start-up: the same, as soon as the
    // game window has been painted for the first time.
    void loadWhenShown();

    // Music > "Play", "Stop": press the window's Play Seg / Stop, loading it
    // first when it is not loaded.
    void play();
    void stop();
    // Music > "Setup": show the window, not modal, loading it first.
    void setup();
    // Game window closing: press the window's hidden Exit. A window that was
    // never loaded (or failed to start) has nothing to release.
    void exit();

    // Music > "Follow the game": while on, gameCue() is answered in the
    // music; off, the music behaves as if there were no game.
    void setFollowGame(bool on);
    bool followsGame() const { return followGame_; }
    // A moment of the game, answered in the music's own time when following
    // and music plays; otherwise nothing happens.
    void gameCue(GameCue cue);

    // What the next load hands to the window (tests point it elsewhere).
    MusicWindowEnv &environment() { return env_; }

    // The loaded window, or null.
    frmStylesDX9 *window() const;
    bool isLoadPending() const { return pending_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmStylesDX9 *ensureLoaded();
    void runPendingLoad();

    QPointer<QWidget> gameWindow_;
    MusicWindowEnv env_;
    ErrorReporter reportError_;
    QPointer<frmStylesDX9> window_;
    bool loading_ = false;
    bool pending_ = false;
    bool followGame_ = true;
    QTimer fallback_;
};

} // namespace lumbrast::musicwindow
