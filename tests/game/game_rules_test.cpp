// The table, the click, turns, the timer and pause.

#include <algorithm>
#include <set>

#include "fakes.h"
#include "game/errorreport.h"

namespace lumbrast::game::testing {
namespace {

TEST(GameStart, WindowOpensWaitingForMiceWithInitialFaces)
{
    input::InputState in;
    in.hDeviceActive = 9;
    in.IsHooked = input::kTrue;
    FakeEffects fx;
    Game game(in, fx);
    game.v.PointsPerSet = 7;
    game.SetPublicDefaults();

    EXPECT_EQ(game.v.PointsPerSet, 15);
    EXPECT_EQ(game.v.FirstMovePlayer, 0);
    EXPECT_EQ(game.v.OpeningMove, kFalse);
    EXPECT_EQ(in.hDeviceActive, 0u);
    EXPECT_EQ(in.IsHooked, input::kTrue) << "defaults leave the hook alone";
    const char *faces[] = {"7", "L", "8", "J"};
    for (int i = 0; i < 4; ++i) {
        const Piece &p = game.cmdGamePiece[static_cast<std::size_t>(i)];
        EXPECT_EQ(p.Caption, faces[i]);
        EXPECT_TRUE(p.Tag.empty());
        EXPECT_FALSE(p.Enabled);
    }
    EXPECT_FALSE(game.cmdGamePlay.Enabled);
    EXPECT_FALSE(game.cmdGamePause.Enabled);
    EXPECT_FALSE(game.cmdGameReset.Visible);
    EXPECT_TRUE(game.optPlayer_01.Value);
    EXPECT_EQ(game.lblGameMoveTimer, "00");
}

TEST(PlayerNames, LabelMirrorsBoxAndBoxHoldsTenCharacters)
{
    input::InputState in;
    FakeEffects fx;
    Game game(in, fx);
    game.txtPlayerName_01_Change("");
    EXPECT_EQ(game.lblPlayer1Stat, "");
    game.txtPlayerName_02_Change("Bartholomew");
    EXPECT_EQ(game.lblPlayer2Stat, "Bartholome");
    game.txtPlayerName_01_Change("ŽeljkoČćšđžŠ"); // multi-byte letters are not split
    EXPECT_EQ(game.lblPlayer1Stat, "ŽeljkoČćšđ");
}

TEST(ErrorReport, NumberDescriptionAndTagOnThreeLines)
{
    EXPECT_EQ(formatErrorReport(6, "Overflow", "sub: 23"), "6\r\nOverflow\r\nsub: 23");
    EXPECT_EQ(checkedAdd(32766, 1), 32767);
    EXPECT_THROW(checkedAdd(32767, 1), RuntimeError);
}

using Table = BoundGame;

TEST_F(Table, EveryDealIsAPermutationOfTheFourPatternsFromAFreshSeed)
{
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
            EXPECT_EQ(p.Tag[2], '0' + i);
            EXPECT_TRUE(p.Caption.empty());
            EXPECT_EQ(p.BackColor, p.Tag[0] == 'R' ? kColourR : kColourB);
            kinds.insert(p.Tag.substr(0, 2));
            arrangement += p.Tag.substr(0, 2);
        }
        EXPECT_EQ(kinds, (std::multiset<std::string>{"R7", "R8", "B7", "B8"}));
        arrangements.insert(arrangement);
    }
    EXPECT_EQ(arrangements.size(), 24u) << "all orders of the four patterns occur";
}

TEST_F(Table, IdleTableHoldsNoPair)
{
    game.ShowIdleTable();
    std::set<char> faces;
    for (const Piece &p : game.cmdGamePiece)
        faces.insert(p.Tag[1]);
    EXPECT_EQ(faces.size(), 4u);
    EXPECT_EQ(game.cmdGamePiece[2].Tag, "X82");
    EXPECT_EQ(game.cmdGamePiece[2].Caption, "8");
    EXPECT_EQ(game.cmdGamePiece[1].BackColor, kColourIdle);
}

