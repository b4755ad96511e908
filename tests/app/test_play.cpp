// A table played on the window with two scripted mice through the real handlers,
// checked as the players see it and as a screen reader is told it.
#include <QAccessible>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "platform/help/fakes.h"
#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using platform::SoundKind;

namespace {
// What a screen reader is told of each widget, joined by '|'.
QString told(const std::vector<QWidget *> &widgets, QAccessible::Text what = QAccessible::Name) {
    QStringList texts;
    for (QWidget *w : widgets)
        texts << QAccessible::queryAccessibleInterface(w)->text(what);
    return texts.join(u'|');
}
} // namespace

TEST(WindowPlay, ATableAsThePlayersSeeItAndAsAScreenReaderIsToldIt) {
    Window t;
    app::frmLumbrast &w = t.w;
    const std::vector<QWidget *> pieces = {t.piece(0), t.piece(1), t.piece(2), t.piece(3)};
    // The idle table by its symbols, never by the raw face characters.
    EXPECT_EQ(told(pieces), "Piece 1, face up: keyboard|Piece 2, face up: frowning face|"
                            "Piece 3, face up: mouse|Piece 4, face up: smiling face");
    EXPECT_EQ(told({t.piece(0), t.piece(3)}, QAccessible::Description),
              "Top left of the table|Bottom right of the table");
    EXPECT_EQ(told({w.cmdCursorPos, w.fraFirstMove, w.fraGameTable, w.lvwMice, w.txtPlayerName_01,
                    w.optPlayer_02, w.cmdVerify_M_P_01, w.cmdVerify_M_P_02, w.lblGameMoveTimer,
                    w.lblSetStatP2}),
              "Cursor home|Select First Move|Table|List of all available mice on this computer|"
              "Name of player 1|P2: player 2 to move|Verify mouse for player 1|"
              "Verify mouse for player 2|Move timer, stopped|Player2, sets: 0");

    t.sim.click(kMouse1, w.cmdVerify_M_P_01);
    EXPECT_FALSE(w.cmdGamePlay->isEnabled());
    // The keyboard binds whichever mouse moved last.
    t.sim.move(kMouse2, w.lblPlayersName);
    w.cmdVerify_M_P_02->setFocus();
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(w.cmdVerify_M_P_02, &key);
    }
    EXPECT_EQ(w.lblDevDesc_02->text(), "Wireless Mouse");
    t.sim.click(kMouse2, w.cmdGamePlay); // any mouse may start
    EXPECT_EQ(w.cmdVerify_M_P_01->fillColour(), QColor(0, 0xFF, 0));
    EXPECT_EQ(told({w.fraGameLumbrast}, QAccessible::Description), "Player1 is to move");

    // Only the player on the move pauses and resumes his clock: the other's mouse goes home.
    w.tmrGameMove_Timer();
    EXPECT_EQ(told({w.lblGameMoveTimer}), "Move timer, 20 seconds left");
    t.sim.click(kMouse1, w.cmdGamePause);
    t.sim.click(kMouse2, w.cmdGamePause);
    EXPECT_EQ(w.cmdGamePause->text(), "Resume");
    t.sim.click(kMouse1, w.cmdGamePause);
    EXPECT_TRUE(w.tmrGameMove->isActive());
    QMetaObject::invokeMethod(w.tmrGameMove, "timeout"); // the timer's own signal
    EXPECT_EQ(w.lblGameMoveTimer->text(), "19");

    // The other mouse clicks where player 1 left the cursor: the default beep, nothing turns.
    const int keyboard = t.pieceWithFace('7');
    t.sim.move(kMouse1, t.piece(keyboard));
    t.sim.clickHere(kMouse2);
    EXPECT_EQ(t.sounds.played.back(), SoundKind::Default);
    EXPECT_EQ(t.game().v.PiecesTurned, 0);

    // Player 1 opens with a miss, keyboard then mouse: the turn passes, the mouse stays up.
    const int mouse = t.pieceWithFace('8');
    t.sim.click(kMouse1, t.piece(keyboard));
    EXPECT_EQ(t.piece(keyboard)->text(), "7");
    t.sim.click(kMouse1, t.piece(mouse));
    EXPECT_TRUE(w.optPlayer_02->isChecked());
    EXPECT_EQ(told(pieces).count("face up: mouse"), 1);
    EXPECT_EQ(told({w.fraGameTable}, QAccessible::Description), "Player2 is to move");

    // Player 2 finds the other mouse, both up while the score is announced; the 2 points
    // win him a set, and he opens next.
    t.game().v.PointsPerSet = 2;
    w.txtPlayerName_02->setText(QStringLiteral("Ann"));
    QString whileAnnounced;
    t.boxes.onShow = [&](const auto &) { whileAnnounced = told(pieces); };
    t.sim.click(kMouse2, t.piece(t.pieceWithFace('8', mouse)));
    EXPECT_EQ(whileAnnounced.count("face up: mouse"), 2);
    ASSERT_FALSE(t.boxes.boxes.empty());
    EXPECT_EQ(t.boxes.boxes[0].text, "Very good Ann, you win 2 points");
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Information);
    EXPECT_EQ(told({w.lblSetStatP2, w.lblPointsStatP2, w.lblSetStatP1}),
              "Ann, sets: 1|Ann, points: 0|Player1, sets: 0");
    EXPECT_EQ(told({w.fraGameLumbrast}, QAccessible::Description), "Ann is to move");
    // The table closed: idle faces, timer stopped, cursor free, his pointer on "Start".
    EXPECT_EQ(t.piece(0)->text() + t.piece(1)->text() + t.piece(2)->text() + t.piece(3)->text(),
              "7L8J");
    EXPECT_FALSE(w.tmrGameMove->isActive() || t.sim.confined());
    EXPECT_EQ(w.cmdGamePlay->cursor().hotSpot(), QPoint(24, 7));

    // F1 opens the help beside the program, as the menu does.
    platform::RecordingHelpViewer viewer;
    w.setHelpViewer(viewer);
    QTest::keyClick(&w, Qt::Key_F1);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].topic, "Lumbrast_help_main_EN.htm");
    w.txtPlayerName_02->clear(); // an empty name still tells whose turn and cell it is
    EXPECT_EQ(told({w.fraGameTable}, QAccessible::Description), "Player 2 is to move");
    t.sim.click(kMouse2, w.cmdExit);
    EXPECT_FALSE(w.isVisible() || t.sim.installed() || t.sim.confined());
}
