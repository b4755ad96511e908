// Points, sets, matches, "New" and counter overflow.

#include <tuple>

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

class Score : public BoundGame {
protected:
    // Player `p` finds an opening pair on a fresh table.
    void openingPairBy(int p) {
        p == 1 ? game.optPlayer_01_Click() : game.optPlayer_02_Click();
        game.cmdGamePlay_Click();
        const int first = pieceWithFace('7');
        click(in.hDeviceActive, first);
        click(in.hDeviceActive, pieceWithFace('7', true, first));
    }
    auto counters() const {
        const GameVariables &v = game.v;
        return std::tuple(v.PointsP1, v.PointsP2, v.SetsP1, v.SetsP2, v.MatchesP1, v.MatchesP2);
    }
    std::vector<std::string> cells() const {
        return {game.lblPointsStatP1, game.lblPointsStatP2, game.lblSetStatP1,
                game.lblSetStatP2,    game.lblMatchStatP1,  game.lblMatchStatP2};
    }
};

TEST_F(Score, SetAtItsThresholdClearsBothPlayersPointsAndMatchFollows) {
    game.v.PointsPerSet = 7;
    game.v.SetsPerMatch = 2;
    game.v.PointsP1 = 6;
    game.v.PointsP2 = 4;
    openingPairBy(1); // 6 + 3 = 9: the set, the 2 extra points are lost
    EXPECT_EQ(texts(), (std::vector<std::string>{"Excellent Player1, you win 3 points",
                                                 "Bravo Player1, you win Set"}));
    EXPECT_EQ(fx.beeps, (std::vector<Beep>{Beep::Exclamation, Beep::Exclamation}));
    EXPECT_EQ(game.lblSetStatP1 + game.lblPointsStatP2, "10");
    EXPECT_EQ(game.v.PointsP1 + game.v.PointsP2, 0);

    game.v.SetsP2 = 1;
    game.v.PointsP2 = 6;
    fx.clear();
    openingPairBy(2);
    EXPECT_EQ(texts(), (std::vector<std::string>{"Excellent Player2, you win 3 points",
                                                 "Bravo Player2, you win Set",
                                                 "Congratulations Player2, you win Match"}));
    EXPECT_EQ(fx.beeps, std::vector<Beep>(3, Beep::Exclamation));
    EXPECT_EQ(game.v.MatchesP1, 0);
    EXPECT_EQ(cells(), (std::vector<std::string>{"0", "0", "0", "0", "0", "1"}));
}

// Exactly at both thresholds, reached with a follow-up pair.
TEST_F(Score, AFollowUpPairWinsTheSetAndTheMatch) {
    game.v.PointsPerSet = 7;
    game.v.SetsPerMatch = 2;
    game.v.SetsP1 = 1;
    game.v.PointsP1 = 5;
    game.optPlayer_02_Click();
    game.cmdGamePlay_Click();
    missOpening(kMouse2);
    click(kMouse1, pieceWithFace('8'));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Very good Player1, you win 2 points",
                                                 "Bravo Player1, you win Set",
                                                 "Congratulations Player1, you win Match"}));
    EXPECT_EQ(game.lblMatchStatP1, "1");
}

// Lowered thresholds are tested for the scorer alone, at his next score.
TEST_F(Score, ALoweredThresholdIsWonByTheScorerAtHisNextScore) {
    game.v.PointsP1 = 10;
    game.v.PointsPerSet = 7;
    openingPairBy(2);
    EXPECT_EQ(std::tuple(game.v.SetsP1, game.v.PointsP1), std::tuple(0, 10));
    openingPairBy(1);
    EXPECT_EQ(game.v.SetsP1, 1);

    game.v.SetsP1 = 2; // sets already at the match threshold
    game.v.SetsPerMatch = 2;
    game.v.PointsP2 = 5;
    fx.clear();
    openingPairBy(1);
    EXPECT_EQ(texts(), (std::vector<std::string>{"Excellent Player1, you win 3 points",
                                                 "Congratulations Player1, you win Match"}));
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 1, 0));
}

