#pragma once
// The rules of the pairs game on a model of the game window's state.
//
// The window renders this state and forwards clicks; nothing here knows about
// widgets. Effects that need the outside world (modal messages, beeps, the move
// timer, freeing the cursor) leave through GameEffects, which tests replace.
// Every handler runs to its end before returning, including the modal messages
// it shows, exactly like a click handler on the UI thread.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "game/gameobserver.h"
#include "input/inputstate.h"

namespace lumbrast::game {

using Flag = input::Flag;
using input::kFalse;
using input::kTrue;

// 24-bit colour written &HBBGGRR: blue in the high byte, red in the low byte.
using Colour = std::uint32_t;

inline constexpr Colour kColourR = 0xAAE8E4;         // "R" pieces, idle piece 0
inline constexpr Colour kColourB = 0xF8E5C8;         // "B" pieces, idle piece 2
inline constexpr Colour kColourIdle = 0xC0E0FF;      // idle pieces 1 and 3
inline constexpr Colour kColourGreen = 0x00FF00;     // binding button of the opener
inline constexpr Colour kColourYellow = 0x00FFFF;    // binding button of the other player
inline constexpr Colour kColourPanel = 0xC0C0C0;     // light grey of the player panel
inline constexpr Colour kColourTable = 0xC0C000;     // fraGameTable
inline constexpr Colour kColourCursorPos = 0x404000; // cmdCursorPos
inline constexpr Colour kColourDarkBlue = 0xC00000;  // sets and match cells' text

inline constexpr int kMaxNameLength = 10;
inline constexpr const char *kTitle = "Lumbrast";

// Sounds of MessageBeep: Default is the system's default beep (a wrong mouse),
// Ok is MB_OK (0), Asterisk MB_ICONASTERISK (0x40), Exclamation MB_ICONEXCLAMATION (0x30).
enum class Beep : std::uint8_t { Default, Ok, Asterisk, Exclamation };

// Icons of a modal message box.
enum class MessageIcon : std::uint8_t { None, Exclamation, Information, Critical };

// Which player's cursor image a control shows.
enum class PlayerCursor : std::uint8_t { None, Player1, Player2 };

struct Piece {
    Colour BackColor = 0;
    std::string Caption; // face: "" face down, one character face up
    std::string Tag;     // PieceTag: colour letter, face character, own index digit
    bool Enabled = false;
    PlayerCursor MousePointer = PlayerCursor::None; // None: not yet set
};

struct Button {
    std::string Caption;
    bool Enabled = false;
    bool Visible = true;
    Colour BackColor = kColourPanel;
    PlayerCursor MousePointer = PlayerCursor::None;
};

struct OptionButton {
    std::string Caption;
    bool Value = false;
    bool Enabled = false;
};

// The program-wide game variables with their widths and start values.
struct GameVariables {
    std::int16_t PlayerMoveTime = 20;
    std::int16_t PointsPerSet = 15;
    std::int16_t SetsPerMatch = 3;
    std::int16_t MoveSecondsElapsed = 0;
    Flag OpeningMove = kFalse;
    std::int16_t PiecesTurned = 0;
    std::string FirstPieceTag;
    std::string SecondPieceTag;
    std::uint8_t FirstMovePlayer = 0;
    Flag MissAfterOpening = kFalse;
    std::int16_t PointsP1 = 0, PointsP2 = 0;
    std::int16_t SetsP1 = 0, SetsP2 = 0;
    std::int16_t MatchesP1 = 0, MatchesP2 = 0;
};

class GameEffects {
public:
    // A modal box with an OK button; returns when the player dismissed it.
    virtual void showMessage(const std::string &text, MessageIcon icon,
                             const std::string &title) = 0;
    virtual void beep(Beep kind) = 0;
    // tmrGameMove: a one-second timer that calls Game::tmrGameMove_Timer while running.
    // start() while running starts the second afresh.
    virtual void startMoveTimer() = 0;
    virtual void stopMoveTimer() = 0;
    // ReleaseCursorForm: frees the cursor on the whole desktop.
    virtual void releaseCursor() = 0;

protected:
    ~GameEffects() = default;
};

class Game {
public:
    Game(input::InputState &input, GameEffects &effects);

