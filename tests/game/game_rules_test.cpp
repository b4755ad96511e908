// The table, the click, turns, the timer and pause.

#include <set>
#include <stdexcept>
#include <tuple>

#include "fakes.h"

namespace lumbrast::game::testing {
namespace {

TEST(GameStart, DefaultsNamesAndErrorReport) {
    input::InputState in;
    in.hDeviceActive = 9;
    in.IsHooked = input::kTrue;
    FakeEffects fx;
    Game game(in, fx);
    game.v = GameVariables{10, 7, 5, 4, kTrue, 1, "R70", "B81", 2};
    game.SetPublicDefaults();
    const GameVariables fresh;
    auto defaults = [](const GameVariables &g) {
        return std::tie(g.PlayerMoveTime, g.PointsPerSet, g.SetsPerMatch, g.MoveSecondsElapsed,
                        g.OpeningMove, g.PiecesTurned, g.FirstPieceTag, g.SecondPieceTag,
                        g.FirstMovePlayer);
    };
    EXPECT_EQ(defaults(game.v), defaults(fresh));
    EXPECT_EQ(fresh.PointsPerSet, 15);
    EXPECT_EQ(in.hDeviceActive, 0u);
    EXPECT_EQ(in.IsHooked, input::kTrue) << "defaults leave the hook alone";
    for (std::size_t i = 0; i < 4; ++i) {
        const Piece &p = game.cmdGamePiece[i];
        EXPECT_TRUE(p.Tag.empty() && !p.Enabled && p.Caption == kIdleTable[i].caption &&
                    p.BackColor == kIdleTable[i].colour);
    }

    game.txtPlayerName_01_Change("");
    EXPECT_EQ(game.lblPlayer1Stat, "");
    game.txtPlayerName_02_Change("ŽeljkoČćšđžŠ"); // cut at ten letters, none split
    EXPECT_EQ(game.lblPlayer2Stat, "ŽeljkoČćšđ");
    game.txtPlayerName_02_Change("Aleksandrina");
    EXPECT_EQ(game.lblPlayer2Stat, "Aleksandri");

    // Any other failure is reported as error 5 with the handler's tag.
    game.setSeedSource([]() -> std::uint64_t { throw std::runtime_error("no entropy"); });
    game.DealPieces();
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "5\r\nno entropy\r\nsub: 20");
}

// File > New before the mice are bound chose the opener with no device to select.
TEST(GameStart, StartAfterNewBeforeBindingHandsTheTableToTheOpenersMouse) {
    input::InputState in;
    FakeEffects fx;
    Game game(in, fx);
    game.SetPublicDefaults();
    game.mnuNevGame_Click();
    in.hDevicePlayer_01 = kMouse1;
    in.hDevicePlayer_02 = kMouse2;
    game.EnableGameControls();
    game.cmdGamePlay_Click();
    EXPECT_EQ(in.hDeviceActive, kMouse1);
    EXPECT_TRUE(fx.messages.empty());
}

using Table = BoundGame;

TEST_F(Table, DealsArePermutationsFromFreshSeedsAndTheIdleTableHoldsNoPair) {
    std::set<std::string> arrangements;
    for (int deal = 0; deal < 400; ++deal) {
        const std::uint64_t before = nextSeed;
        game.DealPieces();
        EXPECT_EQ(nextSeed, before + 1) << "one fresh seed per deal";
        std::multiset<std::string> kinds;
        std::string arrangement;
        for (int i = 0; i < 4; ++i) {
            const Piece &p = game.cmdGamePiece[static_cast<std::size_t>(i)];
            ASSERT_EQ(p.Tag.size(), 3u);
            EXPECT_TRUE(p.Tag[2] == '0' + i && p.Caption.empty() &&
                        p.BackColor == (p.Tag[0] == 'R' ? kColourR : kColourB));
            kinds.insert(p.Tag.substr(0, 2));
            arrangement += p.Tag.substr(0, 2);
        }
        EXPECT_EQ(kinds, (std::multiset<std::string>{"R7", "R8", "B7", "B8"}));
        arrangements.insert(arrangement);
    }
    EXPECT_EQ(arrangements.size(), 24u) << "every order of the four patterns occurs";

    game.ShowIdleTable();
    std::set<char> faces;
    for (std::size_t i = 0; i < 4; ++i) {
        const Piece &p = game.cmdGamePiece[i];
        faces.insert(p.Tag[1]);
        EXPECT_EQ(std::tie(p.BackColor, p.Caption, p.Tag),
                  std::tuple(kIdleTable[i].colour, kIdleTable[i].caption, kIdleTable[i].tag));
    }
    EXPECT_EQ(faces.size(), 4u);
}

TEST_F(Table, CursorHomeBeepsAndPiecesOutsideTheTableAreReported) {
    EXPECT_TRUE(game.cmdGamePlay.Enabled && game.cmdGamePiece[3].Enabled) << "both mice bound";
    game.cmdCursorPos_Click();
    game.cmdGamePiece_MouseMove(0);
    EXPECT_EQ(game.cmdGamePiece[0].MousePointer, PlayerCursor::None) << "nobody to move yet";
    game.optPlayer_01_Click();
    game.cmdGamePiece_MouseMove(0);
    EXPECT_EQ(game.cmdGamePiece[0].MousePointer, PlayerCursor::Player1);
    in.hDeviceLast = kMouse1;
    game.cmdGamePiece_Click(-1);
    game.cmdGamePiece_Click(4);
    EXPECT_EQ(fx.beeps, std::vector<Beep>{Beep::Asterisk});
    EXPECT_EQ(texts(), std::vector<std::string>(
                           2, "340\r\nControl array element does not exist\r\nsub: 01"));
}

TEST_F(Table, StartMarksTheOpenerAndResetHandsTheNextOpeningOver) {
    game.optPlayer_02_Click();
    game.cmdGamePiece_MouseMove(3);
    EXPECT_EQ(game.cmdGamePiece[3].MousePointer, PlayerCursor::Player2);
    game.cmdGamePlay_Click();
    EXPECT_EQ(in.hDeviceActive, kMouse2);
    EXPECT_EQ(std::tuple(game.cmdVerify_M_P_01.BackColor, game.cmdVerify_M_P_02.BackColor),
              std::tuple(kColourYellow, kColourGreen));
    EXPECT_TRUE(game.cmdGamePause.Enabled && fx.timerRunning);
    click(kMouse2, 0);
    game.tmrGameMove_Timer();
    game.cmdGamePlay_Click(); // a new deal in the middle of a move restarts it
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer + std::to_string(game.v.PiecesTurned), "200");

