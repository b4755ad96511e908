#pragma once
// frmLumbrast, the game window. It owns the controls, forwards every click to
// the rules (game::Game) or to the input logic (input::MouseInput), and then
// shows the rules' state on its controls. Handlers carry the names of the
// controls and events they stand for.

#include <array>
#include <memory>

#include <QCursor>
#include <QMainWindow>

#include "app/gamefollower.h"
#include "game/game.h"
#include "input/inputstate.h"
#include "input/mouseinput.h"
#include "music/window/musicpublic.h"
#include "music/window/musicwindowhost.h"
#include "platform/desktop/messageboxes.h"
#include "platform/desktop/sounds.h"
#include "platform/help/helpviewer.h"
#include "platform/rawinput.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTimer;
class QTreeWidget;

namespace lumbrast::app {

class ColourButton;
class PieceButton;

class frmLumbrast final : public QMainWindow, private game::GameEffects {
    Q_OBJECT
public:
    frmLumbrast(platform::RawInput &raw, platform::MessageBoxes &boxes, platform::Sounds &sounds,
                QWidget *parent = nullptr);
    ~frmLumbrast() override;

    // Start-up: defaults, rounded shapes, discovery, then music and hook with
    // two or more mice, else the refusal message. Runs before the first show.
    void Form_Load();

    game::Game &game() { return game_; }
    input::InputState &inputState() { return input_; }
    input::MouseInput &mouseInput() { return mouse_; }
    // The style player: loaded by cmdLoadMusic, driven by the Music menu.
    musicwindow::MusicWindowHost &music() { return *music_; }
    // Carries the game's moments to the style player.
    GameFollower &follower() { return *follower_; }
    // Help > "Help" shows its topic in `viewer` instead of the program's own help window.
    void setHelpViewer(platform::HelpViewer &viewer) { helpViewer_ = &viewer; }
    // The pointer "Start" shows now: the cursor of the player who opens next.
    QCursor startButtonCursor() const;

    // Shows the rules' state on the controls.
    void render();
    // Runs a game handler, then shows what it changed.
    template <class... Params, class... Args>
    void thenRender(void (game::Game::*handler)(Params...), Args &&...args) {
        (game_.*handler)(std::forward<Args>(args)...);
        render();
    }

    // ---- Controls ----
    QGroupBox *fraGameIntro = nullptr;
    QTreeWidget *lvwMice = nullptr;
    QListWidget *lstMouseCollection = nullptr;
    ColourButton *cmdGetRawData = nullptr, *cmdHook = nullptr, *cmdUnHook = nullptr;
    ColourButton *cmdLoadMusic = nullptr;
    QGroupBox *fraGameLumbrast = nullptr;
    QLabel *lblDevDescCaption = nullptr, *lbl_hDeviceCaption = nullptr, *lblPlayersName = nullptr;
    QLabel *lblDevDesc_01 = nullptr, *lblDevhDevice_01 = nullptr;
    QLabel *lblDevDesc_02 = nullptr, *lblDevhDevice_02 = nullptr;
    ColourButton *cmdVerify_M_P_01 = nullptr, *cmdVerify_M_P_02 = nullptr;
    QLineEdit *txtPlayerName_01 = nullptr, *txtPlayerName_02 = nullptr;
    QGroupBox *fraGameTable = nullptr;
    std::array<PieceButton *, 4> cmdGamePiece{};
    ColourButton *cmdCursorPos = nullptr;
    ColourButton *cmdGamePlay = nullptr, *cmdGamePause = nullptr, *cmdGameReset = nullptr;
    QLabel *lblGameMoveTimer = nullptr;
    QGroupBox *fraFirstMove = nullptr;
    QRadioButton *optPlayer_01 = nullptr, *optPlayer_02 = nullptr;
    QLabel *lblPlayer1Stat = nullptr, *lblPlayer2Stat = nullptr;
    QLabel *lblPointsStat = nullptr, *lblSetStat = nullptr, *lblMatchStat = nullptr;
    QLabel *lblPointsStatP1 = nullptr, *lblPointsStatP2 = nullptr;
    QLabel *lblSetStatP1 = nullptr, *lblSetStatP2 = nullptr;
    QLabel *lblMatchStatP1 = nullptr, *lblMatchStatP2 = nullptr;
    ColourButton *cmdExit = nullptr;
    QTimer *tmrGameMove = nullptr;

