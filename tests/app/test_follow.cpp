// The game's moments reach the style player as cues while the music follows the game.
#include <QAccessible>
#include <QLabel>
#include <QMenu>

#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using musicwindow::GameCue;

namespace {

struct Follow : Window {
    std::vector<GameCue> cues;

    Follow() {
        w.follower().setSink([this](GameCue cue) { cues.push_back(cue); });
        bindBoth();
    }
    platform::DeviceHandle mover() { return in().hDeviceActive; }
    void turn(int piece) { sim.click(mover(), this->piece(piece)); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            w.tmrGameMove_Timer();
    }
    // The player on the move opens with a pair.
    void openingPair() {
        sim.click(mover(), w.cmdGamePlay);
        const int first = pieceWithFace('7');
        turn(first);
        turn(pieceWithFace('7', first));
    }
};

} // namespace

TEST(WindowFollow, TheMenuItemIsOnAtStartAndNamedForScreenReaders) {
    Window t;
    auto *music = qobject_cast<QMenu *>(t.w.mnuFollowGame->parent());
    ASSERT_NE(music, nullptr);
    EXPECT_TRUE(t.w.mnuFollowGame->isCheckable() && t.w.mnuFollowGame->isChecked());
    EXPECT_TRUE(t.w.music().followsGame());
    QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(music);
    ASSERT_NE(menu, nullptr);
    const int item = static_cast<int>(music->actions().indexOf(t.w.mnuFollowGame));
    QAccessibleInterface *entry = menu->child(item);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(QAccessible::Name), "Follow the game");
    EXPECT_TRUE(entry->state().checkable && entry->state().checked);
}

TEST(WindowFollow, AWholeMatchReachesTheMusicInOrderAndOffSilencesIt) {
    Follow t;
    game::GameVariables &v = t.game().v;
    v.PointsPerSet = 3;
    v.SetsPerMatch = 2;
    v.PlayerMoveTime = 8;

    t.sim.click(t.mover(), t.w.cmdGamePlay);
    const int keyboard = t.pieceWithFace('7'), mouse = t.pieceWithFace('8');
    t.turn(keyboard);
    t.ticks(6); // 3 s left
    t.turn(mouse);
    t.sim.click(t.mover(), t.w.cmdGamePause);
    t.sim.click(t.mover(), t.w.cmdGamePause);
    t.turn(t.pieceWithFace('8', mouse)); // player 2: 2 points
    EXPECT_EQ(t.cues, (std::vector{GameCue::TensionOn, GameCue::TensionOff, GameCue::Miss,
                                   GameCue::Paused, GameCue::Resumed, GameCue::PairScored2}));

    t.cues.clear();
    t.openingPair(); // player 2 again: his first set
    t.sim.click(t.mover(), t.w.cmdGamePlay);
    t.ticks(9); // player 1's opening runs out
    const int first = t.pieceWithFace('7');
    t.turn(first);
    t.turn(t.pieceWithFace('7', first)); // player 2: his second set and the match
    EXPECT_EQ(t.cues, (std::vector{GameCue::PairScored3, GameCue::SetWon, GameCue::TensionOn,
                                   GameCue::TensionOff, GameCue::TurnTimedOut, GameCue::PairScored3,
                                   GameCue::SetWon, GameCue::MatchWon}));
    EXPECT_EQ(t.w.lblMatchStatP2->text(), "1");
    EXPECT_EQ(t.boxes.boxes.size(), 6u) << "each score announced once";

    t.cues.clear();
    t.w.mnuFollowGame->trigger();
    EXPECT_FALSE(t.w.music().followsGame());
    t.openingPair();
    t.sim.click(t.mover(), t.w.cmdGamePlay);
    t.sim.click(t.mover(), t.w.cmdGamePause);
    EXPECT_TRUE(t.cues.empty());
    t.w.mnuFollowGame->trigger();
    t.sim.click(t.mover(), t.w.cmdGamePause);
    EXPECT_EQ(t.cues, std::vector{GameCue::Resumed});
}
