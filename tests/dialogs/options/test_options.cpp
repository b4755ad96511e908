#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <tuple>

#include "dialogs/options/frmgameoptions.h"

using lumbrast::dialogs::frmGameOptions;
using lumbrast::game::GameVariables;

TEST(GameOptions, UnlistedSettingsShowTheMiddleValueAndOnlySaveWritesOrCloses) {
    GameVariables v;
    std::tie(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch) = std::tuple(25, 99, 7);
    for (bool save : {false, true}) {
        frmGameOptions d(v, nullptr);
        EXPECT_EQ(d.windowTitle(), "Lumbrast - game options");
        EXPECT_EQ(d.size(), QSize(256, 169));
        EXPECT_EQ(QRect(d.optSetMatch[1]->mapTo(&d, QPoint()), d.optSetMatch[1]->size()),
                  QRect(72, 136, 41, 17));
        EXPECT_EQ(d.cmdGameOptionsCancel->geometry(), QRect(192, 64, 57, 25));
        EXPECT_TRUE(d.optPlayerMoveTime[1]->isChecked() && d.optPointsSet[1]->isChecked() &&
                    d.optSetMatch[1]->isChecked());
        d.show();
        d.optSetMatch[0]->click();
        for (int key : {Qt::Key_Escape, Qt::Key_Return}) { // neither closes nor saves
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(&d, &press);
        }
        EXPECT_TRUE(d.isVisible());
        (save ? d.cmdGameOptionsSave : d.cmdGameOptionsCancel)->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(std::tuple(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch),
                  save ? std::tuple(20, 15, 2) : std::tuple(25, 99, 7));
    }
}

// Each listed setting shows its own button, and each button saves its own value.
TEST(GameOptions, EachListedSettingShowsAndSavesItsOwnButton) {
    const std::tuple<int, int, int> listed[] = {{10, 7, 2}, {30, 21, 3}};
    for (int i : {0, 1}) {
        GameVariables v;
        std::tie(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch) = listed[i];
        frmGameOptions d(v, nullptr);
        const int shown = 2 * i, other = 2 - shown;
        EXPECT_TRUE(d.optPlayerMoveTime[shown]->isChecked() && d.optPointsSet[shown]->isChecked() &&
                    d.optSetMatch[i]->isChecked());
        for (auto *b : {d.optPlayerMoveTime[other], d.optPointsSet[other], d.optSetMatch[1 - i]})
            b->click();
        d.cmdGameOptionsSave->click();
        EXPECT_EQ(std::tuple(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch), listed[1 - i]);
    }
}
