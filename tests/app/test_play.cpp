// Playing on the window with two scripted mice through the real handlers.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>

#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using platform::SoundKind;

TEST(WindowPlay, ATableWithTwoMice) {
    Window t;
    t.sim.click(kMouse1, t.w.cmdVerify_M_P_01);
    EXPECT_FALSE(t.w.cmdGamePlay->isEnabled());
    // The keyboard binds whichever mouse moved last.
    t.sim.move(kMouse2, t.w.lblPlayersName);
    t.w.cmdVerify_M_P_02->setFocus();
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(t.w.cmdVerify_M_P_02, &key);
    }
    EXPECT_EQ(t.w.lblDevDesc_02->text(), "Wireless Mouse");
    t.sim.click(kMouse2, t.w.cmdGamePlay); // any mouse may start
    EXPECT_TRUE(t.w.tmrGameMove->isActive());
    EXPECT_EQ(t.in().hDeviceActive, kMouse1);
    EXPECT_EQ(t.w.cmdVerify_M_P_01->fillColour(), QColor(0, 0xFF, 0));

    // The wrong mouse heads for a piece: the cursor goes home, its click lands
    // on the home button and only beeps.
    const int keyboard = t.pieceWithFace('7');
    t.sounds.played.clear();
    t.sim.click(kMouse2, t.piece(keyboard));
    EXPECT_EQ(t.sim.cursorPos(), t.home());
    EXPECT_EQ(t.sounds.played, std::vector<SoundKind>{SoundKind::Asterisk});
    // It clicks where player 1 left the cursor: the default beep, nothing turns.
    t.sim.move(kMouse1, t.piece(keyboard));
    t.sim.clickHere(kMouse2);
    EXPECT_EQ(t.sounds.played.back(), SoundKind::Default);
    EXPECT_EQ(t.game().v.PiecesTurned, 0);

    // Player 1 opens with a miss: keyboard then mouse.
    const int mouseFace = t.pieceWithFace('8');
    t.sim.click(kMouse1, t.piece(keyboard));
    EXPECT_EQ(t.piece(keyboard)->text(), "7");
    t.sim.click(kMouse1, t.piece(mouseFace));
    EXPECT_TRUE(t.w.optPlayer_02->isChecked());

    // Player 2 finds the other mouse: 2 points, the pair visible under the message.
    bool pairShown = false;
    t.boxes.onShow = [&](const platform::RecordingMessageBoxes::Box &) {
        pairShown = t.piece(mouseFace)->text() == "8" &&
                    t.piece(t.pieceWithFace('8', mouseFace))->text() == "8";
    };
    t.sim.click(kMouse2, t.piece(t.pieceWithFace('8', mouseFace)));
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text, "Very good Player2, you win 2 points");
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Information);
    EXPECT_TRUE(pairShown);
    EXPECT_EQ(t.w.lblPointsStatP2->text(), "2");

    // The table closed: idle faces, timer stopped, cursor free, player 2's pointer on "Start".
    EXPECT_EQ(t.piece(0)->text() + t.piece(1)->text() + t.piece(2)->text() + t.piece(3)->text(),
              "7L8J");
    EXPECT_FALSE(t.w.tmrGameMove->isActive() || t.sim.confined());
    EXPECT_EQ(t.w.cmdGamePlay->cursor().hotSpot(), QPoint(24, 7));
    t.w.mnuNevGame->trigger();
    EXPECT_EQ(t.w.lblPointsStatP2->text(), "0");
}

TEST(WindowPlay, PauseStopsTheClockOnlyForThePlayerOnTheMove) {
    Window t;
    t.bindBoth();
    t.sim.click(kMouse1, t.w.cmdGamePlay);
    t.w.tmrGameMove_Timer();
    t.sim.click(kMouse1, t.w.cmdGamePause);
    EXPECT_EQ(t.w.cmdGamePause->text(), "Resume");
    EXPECT_FALSE(t.w.tmrGameMove->isActive());
    t.sim.click(kMouse2, t.w.cmdGamePause); // the other player's mouse is sent home
    EXPECT_EQ(t.w.cmdGamePause->text(), "Resume");
    t.sim.click(kMouse1, t.w.cmdGamePause);
    EXPECT_TRUE(t.w.tmrGameMove->isActive());
    QMetaObject::invokeMethod(t.w.tmrGameMove, "timeout"); // the timer's own signal
    EXPECT_EQ(t.w.lblGameMoveTimer->text(), "19");
}
