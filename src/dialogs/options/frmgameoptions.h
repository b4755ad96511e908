#pragma once
// frmGameOptions: move time, points for a set and sets for a match. Modal,
// placed on the game window's top-left corner; writes the settings only on "Save".

#include <array>

#include <QDialog>

#include "game/game.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace lumbrast::dialogs {

class frmGameOptions final : public QDialog {
    Q_OBJECT
public:
    // Form_Load runs here: the buttons show the current settings.
    frmGameOptions(game::GameVariables &settings, QWidget *gameWindow);

    QGroupBox *fraPlayerMoveTime = nullptr, *fraPointsSet = nullptr, *fraSetMatch = nullptr;
    std::array<QRadioButton *, 3> optPlayerMoveTime{};
    std::array<QRadioButton *, 3> optPointsSet{};
    std::array<QRadioButton *, 2> optSetMatch{};
    QPushButton *cmdGameOptionsSave = nullptr, *cmdGameOptionsCancel = nullptr;

public slots:
    void cmdGameOptionsSave_Click();
    void cmdGameOptionsCancel_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load(QWidget *gameWindow);

    game::GameVariables &settings_;
};

} // namespace lumbrast::dialogs
