// The table, the click, turns, the clock and pause.

#include <set>
#include <stdexcept>
#include <tuple>

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

TEST(GameStart, DefaultsNamesOpenerAndErrorReport) {
    input::InputState in;
    in.hDeviceActive = 9;
    in.IsHooked = input::kTrue;
    FakeEffects fx;
    Game game(in, fx);
    auto idle = [&game](bool tagged) { // disabled pieces showing the idle table
        for (std::size_t i = 0; i < 4; ++i) {
            const Piece &p = game.cmdGamePiece[i];
            EXPECT_EQ(std::tuple(p.BackColor, p.Caption, p.Tag, p.Enabled),
                      std::tuple(kIdleTable[i].colour, kIdleTable[i].caption,
                                 tagged ? kIdleTable[i].tag : "", false));
        }
    };
    idle(false);
    game.v = GameVariables{10, 7, 5, 4, kTrue, 1, "R70", "B81", 2};
    game.SetPublicDefaults();
    auto defaults = [](const GameVariables &g) {
        return std::tie(g.PlayerMoveTime, g.PointsPerSet, g.SetsPerMatch, g.MoveSecondsElapsed,
                        g.OpeningMove, g.PiecesTurned, g.FirstPieceTag, g.SecondPieceTag,
                        g.FirstMovePlayer);
    };
    EXPECT_EQ(defaults(game.v), defaults(GameVariables{}));
    EXPECT_EQ(std::pair(in.hDeviceActive, in.IsHooked), std::pair(0u, input::kTrue)); // hook kept

    game.txtPlayerName_01_Change("");
    game.txtPlayerName_02_Change("ŽeljkoČćšđžŠ"); // cut at ten letters, none split
    EXPECT_EQ(game.lblPlayer1Stat + "|" + game.lblPlayer2Stat, "|ŽeljkoČćšđ");

    // File > New before the mice are bound chose the opener with no device to select.
    game.cmdGamePlay_Click();
    game.mnuNevGame_Click();
    idle(true);
    in.hDevicePlayer_01 = kMouse1;
    in.hDevicePlayer_02 = kMouse2;
    game.EnableGameControls();
    game.cmdGamePlay_Click();
    EXPECT_EQ(in.hDeviceActive, kMouse2);

    // Any other failure is reported as error 5 with the handler's tag.
    game.setSeedSource([]() -> std::uint64_t { throw std::runtime_error("no entropy"); });
    game.DealPieces();
    EXPECT_EQ(fx.log, Strings{"box 5\r\nno entropy\r\nsub: 20"});
}

using Table = BoundGame;

TEST_F(Table, DealsArePermutationsFromFreshSeeds) {
    std::set<std::string> arrangements;
    for (int deal = 0; deal < 400; ++deal) {
        game.DealPieces();
        std::string arrangement;
        for (const Piece &p : game.cmdGamePiece) {
            EXPECT_EQ(p.BackColor, p.Tag[0] == 'R' ? kColourR : kColourB);
            arrangement += p.Tag + p.Caption;
        }
        arrangements.insert(arrangement);
    }
    EXPECT_EQ(arrangements.size(), 24u) << "every order of the four patterns, tagged by place";
}

