#include "app/accessibility.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"

namespace lumbrast::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(Accessibility)
};

// Sets a name or a description and announces the change to assistive tools.
void tell(QWidget *w, QAccessible::Event what, const QString &text) {
    const bool name = what == QAccessible::NameChanged;
    if ((name ? w->accessibleName() : w->accessibleDescription()) == text)
        return;
    if (name)
        w->setAccessibleName(text);
    else
        w->setAccessibleDescription(text);
    QAccessibleEvent changed(w, what);
    QAccessible::updateAccessibility(&changed);
}

// The player's name as the score line shows it, or his number when it is empty.
QString playerCalled(const frmLumbrast &w, int player) {
    const QString name = (player == 1 ? w.lblPlayer1Stat : w.lblPlayer2Stat)->text();
    return name.isEmpty() ? Words::tr("Player %1").arg(player) : name;
}

QString pieceName(int index, const QString &face) {
    if (face.isEmpty())
        return Words::tr("Piece %1, face down").arg(index + 1);
    return Words::tr("Piece %1, face up: %2").arg(index + 1).arg(faceInWords(face.at(0)));
}

QString timerName(const QString &shown) {
    bool number = false;
    const int left = shown.toInt(&number);
    if (!number || shown == QLatin1String("00"))
        return Words::tr("Move timer, stopped");
    if (left == 1)
        return Words::tr("Move timer, 1 second left");
    return Words::tr("Move timer, %1 seconds left").arg(left);
}

} // namespace

QString faceInWords(QChar face) {
    switch (face.unicode()) {
    case u'7':
        return Words::tr("keyboard");
    case u'8':
        return Words::tr("mouse");
    case u'L':
        return Words::tr("frowning face");
    case u'J':
        return Words::tr("smiling face");
    default:
        return QString(face);
    }
}

void nameFixedControls(frmLumbrast &w) {
    const QString places[] = {
        Words::tr("Top left of the table"), Words::tr("Top right of the table"),
        Words::tr("Bottom left of the table"), Words::tr("Bottom right of the table")};
    for (std::size_t i = 0; i < 4; ++i)
        w.cmdGamePiece[i]->setAccessibleDescription(places[i]);
    // A frame inside a titled frame would otherwise be read by the outer title.
    w.fraGameTable->setAccessibleName(Words::tr("Table"));
    w.fraFirstMove->setAccessibleName(w.fraFirstMove->title());
    w.lvwMice->setAccessibleName(w.fraGameIntro->title().trimmed());
    w.cmdCursorPos->setAccessibleName(Words::tr("Cursor home"));
    w.cmdCursorPos->setAccessibleDescription(
        Words::tr("The pointer is put back here whenever the mouse of the player who is not "
                  "to move is used; a click on it only beeps."));
    w.txtPlayerName_01->setAccessibleName(Words::tr("Name of player 1"));
    w.txtPlayerName_02->setAccessibleName(Words::tr("Name of player 2"));
    w.cmdVerify_M_P_01->setAccessibleName(Words::tr("Verify mouse for player 1"));
    w.cmdVerify_M_P_02->setAccessibleName(Words::tr("Verify mouse for player 2"));
    w.optPlayer_01->setAccessibleName(Words::tr("P1: player 1 to move"));
    w.optPlayer_02->setAccessibleName(Words::tr("P2: player 2 to move"));
}

void describeGameState(frmLumbrast &w) {
    for (std::size_t i = 0; i < 4; ++i)
        tell(w.cmdGamePiece[i], QAccessible::NameChanged,
             pieceName(int(i), w.cmdGamePiece[i]->text()));

    QLabel *const rows[3][2] = {{w.lblPointsStatP1, w.lblPointsStatP2},
                                {w.lblSetStatP1, w.lblSetStatP2},
                                {w.lblMatchStatP1, w.lblMatchStatP2}};
    for (int player = 1; player <= 2; ++player) {
        const QString who = playerCalled(w, player);
        const auto cell = [&](int row) { return rows[row][player - 1]; };
        tell(cell(0), QAccessible::NameChanged,
             Words::tr("%1, points: %2").arg(who, cell(0)->text()));
        tell(cell(1), QAccessible::NameChanged,
             Words::tr("%1, sets: %2").arg(who, cell(1)->text()));
        tell(cell(2), QAccessible::NameChanged,
             Words::tr("%1, matches: %2").arg(who, cell(2)->text()));
    }

    tell(w.lblGameMoveTimer, QAccessible::NameChanged, timerName(w.lblGameMoveTimer->text()));

    // The colours of the binding buttons and the selected option show who is
    // to move; this says it in words.
    const int toMove = w.optPlayer_01->isChecked() ? 1 : w.optPlayer_02->isChecked() ? 2 : 0;
    const QString turn =
        toMove == 0 ? QString() : Words::tr("%1 is to move").arg(playerCalled(w, toMove));
    tell(w.fraGameLumbrast, QAccessible::DescriptionChanged, turn);
    tell(w.fraGameTable, QAccessible::DescriptionChanged, turn);
}

} // namespace lumbrast::app