    // ---- Menu entries ----
    QAction *mnuNevGame = nullptr, *mnuExit = nullptr;
    QAction *mnuRefreshDevices = nullptr, *mnuHook = nullptr, *mnuUnHook = nullptr;
    QAction *mnuConfineCursorForm = nullptr, *mnuReleaseCursorForm = nullptr;
    QAction *mnuGameSetup = nullptr;
    QAction *mnuPlayMusic = nullptr, *mnuStopMusic = nullptr, *mnuSetupMusic = nullptr;
    QAction *mnuFollowGame = nullptr;
    QAction *mnuHelpLocal = nullptr, *mnuAbout = nullptr;

public slots:
    // Hidden trigger buttons: "pressing" one from code calls its handler.
    void cmdGetRawData_Click();
    void cmdHook_Click();
    void cmdUnHook_Click();
    void cmdLoadMusic_Click();

    void cmdVerify_M_P_01_Click();
    void cmdVerify_M_P_02_Click();
    void cmdGamePiece_Click(int index);
    void cmdGamePiece_MouseMove(int index);
    void cmdCursorPos_Click();
    void cmdGamePlay_Click() { thenRender(&game::Game::cmdGamePlay_Click); }
    void cmdGamePause_Click() { thenRender(&game::Game::cmdGamePause_Click); }
    void cmdGameReset_Click() { thenRender(&game::Game::cmdGameReset_Click); }
    void txtPlayerName_01_Change(const QString &text) {
        thenRender(&game::Game::txtPlayerName_01_Change, text.toStdString());
    }
    void optPlayer_01_Click() { thenRender(&game::Game::optPlayer_01_Click); }
    void optPlayer_02_Click() { thenRender(&game::Game::optPlayer_02_Click); }
    void txtPlayerName_02_Change(const QString &text) {
        thenRender(&game::Game::txtPlayerName_02_Change, text.toStdString());
    }
    void tmrGameMove_Timer() { thenRender(&game::Game::tmrGameMove_Timer); }
    void cmdExit_Click();

    void mnuNevGame_Click() { thenRender(&game::Game::mnuNevGame_Click); }
    void mnuExit_Click();
    void mnuRefreshDevices_Click();
    void mnuHook_Click();
    void mnuUnHook_Click();
    void mnuConfineCursorForm_Click();
    void mnuReleaseCursorForm_Click();
    void mnuGameSetup_Click();
    void mnuPlayMusic_Click();
    void mnuStopMusic_Click();
    void mnuSetupMusic_Click();
    void mnuFollowGame_Click(bool checked);
    void mnuHelpLocal_Click();
    void mnuAbout_Click();

public:
    void ConfineCursorForm();
    void ReleaseCursorForm();
    void RoundMainWindow();
    void RoundButtonCorners();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *) override;
    bool event(QEvent *) override;

private:
    // GameEffects
    void showMessage(const std::string &text, game::MessageIcon icon,
                     const std::string &title) override;
    void beep(game::Beep kind) override;
    void startMoveTimer() override;
    void stopMoveTimer() override;
    void releaseCursor() override;

    void buildControls();
    void buildMenus();
    void Form_Resize();
    void Form_QueryUnload();
    void Form_Unload();
    void pressMusicWindowExit();
    // Lets the mice go and closes the style player, whatever the player does.
    void unhookAndCloseMusic();
    void reportInputError(const std::exception &error, std::string_view tag);

    platform::RawInput &raw_;
    platform::MessageBoxes &boxes_;
    platform::Sounds &sounds_;
    input::InputState input_;
    game::Game game_;
    input::MouseInput mouse_;
    musicwindow::MusicWindowHost *music_ = nullptr;
    std::unique_ptr<GameFollower> follower_;
    QButtonGroup *firstMoveGroup_ = nullptr;
    platform::HelpViewer *helpViewer_ = nullptr;
    // True from the first paint on: only then is the window where the window
    // manager placed it, so only then can the cursor be trapped inside it.
    bool placed_ = false;
};

} // namespace lumbrast::app
