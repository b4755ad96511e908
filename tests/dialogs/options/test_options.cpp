#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "dialogs/options/frmgameoptions.h"

using lumbrast::dialogs::frmGameOptions;
using lumbrast::game::GameVariables;

namespace {
QRect twips(int l, int t, int w, int h) { return QRect(qRound(l / 15.0), qRound(t / 15.0), qRound(w / 15.0), qRound(h / 15.0)); }
} // namespace

TEST(GameOptions, LayoutCaptionsAndFont)
{
    GameVariables v;
    frmGameOptions d(v, nullptr);
    EXPECT_EQ(d.windowTitle(), "Lumbrast - game options");
    EXPECT_EQ(d.size(), QSize(256, 169));
    EXPECT_EQ(d.fraPlayerMoveTime->geometry(), twips(120, 120, 2535, 615));
    EXPECT_EQ(d.fraSetMatch->geometry(), twips(120, 1800, 2535, 615));
    EXPECT_EQ(d.cmdGameOptionsSave->geometry(), twips(2880, 120, 855, 375));
    EXPECT_FALSE(d.cmdGameOptionsSave->isDefault());
    EXPECT_EQ(d.optPointsSet[2]->geometry(), twips(1800, 240, 615, 255));
    EXPECT_EQ(d.optPointsSet[2]->text(), "21");
    EXPECT_TRUE(d.optPlayerMoveTime[0]->font().bold());
    EXPECT_EQ(d.optPlayerMoveTime[0]->font().pointSizeF(), 9.75);
}

// Unlisted values show as the middle choice and saving writes that choice.
TEST(GameOptions, UnlistedSettingsShowAndSaveTheMiddleValue)
{
    GameVariables v;
    v.PlayerMoveTime = 25;
    v.PointsPerSet = 99;
    v.SetsPerMatch = 7;
    frmGameOptions d(v, nullptr);
    EXPECT_TRUE(d.optPlayerMoveTime[1]->isChecked());
    EXPECT_TRUE(d.optPointsSet[1]->isChecked());
    EXPECT_TRUE(d.optSetMatch[1]->isChecked());
    d.cmdGameOptionsSave->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(v.PlayerMoveTime, 20);
    EXPECT_EQ(v.PointsPerSet, 15);
    EXPECT_EQ(v.SetsPerMatch, 3);
}

TEST(GameOptions, EscapeAndEnterDoNotCloseOrSave)
{
    GameVariables v;
    frmGameOptions d(v, nullptr);
    d.show();
    d.optPlayerMoveTime[2]->click();
    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&d, &press);
    }
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(v.PlayerMoveTime, 20);
    d.cmdGameOptionsSave->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(v.PlayerMoveTime, 30);
}
