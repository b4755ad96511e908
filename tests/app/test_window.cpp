// The game window: layout, menus, start-up, confinement, closing and options.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "dialogs/options/frmgameoptions.h"
#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using app::twips;

namespace {
QStringList entries(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}
} // namespace

TEST(WindowLayout, ControlsStandWhereTheTwipsSayWithTheirCaptions)
{
    Window t;
    app::frmLumbrast &w = t.w;
    EXPECT_EQ(w.windowTitle(), "Lumbrast");
    EXPECT_EQ(w.centralWidget()->size(), QSize(429, 400));

    EXPECT_EQ(w.fraGameIntro->geometry(), twips(90, 30, 6255, 1695));
    EXPECT_EQ(w.fraGameIntro->title(), "List of all available mice on this computer ");
    EXPECT_EQ(w.lvwMice->geometry(), twips(120, 240, 6030, 1335));
    EXPECT_EQ(w.fraGameLumbrast->geometry(), twips(90, 1800, 6255, 4095));
    EXPECT_FALSE(w.lstMouseCollection->isVisible());
    for (QWidget *hidden : std::initializer_list<QWidget *>{w.cmdGetRawData, w.cmdHook, w.cmdUnHook, w.cmdLoadMusic,
                                                            w.cmdGameReset})
        EXPECT_FALSE(hidden->isVisible());

    // Player panel
    EXPECT_EQ(w.lblDevDescCaption->geometry(), twips(120, 360, 3495, 210));
    EXPECT_EQ(w.lblPlayersName->geometry(), twips(4920, 360, 1215, 210));
    EXPECT_EQ(w.lblDevhDevice_01->geometry(), twips(3600, 720, 735, 210));
    EXPECT_EQ(w.cmdVerify_M_P_01->geometry(), twips(4560, 600, 315, 315));
    EXPECT_EQ(w.cmdVerify_M_P_02->geometry(), twips(4560, 960, 315, 315));
    EXPECT_EQ(w.cmdVerify_M_P_02->toolTip(), "Verify mouse for second player");
    // The players' own pointers: 32 x 32, hot spots 7,7 and 24,7; "Start" shows player 1's.
    EXPECT_EQ(w.cmdVerify_M_P_01->cursor().pixmap().size(), QSize(32, 32));
    EXPECT_EQ(w.cmdVerify_M_P_01->cursor().hotSpot(), QPoint(7, 7));
    EXPECT_EQ(w.cmdVerify_M_P_02->cursor().hotSpot(), QPoint(24, 7));
    EXPECT_EQ(w.cmdGamePlay->cursor().hotSpot(), QPoint(7, 7));
    EXPECT_EQ(w.txtPlayerName_01->geometry(), twips(4920, 600, 1215, 285));

    // Table
    EXPECT_EQ(w.fraGameTable->parentWidget(), w.fraGameLumbrast);
    EXPECT_EQ(w.fraGameTable->geometry(), twips(2040, 1560, 2295, 2415));
    EXPECT_EQ(t.piece(0)->geometry(), twips(120, 240, 960, 960));
    EXPECT_EQ(t.piece(3)->geometry(), twips(1200, 1320, 960, 960));
    EXPECT_EQ(w.cmdCursorPos->geometry(), twips(1080, 1160, 135, 195));
    EXPECT_EQ(w.cmdCursorPos->text(), ".");

    // Game buttons, timer, first move
    EXPECT_EQ(w.cmdGamePlay->geometry(), twips(5040, 2280, 1095, 375));
    EXPECT_EQ(w.lblGameMoveTimer->geometry(), twips(4560, 2280, 375, 330));
    EXPECT_EQ(w.lblGameMoveTimer->text(), "00");
    EXPECT_EQ(w.lblGameMoveTimer->font().pointSizeF(), 14.25);
    EXPECT_EQ(w.fraFirstMove->geometry(), twips(4560, 1605, 1575, 495));
    EXPECT_EQ(w.fraFirstMove->title(), "Select First Move");
    EXPECT_EQ(w.optPlayer_01->geometry(), twips(120, 210, 615, 255));
    EXPECT_TRUE(w.optPlayer_01->isChecked());

    // Score panel: Points, Sets, Match from top to bottom, all "0".
    EXPECT_EQ(w.lblPointsStat->text(), "Points:");
    EXPECT_EQ(w.lblSetStat->text(), "Sets:");
    EXPECT_EQ(w.lblMatchStat->text(), "Match");
    EXPECT_LT(w.lblPointsStat->y(), w.lblSetStat->y());
    EXPECT_LT(w.lblSetStat->y(), w.lblMatchStat->y());
    EXPECT_LT(w.lblPointsStatP1->x(), w.lblPointsStatP2->x());
    for (QLabel *cell : {w.lblPointsStatP1, w.lblPointsStatP2, w.lblSetStatP1, w.lblSetStatP2, w.lblMatchStatP1,
                         w.lblMatchStatP2}) {
        EXPECT_EQ(cell->text(), "0");
        EXPECT_EQ(cell->font().pointSizeF(), 14.25);
    }
    EXPECT_EQ(w.lblPointsStatP1->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(w.lblPointsStatP1->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(w.lblSetStatP2->palette().color(QPalette::WindowText), QColor(0, 0, 0xC0));

    // Idle colours of the table, exact.
    EXPECT_EQ(w.fraGameTable->palette().color(QPalette::Window), QColor(0, 0xC0, 0xC0));
    EXPECT_EQ(t.piece(0)->fillColour(), QColor(0xE4, 0xE8, 0xAA));
    EXPECT_EQ(t.piece(1)->fillColour(), QColor(0xFF, 0xE0, 0xC0));
    EXPECT_EQ(t.piece(2)->fillColour(), QColor(0xC8, 0xE5, 0xF8));
    EXPECT_EQ(t.piece(3)->fillColour(), QColor(0xFF, 0xE0, 0xC0));
    EXPECT_EQ(w.cmdCursorPos->fillColour(), QColor(0, 0x40, 0x40));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(t.piece(i)->isEnabled());
    EXPECT_FALSE(w.cmdGamePlay->isEnabled());
    EXPECT_FALSE(w.cmdGamePause->isEnabled());

    // The mice list.
    ASSERT_EQ(w.lvwMice->columnCount(), 4);
    EXPECT_EQ(w.lvwMice->headerItem()->text(0), "hDevice");
    EXPECT_EQ(w.lvwMice->headerItem()->text(1), "Description");
    EXPECT_EQ(w.lvwMice->header()->sectionSize(1), qRound(4126 / 15.0));
    EXPECT_EQ(w.lvwMice->topLevelItemCount(), 2);
}

TEST(WindowLayout, FacesArePicturesAndShapesAreRounded)
{
    Window t;
    QImage image(64, 64, QImage::Format_ARGB32);
    QPainter p(&image);
    for (char face : {'7', '8', 'L', 'J'})
        EXPECT_TRUE(app::drawPieceFace(p, QRectF(0, 0, 64, 64), QChar(face), Qt::black)) << face;
    p.end();

    // 24 x 24 corners on the window, 3 x 3 and 4 x 4 on the buttons.
    EXPECT_FALSE(t.w.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(t.w.mask().contains(QPoint(2, t.w.height() - 3)));
    EXPECT_TRUE(t.w.mask().contains(QPoint(12, 12)));
    EXPECT_TRUE(t.w.cmdGamePlay->mask().contains(QPoint(2, 2)));
    EXPECT_FALSE(t.w.cmdGamePlay->mask().isEmpty());
    EXPECT_FALSE(t.w.cmdExit->mask().isEmpty());
    EXPECT_TRUE(t.w.cmdGamePiece[0]->mask().isEmpty());
}

TEST(WindowLayout, MenusInTheirOrder)
{
    Window t;
    const QList<QAction *> menus = t.w.menuBar()->actions();
    QStringList titles;
    for (QAction *m : menus)
        titles << m->text();
    EXPECT_EQ(titles, (QStringList{"File", "Mice", "Options", "Music", "Help"}));
    EXPECT_EQ(entries(menus[0]->menu()), (QStringList{"New", "Exit"}));
    EXPECT_EQ(t.w.mnuExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    EXPECT_EQ(entries(menus[1]->menu()), (QStringList{"Refresh Devices", "Hook", "UnHook", "-", "Trap Mouse Cursor",
                                                      "Release Mouse Cursor"}));
    EXPECT_FALSE(t.w.mnuHook->isEnabled());
    EXPECT_FALSE(t.w.mnuUnHook->isEnabled());
    EXPECT_EQ(entries(menus[2]->menu()), (QStringList{"Game options"}));
    EXPECT_EQ(entries(menus[3]->menu()), (QStringList{"Play", "Stop", "-", "Setup"}));
    EXPECT_EQ(entries(menus[4]->menu()), (QStringList{"Help", "About"}));
}

TEST(WindowStartUp, TwoMiceHookAndConfineWithoutAnyMessage)
{
    Window t;
    EXPECT_TRUE(t.boxes.boxes.empty());
    EXPECT_EQ(t.in().MiceCount, 2);
    EXPECT_EQ(t.in().IsHooked, input::kTrue);
    EXPECT_TRUE(t.sim.installed());
    EXPECT_EQ(t.sim.registeredWindow(), &t.w);
    // Shown means resized: the cursor is kept inside the window from the start.
    EXPECT_TRUE(t.sim.confined());
    EXPECT_EQ(t.sim.confinement().size(), t.w.frameGeometry().size());

    // The menu's Hook while hooked keeps the warning.
    t.w.mnuHook_Click();
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text, input::kHookTwiceText);
    EXPECT_TRUE(t.sim.installed());

    // Refreshing lists what is plugged in now.
    t.sim.plug({31, "BLUETOOTH", "VID_05AC", "Magic Mouse", false});
    t.w.mnuRefreshDevices_Click();
    EXPECT_EQ(t.w.lvwMice->topLevelItemCount(), 3);
}

TEST(WindowStartUp, OneMouseIsRefusedWindowStaysWithoutHook)
{
    Window t(std::vector<platform::PointingDevice>{
        {17, "USB", "VID_046D&PID_C077", "Optical USB Mouse", false},
        {9, "VIRTUAL", "CORE_POINTER", "Virtual core pointer", true}});
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text, "You must have minimum of two computer mouses \r\nconnected to your PC\r\n"
                                     "Sorry, but program will not work.");
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Critical);
    EXPECT_EQ(t.boxes.boxes[0].title, "Lumbrast");
    EXPECT_EQ(t.in().MiceCount, 1);
    EXPECT_EQ(t.in().IsHooked, input::kFalse);
    EXPECT_FALSE(t.sim.installed());
    EXPECT_TRUE(t.w.isVisible());

    // "Exit" still closes it, with nothing to unhook.
    t.sim.click(17, t.w.cmdExit);
    EXPECT_FALSE(t.w.isVisible());
    EXPECT_FALSE(t.sim.confined());
    EXPECT_EQ(t.boxes.boxes.size(), 1u);
}

TEST(WindowStartUp, NoMouseAtAllIsRefusedToo)
{
    Window t(std::vector<platform::PointingDevice>{});
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Critical);
    EXPECT_EQ(t.w.lvwMice->topLevelItemCount(), 0);
}