TEST_F(Table, PiecesShowTheCursorOfThePlayerToMove)
{
    game.optPlayer_02_Click();
    game.cmdGamePiece_MouseMove(3);
    EXPECT_EQ(game.cmdGamePiece[3].MousePointer, PlayerCursor::Player2);
    game.optPlayer_01_Click();
    game.cmdGamePiece_MouseMove(3);
    EXPECT_EQ(game.cmdGamePiece[3].MousePointer, PlayerCursor::Player1);
}

TEST_F(Table, StartDealsAndMarksTheOpenerWithTheBindingColours)
{
    game.optPlayer_02_Click();
    game.cmdGamePlay_Click();
    EXPECT_EQ(game.v.FirstMovePlayer, 2);
    EXPECT_EQ(in.hDeviceActive, kMouse2);
    EXPECT_EQ(game.cmdVerify_M_P_02.BackColor, kColourGreen);
    EXPECT_EQ(game.cmdVerify_M_P_01.BackColor, kColourYellow);
    EXPECT_EQ(game.v.OpeningMove, kTrue);
    EXPECT_TRUE(game.cmdGamePause.Enabled);
    EXPECT_TRUE(game.moveTimerRunning());
    EXPECT_EQ(faceUpCount(), 0);

    // Closing the table hands the next opening to player 1.
    game.cmdGameReset_Click();
    EXPECT_TRUE(game.optPlayer_01.Value);
    EXPECT_EQ(in.hDeviceActive, kMouse1);
    EXPECT_EQ(game.cmdGamePlay.MousePointer, PlayerCursor::Player1);
    EXPECT_FALSE(game.cmdGamePause.Enabled);
    EXPECT_FALSE(game.moveTimerRunning());
    EXPECT_EQ(fx.cursorReleases, 1);
}

