// The game window's handlers: each forwards to the input logic, the rules,
// the music window or a dialog, then shows the new state.
#include "app/frmlumbrast.h"

#include <QCoreApplication>

#include "app/colourbutton.h"
#include "app/cursors.h"
#include "dialogs/about/frmAboutVark.h"
#include "dialogs/help/helplocal.h"
#include "dialogs/options/frmgameoptions.h"
#include "platform/desktop/datapaths.h"

namespace lumbrast::app {

// ---------------------------------------------------------------- input

void frmLumbrast::cmdGetRawData_Click() {
    mouse_.DiscoverMice();
}

void frmLumbrast::cmdHook_Click() {
    mouse_.Hook();
}

void frmLumbrast::cmdUnHook_Click() {
    mouse_.UnHook();
}

void frmLumbrast::cmdVerify_M_P_01_Click() {
    mouse_.bindPlayer(1, [this] { game_.EnableGameControls(); });
    render();
}

void frmLumbrast::cmdVerify_M_P_02_Click() {
    mouse_.bindPlayer(2, [this] { game_.EnableGameControls(); });
    render();
}

void frmLumbrast::ConfineCursorForm() {
    mouse_.ConfineCursorForm();
}

void frmLumbrast::ReleaseCursorForm() {
    mouse_.ReleaseCursorForm();
}

void frmLumbrast::mnuRefreshDevices_Click() {
    cmdGetRawData_Click();
}
void frmLumbrast::mnuHook_Click() {
    cmdHook_Click();
}
void frmLumbrast::mnuUnHook_Click() {
    cmdUnHook_Click();
}
void frmLumbrast::mnuConfineCursorForm_Click() {
    ConfineCursorForm();
}
void frmLumbrast::mnuReleaseCursorForm_Click() {
    ReleaseCursorForm();
}

// ---------------------------------------------------------------- the game

void frmLumbrast::cmdGamePiece_Click(int index) {
    game_.cmdGamePiece_Click(index);
    render();
}

void frmLumbrast::cmdGamePiece_MouseMove(int index) {
    game_.cmdGamePiece_MouseMove(index);
    const game::Piece &model = game_.cmdGamePiece[static_cast<std::size_t>(index)];
    if (model.MousePointer != game::PlayerCursor::None)
        cmdGamePiece[static_cast<std::size_t>(index)]->setCursor(cursorFor(model.MousePointer));
}

void frmLumbrast::cmdCursorPos_Click() {
    game_.cmdCursorPos_Click();
}

void frmLumbrast::mnuGameSetup_Click() {
    dialogs::frmGameOptions options(game_.v, this);
    options.exec();
}

// ---------------------------------------------------------------- music and help

// The style player loads once this window is on screen, so the game never
// waits for its music.
void frmLumbrast::cmdLoadMusic_Click() {
    music_->loadWhenShown();
}
void frmLumbrast::mnuPlayMusic_Click() {
    music_->play();
}
void frmLumbrast::mnuStopMusic_Click() {
    music_->stop();
}
void frmLumbrast::mnuSetupMusic_Click() {
    music_->setup();
}
void frmLumbrast::mnuFollowGame_Click(bool checked) {
    music_->setFollowGame(checked);
}
void frmLumbrast::mnuHelpLocal_Click() {
    const QString folder = platform::helpFolder(QCoreApplication::applicationDirPath());
    if (helpViewer_)
        dialogs::mnuHelpLocal_Click(this, folder, *helpViewer_);
    else
        dialogs::showHelpLocal(this, folder);
}

void frmLumbrast::mnuAbout_Click() {
    dialogs::showAbout(this, [this] { return startButtonCursor(); });
}

// Presses the music window's hidden exit button; a music window that was never
// loaded has nothing to release.
void frmLumbrast::pressMusicWindowExit() {
    music_->exit();
}

} // namespace lumbrast::app