TEST_F(Table, CursorsTheOpenerResetAndPiecesOutsideTheTable) {
    EXPECT_TRUE(game.cmdGamePlay.Enabled && game.cmdGamePiece[3].Enabled && // both mice bound
                game.optPlayer_01.Enabled && game.optPlayer_02.Enabled);
    game.cmdCursorPos_Click();
    game.cmdGamePiece_MouseMove(0);
    EXPECT_EQ(game.cmdGamePiece[0].MousePointer, PlayerCursor::None) << "nobody to move yet";
    game.optPlayer_02_Click();
    game.cmdGamePiece_MouseMove(3);
    EXPECT_EQ(game.cmdGamePiece[3].MousePointer, PlayerCursor::Player2);
    click(kMouse2, -1);
    click(kMouse2, 4);
    EXPECT_EQ(fx.beeps, std::vector<Beep>{Beep::Asterisk});
    EXPECT_EQ(take(), Strings(2, "box 340\r\nControl array element does not exist\r\nsub: 01"));

    game.cmdGamePlay_Click();
    EXPECT_EQ(std::tuple(in.hDeviceActive, game.cmdVerify_M_P_01.BackColor,
                         game.cmdVerify_M_P_02.BackColor),
              std::tuple(kMouse2, kColourYellow, kColourGreen));
    EXPECT_TRUE(game.cmdGamePause.Enabled && fx.timerRunning);
    game.cmdGameReset_Click();
    game.cmdGamePiece_MouseMove(0);
    EXPECT_EQ(std::tuple(game.cmdGamePlay.MousePointer, game.cmdGamePiece[0].MousePointer),
              std::tuple(PlayerCursor::Player1, PlayerCursor::Player1));
    EXPECT_TRUE(game.optPlayer_01.Value && in.hDeviceActive == kMouse1 && fx.cursorReleases == 1 &&
                !game.cmdGamePause.Enabled && !fx.timerRunning);
    game.cmdGamePlay_Click();
    game.cmdGameReset_Click();
    EXPECT_EQ(game.cmdGamePlay.MousePointer, PlayerCursor::Player2);
    game.cmdGameReset_Click(); // the first reset found the pointer there already
    EXPECT_EQ(game.cmdGamePlay.MousePointer, PlayerCursor::Player1);
}

// Three tables: clicks that cannot turn a piece, a missed opening, a follow-up miss, and pairs
// worth 1, 2, then 3 points; the follow-up pair worth 2 reaches both thresholds exactly.
TEST_F(Table, MissesPassTheTurnAndPairsScoreOneTwoOrThree) {
    game.v.PointsPerSet = 3;
    game.v.SetsPerMatch = 2;
    game.v.SetsP1 = 1;
    click(0, 0); // before any deal: the pieces are enabled but have no tags
    game.cmdGamePlay_Click();
    const int first = pieceWithFace('7'), second = pieceWithFace('8');
    ticks(2);
    click(kMouse1, first);
    click(kMouse1, first);  // a double click would pair the piece with itself
    click(kMouse2, second); // the wrong mouse, or none named yet by raw input, only beeps
    click(0, second);
    ticks(1); // the first piece restarts the move clock
    EXPECT_EQ(game.lblGameMoveTimer + std::to_string(game.v.PiecesTurned), "201");
    click(kMouse1, second);
    EXPECT_TRUE(faceUpCount() == 1 && game.v.SecondPieceTag.empty() && !game.v.PiecesTurned &&
                game.v.MoveSecondsElapsed == 0 && in.hDeviceActive == kMouse2 && fx.timerRunning);
    click(kMouse2, pieceWithFace('7')); // a follow-up miss: the "7" stays up
    EXPECT_EQ(faceUpCount(), 1);
    click(kMouse1, pieceWithFace('7'));
    // The next table's first follow-up pair is worth 2 again; a missed opening does not count.
    game.cmdGamePlay_Click();
    click(kMouse2, pieceWithFace('7'));
    click(kMouse2, pieceWithFace('8'));
    click(kMouse1, pieceWithFace('8'));
    EXPECT_EQ(take(), (Strings{"Miss", "Miss", "Pair1", "box Not bad Player1, you win 1 point",
                               "Miss", "Pair2", "box Very good Player1, you win 2 points", "Set",
                               "box Bravo Player1, you win Set", "Match",
                               "box Congratulations Player1, you win Match"}));

    game.cmdGamePlay_Click(); // player 1 opens again and finds a pair
    click(kMouse1, pieceWithFace('8'));
    fx.onMessage = [&] {
        EXPECT_TRUE(faceUpCount() == 2 && !fx.timerRunning) << "the pair stays up, the clock not";
    };
    click(kMouse1, partner());
    EXPECT_EQ(take(), (Strings{"Pair3", "box Excellent Player1, you win 3 points", "Set",
                               "box Bravo Player1, you win Set"}));
    EXPECT_EQ(fx.beeps, (std::vector<Beep>{Beep::Default, Beep::Default, Beep::Ok, Beep::Asterisk,
                                           Beep::Exclamation, Beep::Exclamation, Beep::Exclamation,
                                           Beep::Exclamation}));
    EXPECT_EQ(game.lblPointsStatP1 + game.lblSetStatP1 + game.lblMatchStatP1, "011");
    EXPECT_EQ(in.hDeviceActive, kMouse2) << "the table closed and the next opener is on";
}

