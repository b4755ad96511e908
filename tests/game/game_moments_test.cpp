// What the game tells its observer, and when.

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

class Moments : public BoundGame, public GameObserver {
protected:
    // Moments by short names; the late clock with the seconds it shows, and
    // each message box by its first word, as it opens.
    std::vector<std::string> log;

    Moments() {
        game.setObserver(this);
        fx.onMessage = [this](const Message &m) {
            log.push_back("box " + m.text.substr(0, m.text.find(' ')));
        };
        game.optPlayer_01_Click();
    }
    void gameMoment(GameMoment moment) override {
        static const char *const kNames[] = {"Pair3",    "Pair2",  "Pair1",  "Miss",
                                             "TimedOut", "Late",   "Ended",  "Set",
                                             "Match",    "Paused", "Resumed"};
        std::string name = kNames[static_cast<std::size_t>(moment)];
        if (moment == GameMoment::MoveClockLate)
            name += " " + game.lblGameMoveTimer;
        log.push_back(name);
    }
    std::vector<std::string> take() { return std::exchange(log, {}); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            game.tmrGameMove_Timer();
    }
    // The one face-up piece's partner.
    int partner() const { return pieceWithFace(game.v.FirstPieceTag[1]); }
};

using Strings = std::vector<std::string>;

TEST_F(Moments, ScoresAreToldInOrderAsTheirMessagesOpen) {
    game.v.PointsPerSet = 6;
    game.v.SetsPerMatch = 2;
    game.v.SetsP1 = 1;
    game.cmdGamePlay_Click();
    missOpening(kMouse1);
    click(kMouse2, partner());
    EXPECT_EQ(take(), (Strings{"Miss", "Pair2", "box Very"}));

    game.cmdGamePlay_Click(); // player 2 opens
    missOpening(kMouse2);
    click(kMouse1, pieceWithFace(game.v.FirstPieceTag[1], false));
    click(kMouse2, partner());
    EXPECT_EQ(take(), (Strings{"Miss", "Miss", "Pair1", "box Not"}));

    game.v.PointsP1 = 3;
    game.cmdGamePlay_Click(); // player 1 opens: 3 + 3 wins the set, his second: the match
    const int first = pieceWithFace('7');
    click(kMouse1, first);
    click(kMouse1, pieceWithFace('7', true, first));
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent", "Set", "box Bravo", "Match",
                               "box Congratulations"}));
}

// The last quarter of the move time, never less than 3 s; the clock that runs
// out ends the late move, then passes the turn, and the next move is late anew.
TEST_F(Moments, TheClockIsLateOncePerMoveInItsLastQuarter) {
    for (const auto &[moveTime, lateAt] : {std::pair{20, "Late 5"}, std::pair{8, "Late 3"}}) {
        SCOPED_TRACE(moveTime);
        game.v.PlayerMoveTime = static_cast<std::int16_t>(moveTime);
        game.cmdGamePlay_Click();
        ticks(2 * (moveTime + 1));
        EXPECT_EQ(take(), (Strings{lateAt, "Ended", "TimedOut", lateAt, "Ended", "TimedOut"}));
        game.cmdGameReset_Click();
    }
}

TEST_F(Moments, AMoveThatRanLateEndsHoweverItEnds) {
    game.v.PlayerMoveTime = 8;
    auto runLate = [&] {
        ticks(6);
        ASSERT_EQ(take(), Strings{"Late 3"});
    };
    game.cmdGamePlay_Click();
    runLate();
    const int first = pieceWithFace('7');
    click(kMouse1, first); // the opener's first piece starts the clock afresh
    EXPECT_EQ(take(), Strings{"Ended"});
    runLate();
    click(kMouse1, pieceWithFace('8'));
    EXPECT_EQ(take(), (Strings{"Ended", "Miss"}));
    runLate();
    click(kMouse2, partner());
    EXPECT_EQ(take(), (Strings{"Ended", "Pair2", "box Very"}));

    game.cmdGamePlay_Click();
    runLate();
    game.cmdGamePause_Click();
    ticks(1);
    game.cmdGamePause_Click();
    ticks(1); // still in the last seconds: late again after the pause
    game.cmdGamePause_Click();
    game.mnuNevGame_Click();
    EXPECT_EQ(take(),
              (Strings{"Ended", "Paused", "Resumed", "Late 2", "Ended", "Paused", "Resumed"}));

    game.cmdGamePlay_Click();
    runLate();
    game.cmdGamePlay_Click(); // a new deal in the middle of the move
    EXPECT_EQ(take(), Strings{"Ended"});
    runLate();
    game.cmdGameReset_Click();
    EXPECT_EQ(take(), Strings{"Ended"});
}

} // namespace
} // namespace lumbrast::game::testing
