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

    // Counters at their limit: the failed addition is reported, the counter keeps its value, no
    // set is tested after it, and the table still closes.
    game.v.PointsP1 = 32766;
    openingPairBy(1);
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player1, you win 3 points",
                               "box 6\r\nOverflow\r\nsub: 23"}));
    EXPECT_EQ(std::tuple(game.v.PointsP1, fx.icons.back(), game.cmdGamePiece[0].Tag),
              std::tuple(32766, MessageIcon::Exclamation, "R70"));

    // "New" clears every counter.
    game.v.PointsP1 = game.v.PointsP2 = game.v.SetsP1 = game.v.SetsP2 = game.v.MatchesP1 = 1;
    game.mnuNevGame_Click();
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 0, 0));

    // With no option selected a pair scores nothing, though both players reached the thresholds.
    game.cmdGamePlay_Click();
    click(in.hDeviceActive, pieceWithFace('8'));
    game.optPlayer_01.Value = game.optPlayer_02.Value = false;
    game.v.PointsP2 = game.v.PointsPerSet = 3;
    game.v.SetsPerMatch = 0;
    click(in.hDeviceActive, partner());
    EXPECT_TRUE(fx.log.empty() && game.v.PointsP1 + game.v.PointsP2 == 3);
}

} // namespace
} // namespace lumbrast::game::testing
