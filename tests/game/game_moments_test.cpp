// What the game tells its observer, and when.

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

using Strings = std::vector<std::string>;

// Logs moments by short names, the late clock with the seconds it shows, and
// each message box by its first word as it opens.
class Moments : public BoundGame, public GameObserver {
protected:
    Strings log;

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
        log.emplace_back(kNames[static_cast<std::size_t>(moment)]);
        if (moment == GameMoment::MoveClockLate)
            log.back() += " " + game.lblGameMoveTimer;
    }
    Strings take() { return std::exchange(log, {}); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            game.tmrGameMove_Timer();
    }
    int partner() const { return pieceWithFace(game.v.FirstPieceTag[1]); } // of the face-up piece
};

TEST_F(Moments, ScoresAreToldInOrderAsTheirMessagesOpen) {
    game.v.PointsPerSet = 6;
    game.v.SetsPerMatch = 2;
    game.v.SetsP1 = 1;
    game.cmdGamePlay_Click();
    missOpening(kMouse1);
    click(kMouse2, partner());
    game.cmdGamePlay_Click(); // player 2 opens
    missOpening(kMouse2);
    click(kMouse1, pieceWithFace(game.v.FirstPieceTag[1], false));
    click(kMouse2, partner());
    EXPECT_EQ(take(), (Strings{"Miss", "Pair2", "box Very", "Miss", "Miss", "Pair1", "box Not"}));

    game.v.PointsP1 = 3;
    game.cmdGamePlay_Click(); // player 1 opens: 3 + 3 wins the set, his second: the match
    const int first = pieceWithFace('7');
    click(kMouse1, first);
    click(kMouse1, pieceWithFace('7', true, first));
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent", "Set", "box Bravo", "Match",
                               "box Congratulations"}));
}

// Late in the last quarter of the move time, never later than at 3 s left.
TEST_F(Moments, TheClockRunsLateOncePerMoveAndTheMoveEndsHoweverItEnds) {
    for (const auto &[moveTime, late] : {std::pair{20, "Late 5"}, std::pair{8, "Late 3"}}) {
        game.v.PlayerMoveTime = static_cast<std::int16_t>(moveTime);
        game.cmdGamePlay_Click();
        ticks(2 * (moveTime + 1)); // two moves run out
        EXPECT_EQ(take(), (Strings{late, "Ended", "TimedOut", late, "Ended", "TimedOut"}));
        game.cmdGameReset_Click();
    }

    game.cmdGamePlay_Click(); // player 1 opens, 8 s a move
    ticks(6);
    click(kMouse1, pieceWithFace('7')); // the first piece starts the clock afresh
    ticks(6);
    click(kMouse1, pieceWithFace('8'));
    ticks(6);
    click(kMouse2, partner());
    EXPECT_EQ(take(), (Strings{"Late 3", "Ended", "Late 3", "Ended", "Miss", "Late 3", "Ended",
                               "Pair2", "box Very"}));
    game.cmdGamePlay_Click();
    ticks(6);
    game.cmdGamePlay_Click(); // a new deal in the middle of the move
    ticks(6);
    game.cmdGamePause_Click();
    game.cmdGamePause_Click();
    ticks(1); // still in its last seconds: late again
    game.cmdGamePause_Click();
    game.mnuNevGame_Click();
    EXPECT_EQ(take(), (Strings{"Late 3", "Ended", "Late 3", "Ended", "Paused", "Resumed", "Late 2",
                               "Ended", "Paused", "Resumed"}));
}

} // namespace
} // namespace lumbrast::game::testing