TEST(WindowConfinement, MinimizeAndMaximizeFreeNormalTrapsTrapAndReleaseMenus)
{
    Window t;
    ASSERT_TRUE(t.sim.confined());
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
    EXPECT_TRUE(t.sim.confined());
    EXPECT_EQ(t.sim.confinement(), t.w.frameGeometry());
}

// Each way of closing removes the hook and frees the cursor.
TEST(WindowClosing, ExitButtonMenuAndWindowCloseUnhookAndRelease)
{
    for (int path = 0; path < 3; ++path) {
        Window t;
        t.bindBoth();
        ASSERT_TRUE(t.sim.installed());
        ASSERT_TRUE(t.sim.confined());
        if (path == 0)
            t.sim.click(kMouse1, t.w.cmdExit);
        else if (path == 1)
            t.w.mnuExit->trigger();
        else
            t.w.close();
        EXPECT_FALSE(t.w.isVisible()) << path;
        EXPECT_EQ(t.in().IsHooked, input::kFalse) << path;
        EXPECT_FALSE(t.sim.installed()) << path;
        EXPECT_FALSE(t.sim.confined()) << path;
        EXPECT_TRUE(t.boxes.boxes.empty()) << path;
    }
}

TEST(WindowNames, NameBoxesFeedTheScoreLabelsAndStopAtTenCharacters)
{
    Window t;
    t.w.txtPlayerName_01->clear();
    EXPECT_EQ(t.w.lblPlayer1Stat->text(), "");
    t.w.txtPlayerName_01->insert(QStringLiteral("Ann"));
    EXPECT_EQ(t.w.lblPlayer1Stat->text(), "Ann");
    t.w.txtPlayerName_02->clear();
    t.w.txtPlayerName_02->insert(QStringLiteral("Bartholomew!"));
    EXPECT_EQ(t.w.txtPlayerName_02->text(), "Bartholome");
    EXPECT_EQ(t.w.lblPlayer2Stat->text(), "Bartholome");
    EXPECT_EQ(t.game().lblPlayer2Stat, "Bartholome");
}

