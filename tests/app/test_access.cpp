// What a screen reader is told about the game window, read through QAccessible.
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "app/translation.h"

#include "platform/help/fakes.h"
#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;

namespace {
QString told(QWidget *w, QAccessible::Text what = QAccessible::Name) {
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(what) : QStringLiteral("<none>");
}
} // namespace

TEST(WindowAccess, PiecesCellsTimerAndTurnFollowThePlay) {
    Window t;
    app::frmLumbrast &w = t.w;
    // The idle table by its symbols, never by the raw face characters.
    EXPECT_EQ(told(t.piece(0)), "Piece 1, face up: keyboard");
    EXPECT_EQ(told(t.piece(1)), "Piece 2, face up: frowning face");
    EXPECT_EQ(told(t.piece(2)), "Piece 3, face up: mouse");
    EXPECT_EQ(told(t.piece(3)), "Piece 4, face up: smiling face");
    EXPECT_EQ(told(t.piece(3), QAccessible::Description), "Bottom right of the table");
    EXPECT_EQ(told(w.cmdCursorPos), "Cursor home");
    EXPECT_EQ(w.cmdCursorPos->text(), "."); // the caption stays
    EXPECT_EQ(told(w.txtPlayerName_02), "Name of player 2");
    EXPECT_EQ(told(w.lblGameMoveTimer), "Move timer, stopped");
    EXPECT_EQ(told(w.lblSetStatP2), "Player2, sets: 0");

    t.bindBoth();
    t.sim.click(kMouse1, w.cmdGamePlay);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(told(t.piece(i)), QStringLiteral("Piece %1, face down").arg(i + 1));
    EXPECT_EQ(told(w.fraGameLumbrast, QAccessible::Description), "Player1 is to move");
    w.tmrGameMove_Timer();
    EXPECT_EQ(told(w.lblGameMoveTimer), "Move timer, 20 seconds left");
    for (int tick = 0; tick < 19; ++tick)
        w.tmrGameMove_Timer();
    EXPECT_EQ(told(w.lblGameMoveTimer), "Move timer, 1 second left");

    // A missed opening passes the turn; the piece left up is named by its symbol.
    const int keyboard = t.pieceWithFace('7');
    const int mouse = t.pieceWithFace('8');
    t.sim.click(kMouse1, t.piece(keyboard));
    t.sim.click(kMouse1, t.piece(mouse));
    EXPECT_EQ(told(t.piece(keyboard)), QStringLiteral("Piece %1, face down").arg(keyboard + 1));
    EXPECT_EQ(told(t.piece(mouse)), QStringLiteral("Piece %1, face up: mouse").arg(mouse + 1));
    EXPECT_EQ(told(w.fraGameTable, QAccessible::Description), "Player2 is to move");

    // Player 2 pairs the mice: while the score is announced both are up, then it is counted.
    QString whileAnnounced;
    const int other = t.pieceWithFace('8', mouse);
    t.boxes.onShow = [&](const auto &) { whileAnnounced = told(t.piece(other)); };
    w.txtPlayerName_02->setText(QStringLiteral("Ann"));
    t.sim.click(kMouse2, t.piece(other));
    EXPECT_EQ(whileAnnounced, QStringLiteral("Piece %1, face up: mouse").arg(other + 1));
    EXPECT_EQ(told(w.lblPointsStatP2), "Ann, points: 2");
    EXPECT_EQ(told(w.lblPointsStatP1), "Player1, points: 0");
    EXPECT_EQ(told(w.fraGameLumbrast, QAccessible::Description), "Ann is to move"); // opens next
    w.txtPlayerName_01->clear(); // an empty name still tells whose cell it is
    EXPECT_EQ(told(w.lblMatchStatP1), "Player 1, matches: 0");
}

TEST(WindowAccess, F1OpensTheHelpAsTheMenuDoes) {
    Window t;
    platform::RecordingHelpViewer viewer;
    t.w.setHelpViewer(viewer);
    QTest::keyClick(&t.w, Qt::Key_F1);
    ASSERT_EQ(viewer.calls.size(), 1u);
    EXPECT_EQ(viewer.calls[0].topic, "Lumbrast_help_main_EN.htm");
    EXPECT_EQ(viewer.calls[0].owner, &t.w);
}

TEST(WindowLanguage, AnInstalledTranslationIsLoadedForTheUsersLocale) {
    QStringList folders = app::translationFolders(QCoreApplication::applicationDirPath());
    EXPECT_TRUE(app::installTranslation(*qApp, QLocale(QLocale::German), folders).isEmpty());
    QTemporaryDir damaged; // a damaged file is named, and the next folder is tried
    QFile bad(damaged.filePath("lumbrast_hr.qm"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("not a translation") > 0);
    bad.close();
    folders.prepend(damaged.path());
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(app::installTranslation(*qApp, QLocale(QLocale::Croatian), folders)
                    .endsWith("translations/lumbrast_hr.qm"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(bad.fileName().toStdString() +
                                                            " cannot be read"),
              std::string::npos);
    Window t;
    t.bindBoth();
    t.sim.click(kMouse1, t.w.cmdGamePlay);
    EXPECT_EQ(t.w.cmdGamePlay->text(), "Počni");
    EXPECT_EQ(told(t.piece(0)), "Pločica 1, licem dolje");
    const int first = t.pieceWithFace('7');
    t.sim.click(kMouse1, t.piece(first));
    t.sim.click(kMouse1, t.piece(t.pieceWithFace('7', first)));
    ASSERT_FALSE(t.boxes.boxes.empty());
    EXPECT_EQ(t.boxes.boxes[0].text, "Odlično, Player1, dobivaš 3 boda");
    EXPECT_EQ(t.w.cmdGamePause->text(), "Pause"); // untranslated texts stay English
    for (auto *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}
