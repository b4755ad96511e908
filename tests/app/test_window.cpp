// The game window: layout, menus, options, start-up, confinement and closing.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>

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
    EXPECT_EQ(w.cmdGamePlay->cursor().hotSpot(), QPoint(7, 7)); // player 1's pointer
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
    EXPECT_TRUE(w.cmdGamePiece[0]->mask().isEmpty());

    // The idle table in the colours the players see, a piece showing its face in dark ink.
    const QImage shot = w.grab().toImage();
    auto at = [&](QWidget *widget, QPoint local) {
        return shot.pixelColor(widget->mapTo(&w, local)).rgb() & 0xFFFFFF;
    };
    EXPECT_EQ(at(t.piece(0), {6, 6}), 0xE4E8AAu);
    EXPECT_EQ(at(w.fraGameTable, {76, 40}), 0x00C0C0u);
    int ink = 0;
    for (int y = 16; y < 48; ++y)
        for (int x = 16; x < 48; ++x)
            ink += qGray(at(t.piece(0), {x, y})) < 128;
    EXPECT_GT(ink, 20);

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

TEST(WindowStartUp, OneMouseIsRefusedWindowStaysWithoutHook) {
    Window t({platform::SimulatedRawInput::twoMice().front()});
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text,
              "You must have minimum of two computer mouses \r\nconnected to your PC\r\n"
              "Sorry, but program will not work.");
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Critical);
    EXPECT_TRUE(t.w.isVisible() && !t.sim.installed());
    t.w.cmdExit->click(); // "Exit" still closes it, with nothing to unhook
    EXPECT_FALSE(t.w.isVisible());
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
