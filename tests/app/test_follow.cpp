// The game's moments reach the style player as cues while the music follows the game.
#include <QAction>

#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using enum musicwindow::GameCue;

TEST(WindowFollow, AMatchReachesTheMusicAsCuesInOrderUnlessFollowingIsOff) {
    Window t;
    std::vector<musicwindow::GameCue> cues;
    t.w.follower().setSink([&](musicwindow::GameCue cue) { cues.push_back(cue); });
    EXPECT_TRUE(t.w.mnuFollowGame->isChecked() && t.w.music().followsGame());
    t.bindBoth();
    game::GameVariables &v = t.game().v;
    std::tie(v.PointsPerSet, v.SetsPerMatch, v.PlayerMoveTime) = std::tuple(3, 2, 8);
    const auto press = [&](QWidget *w) { t.sim.click(t.in().hDeviceActive, w); };
    const auto turn = [&](char face, int except = -1) {
        const int i = t.pieceWithFace(face, except);
        press(t.piece(i));
        return i;
    };
    const auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i)
            t.w.tmrGameMove_Timer();
    };

    press(t.w.cmdGamePlay);
    turn('7');
    ticks(6); // 3 s left
    const int mouse = turn('8');
    press(t.w.cmdGamePause);
    press(t.w.cmdGamePause);
    turn('8', mouse);       // player 2: 2 points
    press(t.w.cmdGamePlay); // player 2 opens
    turn('7', turn('7'));   // his first set
    press(t.w.cmdGamePlay); // player 1 opens
    ticks(9);               // and runs out of time
    turn('7', turn('7'));   // player 2's second set and the match
    EXPECT_EQ(cues, (std::vector{TensionOn, TensionOff, Miss, Paused, Resumed, PairScored2,
                                 PairScored3, SetWon, TensionOn, TensionOff, TurnTimedOut,
                                 PairScored3, SetWon, MatchWon}));

    cues.clear();
    t.w.mnuFollowGame->trigger();
    press(t.w.cmdGamePlay);
    press(t.w.cmdGamePause); // not heard
    t.w.mnuFollowGame->trigger();
    press(t.w.cmdGamePause);
    EXPECT_EQ(cues, std::vector{Resumed});
}
