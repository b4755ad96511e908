// The game window: layout, menus, options, start-up, confinement and closing.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>
#include <tuple>

#include "dialogs/options/frmgameoptions.h"
#include "platform/desktop/twips.h"
#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using platform::twipsRect;

TEST(WindowLayout, ControlsMenusFacesShapesAndOptions) {
    Window t;
    app::frmLumbrast &w = t.w;
    EXPECT_EQ(w.windowTitle(), "Lumbrast");
    EXPECT_EQ(w.centralWidget()->size(), QSize(429, 400));
    EXPECT_EQ(t.piece(3)->geometry(), twipsRect(1200, 1320, 960, 960));
    EXPECT_EQ(w.cmdCursorPos->geometry(), twipsRect(1080, 1160, 135, 195));
    EXPECT_FALSE(w.lstMouseCollection->isVisible());
    // The players' own pointers, hot spots 7,7 and 24,7; "Start" shows player 1's.
    EXPECT_EQ(w.cmdVerify_M_P_02->cursor().hotSpot(), QPoint(24, 7));
    EXPECT_EQ(w.cmdGamePlay->cursor().hotSpot(), QPoint(7, 7));
    EXPECT_LT(w.lblSetStat->y(), w.lblMatchStat->y()); // Points, Sets, Match from the top
    EXPECT_FALSE(t.piece(0)->isEnabled() || w.cmdGamePlay->isEnabled());

    QStringList menus;
    for (QAction *m : w.menuBar()->actions()) {
        menus << m->text() + ":";
        for (QAction *a : m->menu()->actions())
            menus.back() += a->isSeparator() ? QStringLiteral("-,") : a->text() + ",";
    }
    EXPECT_EQ(
        menus,
        (QStringList{"File:New,Exit,",
                     "Mice:Refresh Devices,Hook,UnHook,-,Trap Mouse Cursor,Release Mouse Cursor,",
                     "Options:Game options,", "Music:Play,Stop,-,Setup,Follow the game,",
                     "Help:Help,About,"}));
    EXPECT_EQ(w.mnuExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));

    EXPECT_FALSE(w.mask().contains(QPoint(0, 0))); // rounded window and buttons, square pieces
    EXPECT_TRUE(w.mask().contains(QPoint(12, 12)));
    EXPECT_FALSE(w.cmdGamePlay->mask().isEmpty());
    EXPECT_TRUE(w.cmdGamePiece[0]->mask().isEmpty());

    // The idle table in the colours the players see, each piece showing its face in dark ink.
    const QImage shot = w.grab().toImage();
    auto at = [&](QWidget *widget, QPoint local) {
        return shot.pixelColor(widget->mapTo(&w, local)).rgb() & 0xFFFFFF;
    };
    const std::tuple<QWidget *, QPoint, QRgb> samples[] = {
        {w.cmdGamePiece[0], {6, 6}, 0xE4E8AA},    {w.cmdGamePiece[1], {6, 6}, 0xFFE0C0},
        {w.cmdGamePiece[2], {6, 6}, 0xC8E5F8},    {w.fraGameTable, {76, 40}, 0x00C0C0},
        {w.cmdCursorPos, {2, 2}, 0x004040},       {w.lblSetStatP2, {2, 2}, 0xFFFFFF},
        {w.fraGameLumbrast, {307, 220}, 0xC0C0C0}};
    for (const auto &[widget, point, colour] : samples)
        EXPECT_EQ(at(widget, point), colour) << widget->objectName().toStdString();
    for (auto *piece : w.cmdGamePiece) {
        int ink = 0;
        for (int y = 16; y < 48; ++y)
            for (int x = 16; x < 48; ++x)
                ink += qGray(at(piece, {x, y})) < 128;
        EXPECT_GT(ink, 20) << piece->objectName().toStdString();
    }

    // Game options open on the window and save into the game's own settings.
    QPoint placed;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<dialogs::frmGameOptions *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        placed = d->pos();
        d->optPlayerMoveTime[0]->click();
        d->cmdGameOptionsSave->click();
    });
    w.mnuGameSetup_Click();
    EXPECT_EQ(placed, w.frameGeometry().topLeft());
    EXPECT_EQ(t.game().v.PlayerMoveTime, 10);
}

TEST(WindowStartUp, FewerThanTwoMiceAreRefusedWindowStaysWithoutHook) {
    const platform::PointingDevice one{17, "USB", "VID_046D&PID_C077", "Optical USB Mouse", false};
    for (const auto &mice :
         {std::vector<platform::PointingDevice>{}, std::vector<platform::PointingDevice>{one}}) {
        Window t(mice);
        ASSERT_EQ(t.boxes.boxes.size(), 1u);
        EXPECT_EQ(t.boxes.boxes[0].text,
                  "You must have minimum of two computer mouses \r\nconnected to your PC\r\n"
                  "Sorry, but program will not work.");
        EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Critical);
        EXPECT_TRUE(t.w.isVisible() && !t.sim.installed());
        t.w.cmdExit->click(); // "Exit" still closes it, with nothing to unhook
        EXPECT_FALSE(t.w.isVisible());
    }
}

TEST(WindowConfinement, TrappedWhereTheWindowIsPlacedFreedWhenMinimizedMaximizedReleasedOrLeft) {
    Window t(platform::SimulatedRawInput::twoMice(), false);
    EXPECT_FALSE(t.sim.confined()) << "not before the window is placed";
    t.w.move(310, 170); // the window manager places the window after the first resize
    t.waitExposed();
    ASSERT_TRUE(t.sim.confined());
    EXPECT_EQ(t.sim.confinement(), t.w.frameGeometry());
    EXPECT_TRUE(t.boxes.boxes.empty() && t.in().IsHooked == input::kTrue);
    t.w.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(t.sim.confined());
    t.w.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(t.sim.confined());
    t.w.setWindowState(Qt::WindowMaximized);
    EXPECT_FALSE(t.sim.confined());
    t.w.setWindowState(Qt::WindowNoState);
    t.w.mnuReleaseCursorForm->trigger();
    EXPECT_FALSE(t.sim.confined());
    t.w.move(t.w.pos() + QPoint(40, 30));
    EXPECT_FALSE(t.sim.confined()); // moving does not confine
    t.w.mnuConfineCursorForm->trigger();
    EXPECT_EQ(t.sim.confinement(), t.w.frameGeometry());
    t.w.mnuExit->trigger(); // unhooks and releases, as the Exit button and the close box do
    EXPECT_TRUE(t.in().IsHooked == input::kFalse && t.boxes.boxes.empty());
    EXPECT_FALSE(t.w.isVisible() || t.sim.installed() || t.sim.confined());
}
