// Points, sets, matches, counter overflow and "New".

#include <tuple>

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

using Score = BoundGame;

// Sets are tested for the scorer alone, at his score: a threshold lowered below the other
// player's points is not their set. A set clears both players' points; extra points are lost.
TEST_F(Score, SetsMatchesOverflowAndNew) {
    auto counters = [&v = game.v] {
        return std::tuple(v.PointsP1, v.PointsP2, v.SetsP1, v.SetsP2, v.MatchesP1, v.MatchesP2);
    };
    game.v.PointsPerSet = 7;
    game.v.SetsPerMatch = 2;
    game.v.PointsP1 = 10;
    game.v.PointsP2 = 1;
    openingPairBy(2);
    openingPairBy(1); // 10 + 3: the set
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player2, you win 3 points", "Pair3",
                               "box Excellent Player1, you win 3 points", "Set",
                               "box Bravo Player1, you win Set"}));
    EXPECT_EQ(game.v.PointsP1 + game.v.PointsP2, 0);

    game.v.SetsP2 = 1;
    game.v.PointsP2 = 4;
    openingPairBy(2); // 4 + 3: the set at its threshold, and with it the match
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player2, you win 3 points", "Set",
                               "box Bravo Player2, you win Set", "Match",
                               "box Congratulations Player2, you win Match"}));
    EXPECT_EQ(fx.beeps, std::vector<Beep>(6, Beep::Exclamation));
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 0, 1));

    game.v.SetsP1 = 2; // sets already at the match threshold: the match at the next score
    game.v.PointsP2 = 5;
    openingPairBy(1);
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player1, you win 3 points", "Match",
                               "box Congratulations Player1, you win Match"}));
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 1, 1));

    // Counters at their limit: the failed addition is reported, the counter keeps its value, no
    // set is tested after it, and the table still closes.
    game.v.PointsP1 = 32766;
    openingPairBy(1);
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player1, you win 3 points",
                               "box 6\r\nOverflow\r\nsub: 23"}));
    EXPECT_EQ(std::tuple(game.v.PointsP1, fx.icons.back(), game.cmdGamePiece[0].Tag),
              std::tuple(32766, MessageIcon::Exclamation, "R70"));
    game.v.SetsP2 = 1;
    game.v.PointsP2 = 4;
    game.v.MatchesP2 = 32767;
    openingPairBy(2);
    EXPECT_EQ(std::tuple(take().back(), game.v.MatchesP2),
              std::tuple("box 6\r\nOverflow\r\nsub: 24", 32767));

    // "New" clears every counter, but not the miss flag.
    game.cmdGamePlay_Click();
    missOpening(in.hDeviceActive);
    click(in.hDeviceActive, pieceWithFace(game.v.FirstPieceTag[1], false)); // a follow-up miss
    game.v.PointsP1 = game.v.PointsP2 = game.v.SetsP1 = game.v.SetsP2 = 1;
    game.mnuNevGame_Click();
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 0, 0));
    openingPairBy(1); // an opening pair still scores 3 and keeps the flag
    EXPECT_EQ(game.lblPointsStatP1, "3");
    game.cmdGamePlay_Click();
    missOpening(in.hDeviceActive);
    take();
    click(in.hDeviceActive, partner());
    EXPECT_EQ(take(), (Strings{"Pair1", "box Not bad Player1, you win 1 point"}));

    // With no option selected a pair scores nothing, though both players reached the thresholds.
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

} // namespace
} // namespace lumbrast::game::testing
