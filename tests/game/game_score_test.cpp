// Points, sets, matches, "New" and counter overflow.

#include <tuple>

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

class Score : public BoundGame {
protected:
    auto counters() const {
        const GameVariables &v = game.v;
        return std::tuple(v.PointsP1, v.PointsP2, v.SetsP1, v.SetsP2, v.MatchesP1, v.MatchesP2);
    }
};

// Sets are tested for the scorer alone, at his score: a threshold lowered below the other
// player's points is not their set. A set clears both players' points; extra points are lost.
TEST_F(Score, SetsAndMatchesGoToTheScorerAtOrPastTheirThresholds) {
    game.v.PointsPerSet = 7;
    game.v.SetsPerMatch = 2;
    game.v.PointsP1 = 10;
    game.v.PointsP2 = 1;
    openingPairBy(2);
    openingPairBy(1); // 10 + 3: the set
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player2, you win 3 points", "Pair3",
                               "box Excellent Player1, you win 3 points", "Set",
                               "box Bravo Player1, you win Set"}));
    EXPECT_EQ(game.lblSetStatP1 + game.lblPointsStatP2, "10");
    EXPECT_EQ(game.v.PointsP1 + game.v.PointsP2, 0);

    game.v.SetsP2 = 1;
    game.v.PointsP2 = 4;
    openingPairBy(2); // 4 + 3: the set at its threshold, and with it the match
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player2, you win 3 points", "Set",
                               "box Bravo Player2, you win Set", "Match",
                               "box Congratulations Player2, you win Match"}));
    EXPECT_EQ(fx.beeps, std::vector<Beep>(6, Beep::Exclamation));
    EXPECT_EQ(game.lblSetStatP2 + game.lblMatchStatP2, "01");
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 0, 1));

    game.v.SetsP1 = 2; // sets already at the match threshold: the match at the next score
    game.v.PointsP2 = 5;
    openingPairBy(1);
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player1, you win 3 points", "Match",
                               "box Congratulations Player1, you win Match"}));
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 1, 1));
}

// "New" clears every counter and closes the table, but not the miss flag; with no option
// selected a pair scores nothing, though both players have reached the thresholds.
TEST_F(Score, NewClearsCountersButNotTheMissFlagAndNoSelectedOptionScoresNothing) {
    openingPairBy(1);
    game.cmdGamePlay_Click(); // player 2 opens and misses, player 1 misses a follow-up
    missOpening(kMouse2);
    click(kMouse1, pieceWithFace(game.v.FirstPieceTag[1], false));
    ASSERT_EQ(game.v.MissAfterOpening, kTrue);
    game.v.PointsP2 = game.v.SetsP1 = game.v.SetsP2 = game.v.MatchesP1 = game.v.MatchesP2 = 1;
    game.mnuNevGame_Click();
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(game.cmdGamePiece[0].Tag, "R70") << "the table was closed";
    openingPairBy(1); // an opening pair still scores 3 and keeps the flag
    EXPECT_EQ(game.lblPointsStatP1, "3");
    game.cmdGamePlay_Click();
    missOpening(in.hDeviceActive);
    take();
    click(in.hDeviceActive, partner());
    EXPECT_EQ(take(), (Strings{"Pair1", "box Not bad Player1, you win 1 point"}));

    game.cmdGamePlay_Click();
    const int first = pieceWithFace('8');
    click(in.hDeviceActive, first);
    game.optPlayer_01.Value = game.optPlayer_02.Value = false;
    game.v.PointsP2 = game.v.PointsPerSet = 3;
    game.v.SetsPerMatch = 0;
    click(in.hDeviceActive, pieceWithFace('8', true, first));
    EXPECT_EQ(take(), Strings{});
    EXPECT_EQ(game.v.PointsP1 + game.v.PointsP2, 7);
}

// A counter at its limit: the failed addition is reported and the counter keeps its value.
TEST_F(Score, OverflowIsReportedAndTheCounterKeepsItsValue) {
    game.v.PointsP1 = 32766;
    game.v.PointsPerSet = 7;
    openingPairBy(1);
    ASSERT_EQ(fx.messages.size(), 2u);
    EXPECT_EQ(std::tie(fx.messages[1].text, fx.messages[1].icon),
              std::tuple("6\r\nOverflow\r\nsub: 23", MessageIcon::Exclamation));
    EXPECT_EQ(std::tuple(game.v.PointsP1, game.v.SetsP1), std::tuple(32766, 0))
        << "the set test is skipped after a failed addition";
    EXPECT_EQ(game.cmdGamePiece[0].Tag, "R70") << "the table still closes";

    game.v.SetsPerMatch = 2; // the match counter at its limit: three messages, then the report
    game.v.SetsP2 = 1;
    game.v.PointsP2 = 6;
    game.v.MatchesP2 = 32767;
    openingPairBy(2);
    EXPECT_EQ(std::tuple(fx.messages.size(), fx.messages.back().text, game.v.MatchesP2),
              std::tuple(6u, "6\r\nOverflow\r\nsub: 24", 32767));
}

} // namespace
} // namespace lumbrast::game::testing