    // ---- State the window renders (names of the controls they stand for) ----
    GameVariables v;
    std::array<Piece, 4> cmdGamePiece;
    Button cmdGamePlay;        // "Start"
    Button cmdGamePause;       // "Pause" / "Resume"
    Button cmdGameReset;       // hidden "Reset", pressed only by the program
    Button cmdVerify_M_P_01;   // "1", binds player 1's mouse
    Button cmdVerify_M_P_02;   // "2"
    OptionButton optPlayer_01; // "P1"
    OptionButton optPlayer_02; // "P2"
    std::string lblGameMoveTimer = "00";
    std::string txtPlayerName_01 = "Player1", txtPlayerName_02 = "Player2";
    std::string lblPlayer1Stat = "Player1", lblPlayer2Stat = "Player2";
    std::string lblPointsStatP1 = "0", lblPointsStatP2 = "0";
    std::string lblSetStatP1 = "0", lblSetStatP2 = "0";
    std::string lblMatchStatP1 = "0", lblMatchStatP2 = "0";

    bool moveTimerRunning() const { return timerRunning_; }
    input::InputState &input() { return input_; }
    const input::InputState &input() const { return input_; }

    // The game's part of SetPublicDefaults (the input part clears the device handles too).
    void SetPublicDefaults();

    // ---- Player names ----
    // txtPlayerName_0N_Change: the box holds at most ten characters; the label mirrors it.
    void txtPlayerName_01_Change(std::string_view text);
    void txtPlayerName_02_Change(std::string_view text);

    // ---- The table ----
    void DealPieces();
    void ShowIdleTable();
    void EnablePieces();
    void DisablePieces();
    void cmdGamePiece_MouseMove(int index);
    void cmdGamePiece_Click(int index);
    void cmdCursorPos_Click();

    // ---- Turns ----
    void cmdGamePlay_Click();
    void cmdGamePause_Click();
    void cmdGameReset_Click();
    void mnuNevGame_Click();
    // A click on an option by the user: selects it and runs its click action.
    void optPlayer_01_Click();
    void optPlayer_02_Click();
    void tmrGameMove_Timer();
    void AlternateFirstMove();
    void SelectActiveDevice();
    void SwitchPlayer();
    void StopMoveTimer();
    void LockGameControls();
    void UnlockGameControls();
    void EnableGameControls();

    // ---- Score ----
    void ScoreOpeningPair();
    void ScoreFollowUpPair();
    void CheckSetWon(std::uint8_t player);
    void CheckMatchWon(std::uint8_t player);
    void ResetGameStatistic();

    // The player number whose option is selected: 1, 2, or 0 for none.
    std::uint8_t scoringPlayer() const;

    // Who hears the moments of the game; null: nobody listens.
    void setObserver(GameObserver *observer) { observer_ = observer; }

    // Deals draw from a fresh seed each time; tests supply their own seeds.
    void setSeedSource(std::function<std::uint64_t()> source) { seedSource_ = std::move(source); }

    // Reports an error by the game window's convention, e.g. tag "sub: 01".
    void reportError(long number, std::string_view description, std::string_view tag);

private:
    void selectOption(int player); // selecting from code runs the click action
    void turnFaceUp(int index);
    void comparePieces(bool openingPair);
    void setPlayControls(bool enabled); // "Start", the pieces and the binding buttons
    // The scoring player's (1 or 2) points, their cell and his name from the statistic label.
    std::int16_t &points(std::uint8_t player);
    std::string &pointsCell(std::uint8_t player);
    const std::string &playerName(std::uint8_t player) const;
    void setCounter(std::int16_t &counter, std::string &cell, std::int16_t value);
    void addToCounter(std::int16_t &counter, std::string &cell, int amount);
    void startTimer();
    void stopTimer();
    void tell(GameMoment moment);
    // The move clock stopped or started afresh: a move that ran late has ended.
    void endLateMove();
    template <class F> void guarded(std::string_view tag, F &&body);

    input::InputState &input_;
    GameEffects &fx_;
    bool timerRunning_ = false;
    bool late_ = false; // MoveClockLate told for the move that runs now
    GameObserver *observer_ = nullptr;
    std::function<std::uint64_t()> seedSource_;
};

// The idle table and the four deal patterns, exposed for the window and tests.
struct PieceLook {
    Colour colour;
    const char *caption;
    const char *tag;
};
extern const std::array<PieceLook, 4> kIdleTable;
struct DealPattern {
    Colour colour;
    const char *tagPrefix;
};
extern const std::array<DealPattern, 4> kDealPatterns;

// Layout of the table in twips (15 twips to a pixel at 96 dpi).
struct Rect {
    int left, top, width, height;
};
inline constexpr Rect kFraGameTable{2040, 1560, 2295, 2415};
inline constexpr std::array<Rect, 4> kPieceRects{
    {{120, 240, 960, 960}, {1200, 240, 960, 960}, {120, 1320, 960, 960}, {1200, 1320, 960, 960}}};
inline constexpr Rect kCmdCursorPos{1080, 1160, 135, 195};

} // namespace lumbrast::game