    game.cmdGameReset_Click();
    EXPECT_TRUE(game.optPlayer_01.Value && in.hDeviceActive == kMouse1);
    EXPECT_EQ(game.cmdGamePlay.MousePointer, PlayerCursor::Player1);
    EXPECT_FALSE(game.cmdGamePause.Enabled || fx.timerRunning);
    EXPECT_EQ(fx.cursorReleases, 1);
    game.cmdGamePlay_Click();
    EXPECT_EQ(std::tuple(game.cmdVerify_M_P_01.BackColor, game.cmdVerify_M_P_02.BackColor),
              std::tuple(kColourGreen, kColourYellow));
    game.cmdGameReset_Click();
    EXPECT_EQ(game.cmdGamePlay.MousePointer, PlayerCursor::Player2);
    game.cmdGameReset_Click();
    EXPECT_EQ(game.cmdGamePlay.MousePointer, PlayerCursor::Player1);
}

TEST_F(Table, OpeningPairScoresThreeWhileThePairIsStillFaceUp) {
    game.cmdGamePlay_Click();
    const int first = pieceWithFace('8');
    click(kMouse1, first);
    int faceUpDuringMessage = -1;
    bool clockDuringMessage = true;
    fx.onMessage = [&](const Message &) {
        faceUpDuringMessage = faceUpCount();
        clockDuringMessage = fx.timerRunning;
    };
    click(kMouse1, pieceWithFace('8', true, first));

    EXPECT_EQ(fx.beeps.front(), Beep::Exclamation);
    ASSERT_EQ(fx.messages.size(), 1u);
    const Message &m = fx.messages[0];
    EXPECT_EQ(std::tie(m.text, m.icon, m.title), std::tuple("Excellent Player1, you win 3 points",
                                                            MessageIcon::Exclamation, "Lumbrast"));
    EXPECT_EQ(faceUpDuringMessage, 2);
    EXPECT_FALSE(clockDuringMessage) << "no turn passes while the score is announced";
    EXPECT_EQ(game.lblPointsStatP1, "3");
    EXPECT_TRUE(game.v.FirstPieceTag.empty() && game.v.SecondPieceTag.empty() &&
                game.v.PiecesTurned == 0);
    EXPECT_TRUE(game.cmdGamePiece[0].Tag == "R70" && !game.cmdGamePiece[0].Enabled);
    EXPECT_EQ(in.hDeviceActive, kMouse2);
}

