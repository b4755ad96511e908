#pragma once
// Two simulated mice play through many tables at random while the rules'
// invariants are checked after every action.

#include <cstdint>
#include <random>
#include <string>

#include "game/game.h"

namespace lumbrast::game::soak {

struct Effects : GameEffects {
    void showMessage(const std::string &, MessageIcon, const std::string &) override {}
    void beep(Beep) override {}
    void startMoveTimer() override {}
    void stopMoveTimer() override {}
    void releaseCursor() override {}
};

struct Result {
    long tables = 0;
    long clicks = 0;
    long violations = 0;
    std::string firstViolation;
};

inline Result run(long tables, std::uint64_t seed) {
    input::InputState in;
    Effects fx;
    Game game(in, fx);
    std::mt19937_64 rng(seed);
    std::uint64_t dealSeed = seed;
    game.setSeedSource([&] { return ++dealSeed; });
    game.SetPublicDefaults();
    in.hDevicePlayer_01 = 11;
    in.hDevicePlayer_02 = 22;
    game.EnableGameControls();
    const std::int16_t pointsPerSet[] = {7, 15, 21};
    const std::int16_t setsPerMatch[] = {2, 3};

    Result r;
    auto fail = [&](const char *what) {
        if (r.violations++ == 0)
            r.firstViolation = std::string(what) + " at table " + std::to_string(r.tables);
    };
    auto faceUp = [&] {
        int n = 0;
        for (const Piece &p : game.cmdGamePiece)
            n += p.Caption.empty() ? 0 : 1;
        return n;
    };

    game.cmdGamePlay_Click();
    while (r.tables < tables) {
        if (rng() % 50 == 0) {
            game.v.PointsPerSet = pointsPerSet[rng() % 3];
            game.v.SetsPerMatch = setsPerMatch[rng() % 2];
        }
        const GameVariables before = game.v;
        const int action = static_cast<int>(rng() % 20);
        bool closed = false;
        if (action < 14) {
            in.hDeviceLast =
                (rng() % 4 == 0) ? (in.hDeviceActive == 11 ? 22 : 11) : in.hDeviceActive;
            game.cmdGamePiece_Click(static_cast<int>(rng() % 4));
            ++r.clicks;
            closed = game.cmdGamePiece[0].Tag == "R70" && !game.cmdGamePiece[0].Enabled;
        } else if (action < 18) {
            game.tmrGameMove_Timer();
        } else if (action == 18) {
            game.cmdGamePause_Click();
            game.cmdGamePause_Click();
        } else {
            rng() % 2 ? game.optPlayer_01_Click() : game.optPlayer_02_Click();
        }

        const GameVariables &v = game.v;
        if (v.PointsP1 < 0 || v.PointsP2 < 0 || v.SetsP1 < 0 || v.SetsP2 < 0 || v.MatchesP1 < 0 ||
            v.MatchesP2 < 0)
            fail("negative counter");
        if (in.hDeviceActive != (game.optPlayer_01.Value ? 11u : 22u))
            fail("active mouse disagrees with the selected option");
        for (int p = 1; p <= 2; ++p) {
            const int setsBefore = p == 1 ? before.SetsP1 : before.SetsP2;
            const int setsNow = p == 1 ? v.SetsP1 : v.SetsP2;
            const int matchesGained =
                (p == 1 ? v.MatchesP1 - before.MatchesP1 : v.MatchesP2 - before.MatchesP2);
            // A match without a new set is fine when the sets already reached a lowered threshold.
            const bool setWon =
                setsNow > setsBefore || (matchesGained > 0 && setsBefore < v.SetsPerMatch);
            const int pointsBefore = p == 1 ? before.PointsP1 : before.PointsP2;
            if (setWon && pointsBefore + 3 < v.PointsPerSet)
                fail("set won below its threshold");
        }
        if (closed) {
            ++r.tables;
            game.cmdGamePlay_Click();
            if (faceUp() != 0)
                fail("a fresh deal shows a face");
        } else {
            if (faceUp() > 2)
                fail("more than two pieces face up");
            if (v.OpeningMove == kFalse && before.OpeningMove == kFalse &&
                !v.FirstPieceTag.empty() && faceUp() != 1)
                fail("not exactly one piece up between follow-up moves");
        }
    }
    return r;
}

} // namespace lumbrast::game::soak