namespace {
// Runs `act` on the options dialog once it is open and modal.
void whenOptionsOpen(std::function<void(dialogs::frmGameOptions &)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto *dlg = qobject_cast<dialogs::frmGameOptions *>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        act(*dlg);
    });
}
} // namespace

TEST(WindowOptions, SaveWritesTheChoiceCancelAndClosingLeaveTheSettings)
{
    Window t;
    QPoint placedAt;
    bool showedDefaults = false;
    whenOptionsOpen([&](dialogs::frmGameOptions &d) {
        placedAt = d.pos();
        showedDefaults = d.optPlayerMoveTime[1]->isChecked() && d.optPointsSet[1]->isChecked()
                         && d.optSetMatch[1]->isChecked();
        d.optPlayerMoveTime[0]->click();
        d.optPointsSet[2]->click();
        d.optSetMatch[0]->click();
        d.cmdGameOptionsSave->click();
    });
    t.w.mnuGameSetup_Click();
    EXPECT_TRUE(showedDefaults);
    EXPECT_EQ(placedAt, t.w.frameGeometry().topLeft());
    EXPECT_EQ(t.game().v.PlayerMoveTime, 10);
    EXPECT_EQ(t.game().v.PointsPerSet, 21);
    EXPECT_EQ(t.game().v.SetsPerMatch, 2);

    // Cancel: nothing written, and the next opening shows the saved values.
    bool showedSaved = false;
    whenOptionsOpen([&](dialogs::frmGameOptions &d) {
        showedSaved = d.optPlayerMoveTime[0]->isChecked() && d.optPointsSet[2]->isChecked()
                      && d.optSetMatch[0]->isChecked();
        d.optPlayerMoveTime[2]->click();
        d.optSetMatch[1]->click();
        d.cmdGameOptionsCancel->click();
    });
    t.w.mnuGameSetup_Click();
    EXPECT_TRUE(showedSaved);
    EXPECT_EQ(t.game().v.PlayerMoveTime, 10);
    EXPECT_EQ(t.game().v.SetsPerMatch, 2);

    // Closed otherwise: nothing written either.
    whenOptionsOpen([&](dialogs::frmGameOptions &d) {
        d.optPointsSet[0]->click();
        d.close();
    });
    t.w.mnuGameSetup_Click();
    EXPECT_EQ(t.game().v.PointsPerSet, 21);
}
