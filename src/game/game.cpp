#include "game/game.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <numeric>
#include <random>

#include "game/errorreport.h"

namespace lumbrast::game {

const std::array<PieceLook, 4> kIdleTable{{{kColourR, "7", "R70"},
                                           {kColourIdle, "L", "BK1"},
                                           {kColourB, "8", "X82"},
                                           {kColourIdle, "J", "XN3"}}};

const std::array<DealPattern, 4> kDealPatterns{
    {{kColourR, "R7"}, {kColourR, "R8"}, {kColourB, "B8"}, {kColourB, "B7"}}};

namespace {

// A tag is empty or three characters: colour letter, face, own index digit 0-3.
std::string faceOf(const std::string &tag) {
    return tag.empty() ? std::string() : tag.substr(1, 1);
}

int indexOf(const std::string &tag) {
    return tag.empty() ? 0 : tag[2] - '0';
}

// Cuts UTF-8 text to at most n characters without splitting one.
std::string firstChars(std::string_view text, int n) {
    std::size_t i = 0;
    int count = 0;
    while (i < text.size() && count < n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
        ++count;
    }
    return std::string(text.substr(0, i));
}

bool validIndex(int index) {
    return index >= 0 && index < 4;
}

std::uint64_t clockSeed() {
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
           std::random_device{}();
}

} // namespace

Game::Game(input::InputState &input, GameEffects &effects) : input_(input), fx_(effects) {
    // The window as it opens: initial faces without tags, pieces disabled.
    for (std::size_t i = 0; i < cmdGamePiece.size(); ++i) {
        cmdGamePiece[i].BackColor = kIdleTable[i].colour;
        cmdGamePiece[i].Caption = kIdleTable[i].caption;
    }
    cmdGamePlay = Button{"Start", false, true, kColourPanel, PlayerCursor::Player1};
    cmdGamePause = Button{"Pause", false, true, kColourPanel, PlayerCursor::None};
    cmdGameReset = Button{"Reset", false, false, kColourPanel, PlayerCursor::None};
    cmdVerify_M_P_01 = Button{"1", true, true, kColourPanel, PlayerCursor::Player1};
    cmdVerify_M_P_02 = Button{"2", true, true, kColourPanel, PlayerCursor::Player2};
    optPlayer_01 = OptionButton{"P1", true, false};
    optPlayer_02 = OptionButton{"P2", false, false};
    seedSource_ = clockSeed;
}

template <class F> void Game::guarded(std::string_view tag, F &&body) {
    try {
        body();
    } catch (const RuntimeError &e) {
        reportError(e.number(), e.description(), tag);
    } catch (const std::exception &e) {
        reportError(5, e.what(), tag); // 5: "Invalid procedure call or argument"
    }
}

void Game::reportError(long number, std::string_view description, std::string_view tag) {
    fx_.showMessage(formatErrorReport(number, description, tag), MessageIcon::Exclamation, kTitle);
}

void Game::SetPublicDefaults() {
    v.PlayerMoveTime = 20;
    v.PointsPerSet = 15;
    v.SetsPerMatch = 3;
    v.MoveSecondsElapsed = 0;
    v.OpeningMove = kFalse;
    v.PiecesTurned = 0;
    v.FirstPieceTag.clear();
    v.SecondPieceTag.clear();
    v.FirstMovePlayer = 0;
    input_.setDefaults();
}

// ---------------------------------------------------------------- names

void Game::txtPlayerName_01_Change(std::string_view text) {
    txtPlayerName_01 = firstChars(text, kMaxNameLength);
    lblPlayer1Stat = txtPlayerName_01;
}

void Game::txtPlayerName_02_Change(std::string_view text) {
    txtPlayerName_02 = firstChars(text, kMaxNameLength);
    lblPlayer2Stat = txtPlayerName_02;
}

// ---------------------------------------------------------------- the table

void Game::DealPieces() {
    guarded("sub: 20", [&] {
        // A true permutation of the four patterns, from a fresh seed at every deal.
        std::array<int, 4> order{};
        std::iota(order.begin(), order.end(), 0);
        std::mt19937_64 rng(seedSource_());
        std::shuffle(order.begin(), order.end(), rng);
        for (std::size_t i = 0; i < cmdGamePiece.size(); ++i) {
            const DealPattern &p = kDealPatterns[static_cast<std::size_t>(order[i])];
            cmdGamePiece[i].BackColor = p.colour;
            cmdGamePiece[i].Caption.clear();
            cmdGamePiece[i].Tag = p.tagPrefix;
        }
        for (std::size_t i = 0; i < cmdGamePiece.size(); ++i)
            cmdGamePiece[i].Tag += static_cast<char>('0' + i);
    });
}

void Game::ShowIdleTable() {
    guarded("sub: 21", [&] {
        for (std::size_t i = 0; i < cmdGamePiece.size(); ++i) {
            cmdGamePiece[i].BackColor = kIdleTable[i].colour;
            cmdGamePiece[i].Caption = kIdleTable[i].caption;
            cmdGamePiece[i].Tag = kIdleTable[i].tag;
        }
    });
}

void Game::EnablePieces() {
    guarded("sub: 12", [&] {
        for (auto &piece : cmdGamePiece)
            piece.Enabled = true;
    });
}

void Game::DisablePieces() {
    guarded("sub: 10", [&] {
        for (auto &piece : cmdGamePiece)
            piece.Enabled = false;
    });
}

void Game::cmdGamePiece_MouseMove(int index) {
    if (!validIndex(index))
        return;
    const auto &in = input_;
    if (in.hDeviceActive == in.hDevicePlayer_01)
        cmdGamePiece[static_cast<std::size_t>(index)].MousePointer = cmdVerify_M_P_01.MousePointer;
    else if (in.hDeviceActive == in.hDevicePlayer_02)
        cmdGamePiece[static_cast<std::size_t>(index)].MousePointer = cmdVerify_M_P_02.MousePointer;
}

void Game::cmdCursorPos_Click() {
    fx_.beep(Beep::Asterisk);
}

void Game::turnFaceUp(int index) {
    Piece &piece = cmdGamePiece[static_cast<std::size_t>(index)];
    piece.Caption = faceOf(piece.Tag);
}

void Game::cmdGamePiece_Click(int index) {
    guarded("sub: 01", [&] {
        if (!validIndex(index))
            throw RuntimeError(340, "Control array element does not exist");
        if (input_.hDeviceLast != input_.hDeviceActive) {
            fx_.beep(Beep::Default);
            return;
        }
        const Piece &piece = cmdGamePiece[static_cast<std::size_t>(index)];
        // Only a face-down piece of a dealt table takes part: a piece already face up
        // would otherwise pair with itself, and before a deal the tags are empty.
        if (piece.Tag.empty() || !piece.Caption.empty())
            return;

        v.PiecesTurned = checkedAdd(v.PiecesTurned, 1);
        if (v.OpeningMove != kFalse) {
            if (v.PiecesTurned == 1) {
                turnFaceUp(index);
                v.FirstPieceTag = piece.Tag;
                v.MoveSecondsElapsed = 0;
                endLateMove();
                return;
            }
            if (v.PiecesTurned != 2)
                return;
            stopTimer();
            v.OpeningMove = kFalse;
            turnFaceUp(index);
            v.SecondPieceTag = piece.Tag;
            comparePieces(true);
            return;
        }
        turnFaceUp(index);
        v.SecondPieceTag = piece.Tag;
        comparePieces(false);
    });
}

void Game::comparePieces(bool openingPair) {
    endLateMove(); // the second piece ends the move, whatever it shows
    if (faceOf(v.FirstPieceTag) == faceOf(v.SecondPieceTag)) {
        if (openingPair) {
            fx_.beep(Beep::Exclamation);
            ScoreOpeningPair();
        } else {
            fx_.beep(v.MissAfterOpening != kFalse ? Beep::Ok : Beep::Asterisk);
            ScoreFollowUpPair();
        }
        v.FirstPieceTag.clear();
        v.SecondPieceTag.clear();
        v.PiecesTurned = 0;
        cmdGameReset_Click(); // stops the clock at 0
        return;
    }
    cmdGamePiece[static_cast<std::size_t>(indexOf(v.FirstPieceTag))].Caption.clear();
    v.FirstPieceTag = v.SecondPieceTag;
    v.SecondPieceTag.clear();
    v.MoveSecondsElapsed = 0;
    v.PiecesTurned = 0;
    if (!openingPair)
        v.MissAfterOpening = kTrue;
    SwitchPlayer();
    startTimer();
    tell(GameMoment::Miss);
}

// ---------------------------------------------------------------- turns

void Game::tell(GameMoment moment) {
    if (observer_)
        observer_->gameMoment(moment);
}

void Game::endLateMove() {
    if (!late_)
        return;
    late_ = false;
    tell(GameMoment::MoveEnded);
}

void Game::startTimer() {
    endLateMove(); // a deal in the middle of a move starts the clock afresh
    timerRunning_ = true;
    fx_.startMoveTimer();
}

void Game::stopTimer() {
    endLateMove();
    timerRunning_ = false;
    fx_.stopMoveTimer();
}

void Game::cmdGamePlay_Click() {
    guarded("sub: 02", [&] {
        EnablePieces();
        DealPieces();
        v.OpeningMove = kTrue;
        v.PiecesTurned = 0;
        if (v.FirstMovePlayer == 0)
            AlternateFirstMove();
        // The mice may have been bound after the last reset chose the opener.
        SelectActiveDevice();
        v.MoveSecondsElapsed = 0;
        cmdGamePause.Enabled = true;
        if (v.FirstMovePlayer == 1) {
            cmdVerify_M_P_01.BackColor = kColourGreen;
            cmdVerify_M_P_02.BackColor = kColourYellow;
        } else if (v.FirstMovePlayer == 2) {
            cmdVerify_M_P_01.BackColor = kColourYellow;
            cmdVerify_M_P_02.BackColor = kColourGreen;
        }
        startTimer();
    });
}

void Game::cmdGamePause_Click() {
    guarded("sub: 04", [&] {
        if (cmdGamePause.Caption == "Pause") {
            cmdGamePause.Caption = "Resume";
            stopTimer();
            LockGameControls();
            tell(GameMoment::Paused);
        } else if (cmdGamePause.Caption == "Resume") {
            cmdGamePause.Caption = "Pause";
            UnlockGameControls();
            startTimer();
            tell(GameMoment::Resumed);
        }
    });
}

void Game::cmdGameReset_Click() {
    guarded("sub: 03", [&] {
        ShowIdleTable();
        DisablePieces();
        AlternateFirstMove();
        SelectActiveDevice();
        fx_.releaseCursor();
        StopMoveTimer();
        if (v.FirstMovePlayer == 1)
            cmdGamePlay.MousePointer = cmdVerify_M_P_01.MousePointer;
        else if (v.FirstMovePlayer == 2)
            cmdGamePlay.MousePointer = cmdVerify_M_P_02.MousePointer;
        cmdGamePause.Enabled = false;
    });
}

void Game::mnuNevGame_Click() {
    // A pause has locked "Start" and the table; "New" leads back to play.
    if (cmdGamePause.Caption == "Resume") {
        cmdGamePause.Caption = "Pause";
        UnlockGameControls();
        tell(GameMoment::Resumed); // the pause is over, though no move runs yet
    }
    ResetGameStatistic();
}

void Game::selectOption(int player) {
    optPlayer_01.Value = player == 1;
    optPlayer_02.Value = player == 2;
    SelectActiveDevice(); // the option's click action
}

void Game::optPlayer_01_Click() {
    selectOption(1);
}
void Game::optPlayer_02_Click() {
    selectOption(2);
}

void Game::tmrGameMove_Timer() {
    if (!timerRunning_)
        return;
    // The move time may have been lowered below the seconds already gone.
    const int left = std::max(0, v.PlayerMoveTime - v.MoveSecondsElapsed);
    lblGameMoveTimer = std::to_string(left);
    v.MoveSecondsElapsed = static_cast<std::int16_t>(v.MoveSecondsElapsed + 1);
    // Late: the last quarter of the move time, and never less than three seconds.
    if (!late_ && left <= std::max(3, v.PlayerMoveTime / 4)) {
        late_ = true;
        tell(GameMoment::MoveClockLate);
    }
    if (v.MoveSecondsElapsed > v.PlayerMoveTime) {
        v.MoveSecondsElapsed = 0;
        selectOption(optPlayer_01.Value ? 2 : 1);
        endLateMove();
        tell(GameMoment::TurnTimedOut);
    }
}

void Game::AlternateFirstMove() {
    guarded("sub: 18", [&] {
        switch (v.FirstMovePlayer) {
        case 1:
            selectOption(2);
            v.FirstMovePlayer = 2;
            break;
        case 2:
            selectOption(1);
            v.FirstMovePlayer = 1;
            break;
        case 0:
            if (optPlayer_01.Value)
                v.FirstMovePlayer = 1;
            else if (optPlayer_02.Value)
                v.FirstMovePlayer = 2;
            break;
        default:
            break;
        }
    });
}

void Game::SelectActiveDevice() {
    guarded("sub: 19", [&] {
        if (optPlayer_01.Value)
            input_.hDeviceActive = input_.hDevicePlayer_01;
        else if (optPlayer_02.Value)
            input_.hDeviceActive = input_.hDevicePlayer_02;
    });
}

void Game::SwitchPlayer() {
    guarded("sub: 15", [&] {
        if (optPlayer_01.Value)
            selectOption(2);
        else if (optPlayer_02.Value)
            selectOption(1);
    });
}

void Game::StopMoveTimer() {
    guarded("sub: 17", [&] {
        stopTimer();
        v.MoveSecondsElapsed = 0;
        lblGameMoveTimer = "00";
    });
}

void Game::setPlayControls(bool enabled) {
    cmdGamePlay.Enabled = enabled;
    for (auto &piece : cmdGamePiece)
        piece.Enabled = enabled;
    cmdVerify_M_P_01.Enabled = enabled;
    cmdVerify_M_P_02.Enabled = enabled;
}

void Game::LockGameControls() {
    guarded("sub: 11", [&] {
        setPlayControls(false);
        cmdGameReset.Enabled = false;
    });
}

void Game::UnlockGameControls() {
    guarded("sub: 13", [&] { setPlayControls(true); });
}

void Game::EnableGameControls() {
    guarded("sub: 14", [&] {
        setPlayControls(true);
        optPlayer_01.Enabled = true;
        optPlayer_02.Enabled = true;
    });
}

// ---------------------------------------------------------------- score

std::uint8_t Game::scoringPlayer() const {
    if (optPlayer_01.Value)
        return 1;
    if (optPlayer_02.Value)
        return 2;
    return 0;
}

std::int16_t &Game::points(std::uint8_t player) {
    return player == 1 ? v.PointsP1 : v.PointsP2;
}
std::string &Game::pointsCell(std::uint8_t player) {
    return player == 1 ? lblPointsStatP1 : lblPointsStatP2;
}
const std::string &Game::playerName(std::uint8_t player) const {
    return player == 1 ? lblPlayer1Stat : lblPlayer2Stat;
}

void Game::setCounter(std::int16_t &counter, std::string &cell, std::int16_t value) {
    counter = value;
    cell = std::to_string(value);
}

void Game::addToCounter(std::int16_t &counter, std::string &cell, int amount) {
    setCounter(counter, cell, checkedAdd(counter, amount));
}

void Game::ScoreOpeningPair() {
    guarded("sub: 23", [&] {
        const std::uint8_t player = scoringPlayer();
        if (player != 0) {
            tell(GameMoment::PairScored3); // heard while the score is announced
            fx_.showMessage("Excellent " + playerName(player) + ", you win 3 points",
                            MessageIcon::Exclamation, kTitle);
            addToCounter(points(player), pointsCell(player), 3);
        }
        CheckSetWon(player);
        CheckMatchWon(player);
    });
}

void Game::ScoreFollowUpPair() {
    guarded("sub: 22", [&] {
        const int value = v.MissAfterOpening != kFalse ? 1 : 2;
        v.MissAfterOpening = kFalse;
        const std::uint8_t player = scoringPlayer();
        if (player != 0) {
            tell(value == 2 ? GameMoment::PairScored2 : GameMoment::PairScored1);
            if (value == 2)
                fx_.showMessage("Very good " + playerName(player) + ", you win 2 points",
                                MessageIcon::Information, kTitle);
            else
                fx_.showMessage("Not bad " + playerName(player) + ", you win 1 point",
                                MessageIcon::None, kTitle);
            addToCounter(points(player), pointsCell(player), value);
        }
        CheckSetWon(player);
        CheckMatchWon(player);
    });
}

void Game::CheckSetWon(std::uint8_t player) {
    guarded("sub: 25", [&] {
        if ((player != 1 && player != 2) || points(player) < v.PointsPerSet)
            return;
        fx_.beep(Beep::Exclamation);
        tell(GameMoment::SetWon);
        fx_.showMessage("Bravo " + playerName(player) + ", you win Set", MessageIcon::Exclamation,
                        kTitle);
        std::int16_t &sets = player == 1 ? v.SetsP1 : v.SetsP2;
        sets = checkedAdd(sets, 1);
        setCounter(v.PointsP1, lblPointsStatP1, 0);
        setCounter(v.PointsP2, lblPointsStatP2, 0);
        (player == 1 ? lblSetStatP1 : lblSetStatP2) = std::to_string(sets);
    });
}

void Game::CheckMatchWon(std::uint8_t player) {
    guarded("sub: 24", [&] {
        if (player != 1 && player != 2)
            return;
        if ((player == 1 ? v.SetsP1 : v.SetsP2) < v.SetsPerMatch)
            return;
        fx_.beep(Beep::Exclamation);
        tell(GameMoment::MatchWon);
        fx_.showMessage("Congratulations " + playerName(player) + ", you win Match",
                        MessageIcon::Exclamation, kTitle);
        setCounter(v.PointsP1, lblPointsStatP1, 0);
        setCounter(v.PointsP2, lblPointsStatP2, 0);
        setCounter(v.SetsP1, lblSetStatP1, 0);
        setCounter(v.SetsP2, lblSetStatP2, 0);
        if (player == 1)
            addToCounter(v.MatchesP1, lblMatchStatP1, 1);
        else
            addToCounter(v.MatchesP2, lblMatchStatP2, 1);
    });
}

void Game::ResetGameStatistic() {
    guarded("sub: 16", [&] {
        setCounter(v.PointsP1, lblPointsStatP1, 0);
        setCounter(v.PointsP2, lblPointsStatP2, 0);
        setCounter(v.SetsP1, lblSetStatP1, 0);
        setCounter(v.SetsP2, lblSetStatP2, 0);
        setCounter(v.MatchesP1, lblMatchStatP1, 0);
        setCounter(v.MatchesP2, lblMatchStatP2, 0);
        cmdGameReset_Click();
    });
}

} // namespace lumbrast::game
