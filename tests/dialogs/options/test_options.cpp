#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <tuple>

#include "dialogs/options/frmgameoptions.h"

using lumbrast::dialogs::frmGameOptions;
using lumbrast::game::GameVariables;

TEST(GameOptions, EachSettingShowsItsButtonAndOnlySaveWritesOrCloses) {
    GameVariables v;
    std::tie(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch) = std::tuple(25, 99, 7);
    for (bool save : {false, true}) {
        frmGameOptions d(v, nullptr);
        EXPECT_EQ(d.windowTitle(), "Lumbrast - game options");
        EXPECT_EQ(d.size(), QSize(256, 169));
        EXPECT_TRUE(d.optPlayerMoveTime[1]->isChecked() && d.optPointsSet[1]->isChecked() &&
                    d.optSetMatch[1]->isChecked());
        d.show();
        for (auto *b : {d.optPlayerMoveTime[2], d.optPointsSet[0], d.optSetMatch[1]})
            b->click();
        for (int key : {Qt::Key_Escape, Qt::Key_Return}) { // neither closes nor saves
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(&d, &press);
        }
        EXPECT_TRUE(d.isVisible());
        (save ? d.cmdGameOptionsSave : d.cmdGameOptionsCancel)->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(std::tuple(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch),
                  save ? std::tuple(30, 7, 3) : std::tuple(25, 99, 7));
    }
    std::tie(v.PlayerMoveTime, v.PointsPerSet, v.SetsPerMatch) = std::tuple(10, 21, 2);
    frmGameOptions d(v, nullptr); // a listed setting shows its own button
    EXPECT_TRUE(d.optPlayerMoveTime[0]->isChecked() && d.optPointsSet[2]->isChecked() &&
                d.optSetMatch[0]->isChecked());
}