TEST_F(Score, NamesAreInsertedUnchangedAndNoSelectedOptionScoresNothing) {
    game.txtPlayerName_01_Change("");
    game.txtPlayerName_02_Change("Aleksandra");
    openingPairBy(1);
    openingPairBy(2);
    EXPECT_EQ(texts(), (std::vector<std::string>{"Excellent , you win 3 points",
                                                 "Excellent Aleksandra, you win 3 points"}));

    fx.clear();
    game.cmdGamePlay_Click();
    const int first = pieceWithFace('8');
    click(in.hDeviceActive, first);
    game.optPlayer_01.Value = game.optPlayer_02.Value = false;
    game.v.PointsPerSet = 3; // reached by both, yet nobody scored
    game.v.SetsPerMatch = 0;
    click(in.hDeviceActive, pieceWithFace('8', true, first));
    EXPECT_TRUE(fx.messages.empty());
    EXPECT_EQ(game.v.PointsP1 + game.v.PointsP2, 6);
}

TEST_F(Score, NewClearsCountersButNotTheMissFlag) {
    openingPairBy(1);
    game.cmdGamePlay_Click(); // player 2 opens and misses, player 1 misses a follow-up
    missOpening(kMouse2);
    click(kMouse1, pieceWithFace(game.v.FirstPieceTag[1], false));
    ASSERT_EQ(game.v.MissAfterOpening, kTrue);
    game.v.PointsP2 = game.v.SetsP1 = game.v.SetsP2 = game.v.MatchesP1 = game.v.MatchesP2 = 1;
    for (std::string *cell : {&game.lblPointsStatP2, &game.lblSetStatP1, &game.lblSetStatP2,
                              &game.lblMatchStatP1, &game.lblMatchStatP2})
        *cell = "1";

    game.mnuNevGame_Click();
    EXPECT_EQ(counters(), std::tuple(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(cells(), std::vector<std::string>(6, "0"));
    EXPECT_EQ(game.cmdGamePiece[0].Tag, "R70") << "the table was closed";
    openingPairBy(1); // an opening pair still scores 3 and keeps the flag
    EXPECT_EQ(game.v.PointsP1, 3);
    game.cmdGamePlay_Click();
    missOpening(in.hDeviceActive);
    fx.clear();
    click(in.hDeviceActive, pieceWithFace(game.v.FirstPieceTag[1]));
    EXPECT_EQ(texts(), std::vector<std::string>{"Not bad Player1, you win 1 point"});
}

TEST_F(Score, OverflowIsReportedAndTheCounterKeepsItsValue) {
    game.v.PointsP1 = 32766;
    game.v.PointsPerSet = 7;
    openingPairBy(1);
    ASSERT_EQ(fx.messages.size(), 2u);
    EXPECT_EQ(fx.messages[1].text, "6\r\nOverflow\r\nsub: 23");
    EXPECT_EQ(fx.messages[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(std::tuple(game.v.PointsP1, game.v.SetsP1), std::tuple(32766, 0))
        << "the set test is skipped after a failed addition";
    EXPECT_EQ(game.cmdGamePiece[0].Tag, "R70") << "the table still closes";

    game.v.SetsPerMatch = 2; // the match counter at its limit: three messages, then the report
    game.v.SetsP2 = 1;
    game.v.PointsP2 = 6;
    game.v.MatchesP2 = 32767;
    fx.clear();
    openingPairBy(2);
    ASSERT_EQ(fx.messages.size(), 4u);
    EXPECT_EQ(fx.messages[3].text, "6\r\nOverflow\r\nsub: 24");
    EXPECT_EQ(game.v.MatchesP2, 32767);
}

} // namespace
} // namespace lumbrast::game::testing