TEST_F(Table, MissesPassTheTurnAndFollowUpPairsAreWorthTwoThenOne) {
    game.cmdGamePlay_Click();
    const int first = pieceWithFace('7'), second = pieceWithFace('8');
    game.tmrGameMove_Timer();
    game.tmrGameMove_Timer();
    click(kMouse1, first);
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "20") << "the first piece restarts the move clock";
    click(kMouse1, second);
    EXPECT_TRUE(game.cmdGamePiece[static_cast<std::size_t>(first)].Caption.empty());
    EXPECT_EQ(game.cmdGamePiece[static_cast<std::size_t>(second)].Caption, "8");
    EXPECT_EQ(game.v.MissAfterOpening, kFalse) << "a missed opening is not a follow-up miss";
    EXPECT_TRUE(game.v.MoveSecondsElapsed == 0 && in.hDeviceActive == kMouse2 && fx.timerRunning);
    EXPECT_TRUE(game.v.SecondPieceTag.empty() && game.v.PiecesTurned == 0);

    click(kMouse2, pieceWithFace('7')); // a follow-up miss: the "7" stays up
    EXPECT_TRUE(faceUpCount() == 1 && game.v.MissAfterOpening == kTrue);
    fx.clear();
    click(kMouse1, pieceWithFace('7'));
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(std::tie(fx.messages[0].text, fx.messages[0].icon, fx.beeps.front()),
              std::tuple("Not bad Player1, you win 1 point", MessageIcon::None, Beep::Ok));
    EXPECT_EQ(game.v.MissAfterOpening, kFalse);

    game.cmdGamePlay_Click(); // the next table's first follow-up pair is worth 2 again
    missOpening(kMouse2);
    fx.clear();
    click(kMouse1, pieceWithFace('8'));
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(std::tie(fx.messages[0].text, fx.messages[0].icon, fx.beeps.front()),
              std::tuple("Very good Player1, you win 2 points", MessageIcon::Information,
                         Beep::Asterisk));
    EXPECT_EQ(game.v.PointsP1, 3);
}

// Clicks that cannot turn a piece change nothing; only the wrong mouse beeps.
TEST_F(Table, ClicksThatCannotTurnAPieceChangeNothing) {
    game.optPlayer_01_Click();
    click(kMouse1, 0); // the right mouse before any deal: enabled pieces without tags
    EXPECT_TRUE(game.v.PiecesTurned == 0 && fx.beeps.empty() && fx.messages.empty());

    game.cmdGamePlay_Click();
    const int first = pieceWithFace('7');
    click(kMouse1, first);
    click(kMouse1, first); // a double click would pair the piece with itself
    EXPECT_EQ(game.v.PiecesTurned, 1);
    fx.clear();
    click(kMouse2, pieceWithFace('7'));
    click(0, 0); // a click before any raw input names the device
    EXPECT_EQ(fx.beeps, (std::vector<Beep>{Beep::Default, Beep::Default}));
    EXPECT_TRUE(fx.messages.empty() && fx.timerStarts + fx.timerStops == 0);
    EXPECT_EQ(std::tuple(faceUpCount(), game.v.PiecesTurned), std::tuple(1, 1));
    click(kMouse1, pieceWithFace('8'));
    const std::string upTag = game.v.FirstPieceTag;
    click(kMouse2, upTag[2] - '0');
    EXPECT_TRUE(game.v.FirstPieceTag == upTag && fx.messages.empty());
}

