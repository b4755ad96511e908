#pragma once
// A recording stand-in for the window's effects, and a game with two bound mice.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/game.h"

namespace lumbrast::game::testing {

struct Message {
    std::string text;
    MessageIcon icon;
    std::string title;
};

struct FakeEffects : GameEffects {
    std::vector<Message> messages;
    std::vector<Beep> beeps;
    int timerStarts = 0, timerStops = 0, cursorReleases = 0;
    bool timerRunning = false;
    std::function<void(const Message &)> onMessage; // runs while the box is "open"

    void showMessage(const std::string &text, MessageIcon icon, const std::string &title) override {
        messages.push_back({text, icon, title});
        if (onMessage)
            onMessage(messages.back());
    }
    void beep(Beep kind) override { beeps.push_back(kind); }
    void startMoveTimer() override { ++timerStarts, timerRunning = true; }
    void stopMoveTimer() override { ++timerStops, timerRunning = false; }
    void releaseCursor() override { ++cursorReleases; }
    void clear() { *this = FakeEffects{}; }
};

inline constexpr input::DeviceHandle kMouse1 = 17;
inline constexpr input::DeviceHandle kMouse2 = 42;

class BoundGame : public ::testing::Test {
protected:
    input::InputState in;
    FakeEffects fx;
    Game game{in, fx};
    std::uint64_t nextSeed = 1;

    BoundGame() {
        game.setSeedSource([this] { return nextSeed++; });
        game.SetPublicDefaults();
        in.hDevicePlayer_01 = kMouse1;
        in.hDevicePlayer_02 = kMouse2;
        game.EnableGameControls();
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
    int faceUpCount() const {
        int n = 0;
        for (const Piece &p : game.cmdGamePiece)
            n += p.Caption.empty() ? 0 : 1;
        return n;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto &m : fx.messages)
            t.push_back(m.text);
        return t;
    }
    // The opener turns a "7" and an "8".
    void missOpening(input::DeviceHandle opener) {
        click(opener, pieceWithFace('7'));
        click(opener, pieceWithFace('8'));
    }
};

} // namespace lumbrast::game::testing