TEST_F(Table, WrongMouseOnlyBeeps)
{
    game.cmdGamePlay_Click();
    click(kMouse1, pieceWithFace('7'));
    fx.clear();
    const auto before = game.cmdGamePiece;
    const GameVariables varsBefore = game.v;

    click(kMouse2, pieceWithFace('7'));
    click(0, 0); // a click before any raw input names the device

    ASSERT_EQ(fx.beeps, (std::vector<Beep>{Beep::Default, Beep::Default}));
    EXPECT_TRUE(fx.messages.empty());
    EXPECT_EQ(fx.timerStarts + fx.timerStops, 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(game.cmdGamePiece[static_cast<std::size_t>(i)].Caption,
                  before[static_cast<std::size_t>(i)].Caption);
    EXPECT_EQ(game.v.PiecesTurned, varsBefore.PiecesTurned);
    EXPECT_EQ(game.v.FirstPieceTag, varsBefore.FirstPieceTag);
}

TEST_F(Table, OpeningPairScoresThreeWhileThePairIsStillFaceUp)
{
    game.cmdGamePlay_Click();
    const int first = pieceWithFace('8');
    const int second = pieceWithFace('8', true, first);
    click(kMouse1, first);
    EXPECT_EQ(faceUpCount(), 1);
    EXPECT_EQ(game.v.FirstPieceTag, game.cmdGamePiece[static_cast<std::size_t>(first)].Tag);

    int faceUpDuringMessage = -1;
    fx.onMessage = [&](const Message &) { faceUpDuringMessage = faceUpCount(); };
    click(kMouse1, second);

    EXPECT_EQ(fx.beeps.front(), Beep::Exclamation);
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "Excellent Player1, you win 3 points");
    EXPECT_EQ(fx.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(fx.messages[0].title, "Lumbrast");
    EXPECT_EQ(faceUpDuringMessage, 2);
    EXPECT_EQ(game.lblPointsStatP1, "3");
    // The table is closed: idle faces, pieces disabled, player 2 opens next.
    EXPECT_EQ(game.cmdGamePiece[0].Tag, "R70");
    EXPECT_FALSE(game.cmdGamePiece[0].Enabled);
    EXPECT_TRUE(game.optPlayer_02.Value);
    EXPECT_EQ(in.hDeviceActive, kMouse2);
    EXPECT_TRUE(game.v.FirstPieceTag.empty());
    EXPECT_EQ(game.v.PiecesTurned, 0);
}

TEST_F(Table, MissedOpeningPassesTheTurnWithOnePieceLeftUp)
{
    game.cmdGamePlay_Click();
    const int first = pieceWithFace('7');
    const int second = pieceWithFace('8');
    click(kMouse1, first);
    game.tmrGameMove_Timer();
    game.tmrGameMove_Timer();
    fx.clear();
    click(kMouse1, second);

    EXPECT_TRUE(game.cmdGamePiece[static_cast<std::size_t>(first)].Caption.empty());
    EXPECT_EQ(game.cmdGamePiece[static_cast<std::size_t>(second)].Caption, "8");
    EXPECT_EQ(game.v.FirstPieceTag, game.cmdGamePiece[static_cast<std::size_t>(second)].Tag);
    EXPECT_EQ(game.v.OpeningMove, kFalse);
    EXPECT_EQ(game.v.MissAfterOpening, kFalse) << "a missed opening is not a follow-up miss";
    EXPECT_EQ(game.v.MoveSecondsElapsed, 0);
    EXPECT_TRUE(game.optPlayer_02.Value);
    EXPECT_EQ(in.hDeviceActive, kMouse2);
    EXPECT_TRUE(fx.timerRunning);
    EXPECT_TRUE(fx.messages.empty());
}

TEST_F(Table, FollowUpPairIsWorthTwoThenOneAfterAFollowUpMiss)
{
    game.cmdGamePlay_Click();
    missOpening(kMouse1); // "8" stays up, player 2 to move
    // Player 2 misses: turns a "7"; the "8" goes down, the "7" stays up.
    click(kMouse2, pieceWithFace('7'));
    EXPECT_EQ(faceUpCount(), 1);
    EXPECT_EQ(game.v.MissAfterOpening, kTrue);
    EXPECT_EQ(in.hDeviceActive, kMouse1);
    fx.clear();

    click(kMouse1, pieceWithFace('7'));
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "Not bad Player1, you win 1 point");
    EXPECT_EQ(fx.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(fx.beeps.front(), Beep::Ok);
    EXPECT_EQ(game.v.PointsP1, 1);
    EXPECT_EQ(game.v.MissAfterOpening, kFalse);

    // The next table's first follow-up pair is worth 2 again.
    game.cmdGamePlay_Click(); // player 2 opens
    missOpening(kMouse2);
    fx.clear();
    click(kMouse1, pieceWithFace('8'));
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "Very good Player1, you win 2 points");
    EXPECT_EQ(fx.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(fx.beeps.front(), Beep::Asterisk);
    EXPECT_EQ(game.v.PointsP1, 3);
}

TEST_F(Table, FaceUpPiecesAndUndealtPiecesIgnoreClicks)
{
    // Bound but not started: pieces are enabled yet carry no tags.
    click(kMouse1, 0);
    EXPECT_EQ(game.v.PiecesTurned, 0);
    EXPECT_TRUE(fx.messages.empty());

    game.cmdGamePlay_Click();
    const int first = pieceWithFace('7');
    click(kMouse1, first);
    click(kMouse1, first); // double click on the first piece
    EXPECT_EQ(game.v.PiecesTurned, 1);
    EXPECT_EQ(game.v.PointsP1, 0);
    EXPECT_TRUE(fx.messages.empty());

    click(kMouse1, pieceWithFace('8'));
    const input::DeviceHandle toMove = in.hDeviceActive;
    const std::string upTag = game.v.FirstPieceTag;
    click(toMove, upTag[2] - '0'); // the face-up piece itself
    EXPECT_EQ(game.v.FirstPieceTag, upTag);
    EXPECT_EQ(game.v.PointsP2, 0);
}

TEST_F(Table, TimerCountsDownAndPassesTheTurnOnTheTickThatShowsZero)
{
    game.v.PlayerMoveTime = 10;
    game.cmdGamePlay_Click();
    click(kMouse1, pieceWithFace('7')); // opening, first piece up
    std::vector<std::string> shown;
    for (int tick = 0; tick < 11; ++tick) {
        EXPECT_TRUE(game.optPlayer_01.Value) << "tick " << tick;
        game.tmrGameMove_Timer();
        shown.push_back(game.lblGameMoveTimer);
    }
    EXPECT_EQ(shown.front(), "10");
    EXPECT_EQ(shown.back(), "0");
    EXPECT_TRUE(game.optPlayer_02.Value);
    EXPECT_EQ(in.hDeviceActive, kMouse2);
    EXPECT_EQ(game.v.MoveSecondsElapsed, 0);
    EXPECT_EQ(game.v.OpeningMove, kTrue) << "the table state stays";
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "10");

    // Player 2 completes the opening move and the pair scores 3 for him.
    click(kMouse2, pieceWithFace('7'));
    ASSERT_EQ(fx.messages.size(), 1u);
    EXPECT_EQ(fx.messages[0].text, "Excellent Player2, you win 3 points");
    EXPECT_EQ(game.v.PointsP2, 3);
}

