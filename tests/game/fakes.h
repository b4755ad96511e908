#pragma once
// A recording stand-in for the window's effects, and a game with two bound mice.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/game.h"

namespace lumbrast::game::testing {

using Strings = std::vector<std::string>;

struct FakeEffects : GameEffects {
    Strings log; // message boxes as they open, and the observer's moments
    std::vector<MessageIcon> icons;
    std::vector<Beep> beeps;
    int cursorReleases = 0;
    bool timerRunning = false;
    std::function<void()> onMessage; // runs while the box is "open"

    void showMessage(const std::string &text, MessageIcon icon, const std::string &) override {
        log.push_back("box " + text);
        icons.push_back(icon);
        if (onMessage)
            onMessage();
    }
    void beep(Beep kind) override { beeps.push_back(kind); }
    void startMoveTimer() override { timerRunning = true; }
    void stopMoveTimer() override { timerRunning = false; }
    void releaseCursor() override { ++cursorReleases; }
};

inline constexpr input::DeviceHandle kMouse1 = 17;
inline constexpr input::DeviceHandle kMouse2 = 42;

// Logs each moment by a short name, the late clock with the seconds it shows.
class BoundGame : public ::testing::Test, public GameObserver {
protected:
    input::InputState in;
    FakeEffects fx;
    Game game{in, fx};
    std::uint64_t nextSeed = 1;

    BoundGame() {
        game.setSeedSource([this] { return nextSeed++; });
        game.setObserver(this);
        game.SetPublicDefaults();
        in.hDevicePlayer_01 = kMouse1;
        in.hDevicePlayer_02 = kMouse2;
        game.EnableGameControls();
    }
    void gameMoment(GameMoment moment) override {
        static const char *const kNames[] = {"Pair3",    "Pair2",  "Pair1",  "Miss",
                                             "TimedOut", "Late",   "Ended",  "Set",
                                             "Match",    "Paused", "Resumed"};
        fx.log.emplace_back(kNames[static_cast<std::size_t>(moment)]);
        if (moment == GameMoment::MoveClockLate)
            fx.log.back() += " " + game.lblGameMoveTimer;
    }
    Strings take() { return std::exchange(fx.log, {}); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            game.tmrGameMove_Timer();
    }
    void click(input::DeviceHandle mouse, int piece) {
        in.hDeviceLast = mouse;
        game.cmdGamePiece_Click(piece);
    }
    // A face-down piece whose face is (or, with same = false, is not) `face`.
    int pieceWithFace(char face, bool same = true, int except = -1) const {
        for (int i = 0; i < 4; ++i) {
            const Piece &p = game.cmdGamePiece[static_cast<std::size_t>(i)];
            if (i != except && p.Caption.empty() && (p.Tag[1] == face) == same)
                return i;
        }
        return -1;
    }
    int partner() const { return pieceWithFace(game.v.FirstPieceTag[1]); } // of the face-up piece
    int faceUpCount() const {
        int n = 0;
        for (const Piece &p : game.cmdGamePiece)
            n += p.Caption.empty() ? 0 : 1;
        return n;
    }
    // The opener turns a "7" and an "8".
    void missOpening(input::DeviceHandle opener) {
        click(opener, pieceWithFace('7'));
        click(opener, pieceWithFace('8'));
    }
    // Player `p` finds an opening pair on a fresh table.
    void openingPairBy(int p) {
        p == 1 ? game.optPlayer_01_Click() : game.optPlayer_02_Click();
        game.cmdGamePlay_Click();
        const int first = pieceWithFace('7');
        click(in.hDeviceActive, first);
        click(in.hDeviceActive, pieceWithFace('7', true, first));
    }
};

} // namespace lumbrast::game::testing