// The clock counts down to 0 and passes the turn on that tick, keeping the table. It runs late in
// the last quarter of the move time, never later than at 3 s left, once per move.
TEST_F(Table, TheClockPassesTheTurnAtZeroAndRunsLateOncePerMove) {
    for (const auto &[moveTime, late, other] :
         {std::tuple{20, "Late 5", "Player2"}, std::tuple{8, "Late 3", "Player1"}}) {
        game.v.PlayerMoveTime = static_cast<std::int16_t>(moveTime);
        game.cmdGamePlay_Click();
        click(in.hDeviceActive, pieceWithFace('7'));
        for (int left = moveTime; left >= -1; --left) { // down to 0, then afresh
            ticks(1);
            EXPECT_EQ(game.lblGameMoveTimer, std::to_string(left < 0 ? moveTime : left));
        }
        click(in.hDeviceActive, partner()); // the other player completes the opening move
        EXPECT_EQ(take(), (Strings{late, "Ended", "TimedOut", "Pair3",
                                   "box Excellent " + std::string(other) + ", you win 3 points"}));
    }

    // Lowered from 30 s to 10 s after 15 s: the next tick shows 0 and passes the turn.
    game.v.PlayerMoveTime = 30;
    game.cmdGamePlay_Click();
    const bool firstHadIt = game.optPlayer_01.Value;
    ticks(15);
    game.v.PlayerMoveTime = 10;
    ticks(1);
    EXPECT_EQ(game.lblGameMoveTimer + std::to_string(game.optPlayer_01.Value != firstHadIt), "01");
}

// Every way a move ends ends a late move; pause, options and New while paused.
TEST_F(Table, LateMovesEndHoweverTheyEndAndPauseStopsThePlay) {
    game.cmdGameReset_Click(); // before any table: the selected option's mouse moves first
    EXPECT_EQ(in.hDeviceActive, kMouse1);
    game.v.PlayerMoveTime = 8;
    game.cmdGamePlay_Click();
    ticks(6);
    click(kMouse1, pieceWithFace('7')); // the first piece starts the clock afresh
    ticks(6);
    click(kMouse1, pieceWithFace('8'));
    ticks(6);
    click(kMouse2, partner());
    EXPECT_EQ(take(), (Strings{"Late 3", "Ended", "Late 3", "Ended", "Miss", "Late 3", "Ended",
                               "Pair2", "box Very good Player2, you win 2 points"}));

    game.cmdGamePlay_Click();
    click(kMouse2, pieceWithFace('7'));
    ticks(6);
    game.cmdGamePlay_Click(); // a new deal in the middle of the move starts it afresh
    ticks(6);
    game.cmdGamePause_Click();
    EXPECT_EQ(game.cmdGamePause.Caption, "Resume");
    EXPECT_FALSE(fx.timerRunning || game.cmdGamePlay.Enabled || game.cmdVerify_M_P_01.Enabled ||
                 game.cmdVerify_M_P_02.Enabled || game.cmdGamePiece[0].Enabled);
    ticks(1); // a tick after the stop changes nothing
    game.cmdGamePause_Click();
    EXPECT_TRUE(game.cmdGamePiece[1].Enabled && fx.timerRunning &&
                game.cmdGamePause.Caption == "Pause");
    ticks(1);                  // still in its last seconds: late again
    game.optPlayer_01_Click(); // hands the turn over at once, same countdown
    EXPECT_TRUE(in.hDeviceActive == kMouse1 && game.v.MoveSecondsElapsed == 7 &&
                game.v.PiecesTurned == 0);

    game.cmdGamePause_Click();
    game.mnuNevGame_Click(); // "New" leads back to play
    EXPECT_EQ(take(), (Strings{"Late 3", "Ended", "Late 3", "Ended", "Paused", "Resumed", "Late 2",
                               "Ended", "Paused", "Resumed"}));
    EXPECT_EQ(game.lblGameMoveTimer + game.cmdGamePause.Caption, "00Pause");
    EXPECT_TRUE(!game.cmdGamePause.Enabled && game.cmdGamePlay.Enabled &&
                game.cmdVerify_M_P_01.Enabled);
    game.cmdGamePlay_Click();
    EXPECT_TRUE(game.cmdGamePiece[0].Enabled && fx.timerRunning);
}

} // namespace
} // namespace lumbrast::game::testing
