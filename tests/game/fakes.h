#pragma once
// A recording stand-in for the window's effects, and a game with two bound mice.

#include <algorithm>
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

    BoundGame() {
        game.setSeedSource([n = std::uint64_t{1}]() mutable { return n++; });
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
        while (n-- > 0)
            game.tmrGameMove_Timer();
    }
    void click(input::DeviceHandle mouse, int piece) {
        in.hDeviceLast = mouse;
        game.cmdGamePiece_Click(piece);
    }
    int pieceWithFace(char face) const { // face down
        for (std::size_t i = 0; i < 4; ++i)
            if (game.cmdGamePiece[i].Caption.empty() && game.cmdGamePiece[i].Tag[1] == face)
                return static_cast<int>(i);
        return -1;
    }
    int partner() const { return pieceWithFace(game.v.FirstPieceTag[1]); } // of the face-up piece
    auto faceUpCount() const {
        return std::ranges::count_if(game.cmdGamePiece, [](auto &p) { return !p.Caption.empty(); });
    }
    // Player `p` finds an opening pair on a fresh table.
    void openingPairBy(int p) {
        p == 1 ? game.optPlayer_01_Click() : game.optPlayer_02_Click();
        game.cmdGamePlay_Click();
        click(in.hDeviceActive, pieceWithFace('7'));
        click(in.hDeviceActive, partner());
    }
};

} // namespace lumbrast::game::testing