TEST_F(Table, PauseFreezesTheCountdownAndResumeContinuesIt)
{
    game.cmdGamePlay_Click();
    game.tmrGameMove_Timer();
    game.tmrGameMove_Timer();
    game.cmdGamePause_Click();
    EXPECT_EQ(game.cmdGamePause.Caption, "Resume");
    EXPECT_FALSE(fx.timerRunning);
    EXPECT_FALSE(game.cmdGamePlay.Enabled);
    EXPECT_FALSE(game.cmdVerify_M_P_02.Enabled);
    for (const Piece &p : game.cmdGamePiece)
        EXPECT_FALSE(p.Enabled);
    EXPECT_TRUE(game.optPlayer_01.Enabled);
    game.tmrGameMove_Timer(); // a tick that arrives after the stop changes nothing
    EXPECT_EQ(game.v.MoveSecondsElapsed, 2);

    game.cmdGamePause_Click();
    EXPECT_EQ(game.cmdGamePause.Caption, "Pause");
    EXPECT_TRUE(fx.timerRunning);
    EXPECT_TRUE(game.cmdGamePiece[1].Enabled);
    game.tmrGameMove_Timer();
    EXPECT_EQ(game.lblGameMoveTimer, "18");
}

TEST_F(Table, ClickingAnOptionHandsTheTurnOverAtOnce)
{
    game.cmdGamePlay_Click();
    game.tmrGameMove_Timer();
    fx.clear();
    game.optPlayer_02_Click();
    EXPECT_EQ(in.hDeviceActive, kMouse2);
    EXPECT_TRUE(fx.beeps.empty());
    EXPECT_EQ(game.v.MoveSecondsElapsed, 1);
}

TEST_F(Table, CursorHomeOnlyBeeps)
{
    game.cmdCursorPos_Click();
    EXPECT_EQ(fx.beeps, std::vector<Beep>{Beep::Asterisk});
}

TEST_F(Table, NewWhilePausedLeadsBackToPlay)
{
    game.cmdGamePlay_Click();
    game.cmdGamePause_Click();
    game.mnuNevGame_Click();
    EXPECT_EQ(game.cmdGamePause.Caption, "Pause");
    EXPECT_FALSE(game.cmdGamePause.Enabled);
    EXPECT_TRUE(game.cmdGamePlay.Enabled);
    EXPECT_TRUE(game.cmdVerify_M_P_01.Enabled);
    EXPECT_FALSE(game.moveTimerRunning());
    game.cmdGamePlay_Click();
    EXPECT_TRUE(game.cmdGamePiece[0].Enabled);
    EXPECT_TRUE(game.moveTimerRunning());
}

} // namespace
} // namespace lumbrast::game::testing