TEST_F(Table, TimerPassesTheTurnOnTheTickThatShowsZeroAndKeepsTheTable) {
    game.v.PlayerMoveTime = 10;
    game.cmdGamePlay_Click();
    click(kMouse1, pieceWithFace('7'));
    for (int tick = 0; tick < 11; ++tick) {
        ASSERT_TRUE(game.optPlayer_01.Value) << "tick " << tick;
        game.tmrGameMove_Timer();
        EXPECT_EQ(game.lblGameMoveTimer, std::to_string(10 - tick));
    }
    EXPECT_TRUE(in.hDeviceActive == kMouse2 && game.v.OpeningMove == kTrue);
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "10");
    click(kMouse2, pieceWithFace('7')); // he completes the opening move
    EXPECT_EQ(texts(), std::vector<std::string>{"Excellent Player2, you win 3 points"});

    // Lowered from 30 s to 10 s after 15 s: the next tick shows 0 and passes the turn.
    game.v.PlayerMoveTime = 30;
    game.cmdGamePlay_Click();
    const bool firstHadIt = game.optPlayer_01.Value;
    for (int tick = 0; tick < 15; ++tick)
        game.tmrGameMove_Timer();
    game.v.PlayerMoveTime = 10;
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "0");
    EXPECT_NE(game.optPlayer_01.Value, firstHadIt);
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "10");
}

TEST_F(Table, PauseResumeOptionsAndNewWhilePaused) {
    game.cmdGameReset_Click(); // before any table: the selected option's mouse moves first
    EXPECT_EQ(in.hDeviceActive, kMouse1);
    game.cmdGamePlay_Click();
    game.tmrGameMove_Timer();
    game.tmrGameMove_Timer();
    game.cmdGamePause_Click();
    EXPECT_EQ(game.cmdGamePause.Caption, "Resume");
    EXPECT_FALSE(fx.timerRunning || game.cmdGamePlay.Enabled || game.cmdVerify_M_P_01.Enabled ||
                 game.cmdVerify_M_P_02.Enabled || game.cmdGamePiece[0].Enabled);
    EXPECT_TRUE(game.optPlayer_01.Enabled && game.optPlayer_02.Enabled);
    game.tmrGameMove_Timer(); // a tick after the stop changes nothing
    game.cmdGamePause_Click();
    EXPECT_TRUE(game.cmdGamePiece[1].Enabled && fx.timerRunning &&
                game.cmdGamePause.Caption == "Pause");
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "18");

    fx.clear();
    game.optPlayer_02_Click(); // hands the turn over at once, silently, same countdown
    EXPECT_TRUE(in.hDeviceActive == kMouse2 && fx.beeps.empty());
    EXPECT_EQ(game.v.MoveSecondsElapsed, 3);

    game.cmdGamePause_Click();
    game.mnuNevGame_Click(); // "New" leads back to play
    EXPECT_EQ(game.lblGameMoveTimer + game.cmdGamePause.Caption, "00Pause");
    EXPECT_FALSE(game.cmdGamePause.Enabled || game.v.MoveSecondsElapsed);
    EXPECT_TRUE(game.cmdGamePlay.Enabled && game.cmdVerify_M_P_01.Enabled);
    game.cmdGamePlay_Click();
    EXPECT_TRUE(game.cmdGamePiece[0].Enabled && fx.timerRunning);
}

} // namespace
} // namespace lumbrast::game::testing
