#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <tuple>

#include "dialogs/options/frmgameoptions.h"

using lumbrast::dialogs::frmGameOptions;
using lumbrast::game::GameVariables;

TEST(GameOptions, LayoutAndUnlistedSettingsShowAndSaveTheMiddleValue) {
    GameVariables v;
    v.PlayerMoveTime = 25;
    v.PointsPerSet = 99;
    v.SetsPerMatch = 7;
    frmGameOptions d(v, nullptr);
    EXPECT_EQ(d.windowTitle(), "Lumbrast - game options");
    EXPECT_EQ(d.optPointsSet[2]->geometry(), QRect(120, 16, 41, 17));
    EXPECT_TRUE(d.optPlayerMoveTime[1]->isChecked() && d.optPointsSet[1]->isChecked() &&
                d.optSetMatch[1]->isChecked());
    d.cmdGameOptionsSave->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(std::tuple(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch), std::tuple(20, 15, 3));
}

TEST(GameOptions, OnlySaveWritesAndOnlyTheButtonsClose) {
    GameVariables v;
    for (bool save : {false, true}) {
        frmGameOptions d(v, nullptr);
        d.show();
        d.optPlayerMoveTime[2]->click();
        d.optSetMatch[0]->click();
        for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(&d, &press);
        }
        EXPECT_TRUE(d.isVisible() && v.PlayerMoveTime == 20);
        (save ? d.cmdGameOptionsSave : d.cmdGameOptionsCancel)->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(v.PlayerMoveTime, save ? 30 : 20);
    }
    EXPECT_EQ(v.SetsPerMatch, 2);
}
