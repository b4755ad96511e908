// What a screen reader is told about the game window, read through QAccessible.
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>

#include "app/translation.h"
#include "dialogs/about/frmAboutVark.h"
#include "game/errorreport.h"

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
    const auto pieces = [&](QAccessible::Text what = QAccessible::Name) {
        QStringList names;
        for (int i = 0; i < 4; ++i)
            names << told(t.piece(i), what);
        return names.join(u'|');
    };
    // The idle table by its symbols, never by the raw face characters.
    EXPECT_EQ(pieces(), "Piece 1, face up: keyboard|Piece 2, face up: frowning face|"
                        "Piece 3, face up: mouse|Piece 4, face up: smiling face");
    EXPECT_EQ(pieces(QAccessible::Description),
              "Top left of the table|Top right of the table|Bottom left of the table|"
              "Bottom right of the table");
    EXPECT_EQ(told(w.cmdCursorPos), "Cursor home");
    EXPECT_EQ(told(w.fraFirstMove) + '|' + told(w.fraGameTable) + '|' + told(w.lvwMice),
              "Select First Move|Table|List of all available mice on this computer");
    EXPECT_EQ(told(w.txtPlayerName_01) + '|' + told(w.optPlayer_02),
              "Name of player 1|P2: player 2 to move");
    EXPECT_EQ(told(w.lblGameMoveTimer), "Move timer, stopped");
    EXPECT_EQ(told(w.lblSetStatP2), "Player2, sets: 0");

    t.bindBoth();
    t.sim.click(kMouse1, w.cmdGamePlay);
    EXPECT_EQ(pieces(), "Piece 1, face down|Piece 2, face down|Piece 3, face down|"
                        "Piece 4, face down");
    EXPECT_EQ(told(w.fraGameLumbrast, QAccessible::Description), "Player1 is to move");
    w.tmrGameMove_Timer();
    EXPECT_EQ(told(w.lblGameMoveTimer), "Move timer, 20 seconds left");
    for (int tick = 0; tick < 19; ++tick)
        w.tmrGameMove_Timer();
    EXPECT_EQ(told(w.lblGameMoveTimer), "Move timer, 1 second left");

    // A missed opening passes the turn and leaves the second piece up.
    const int mouse = t.pieceWithFace('8');
    t.sim.click(kMouse1, t.piece(t.pieceWithFace('7')));
    t.sim.click(kMouse1, t.piece(mouse));
    EXPECT_EQ(pieces().count("face up: mouse"), 1);
    EXPECT_EQ(told(w.fraGameTable, QAccessible::Description), "Player2 is to move");

    // Player 2 pairs the mice: both are up while the score is announced; the
    // 2 points win him a set.
    t.game().v.PointsPerSet = 2;
    QString whileAnnounced;
    t.boxes.onShow = [&](const auto &) { whileAnnounced = pieces(); };
    w.txtPlayerName_02->setText(QStringLiteral("Ann"));
    t.sim.click(kMouse2, t.piece(t.pieceWithFace('8', mouse)));
    EXPECT_EQ(whileAnnounced.count("face up: mouse"), 2);
    EXPECT_EQ(told(w.lblSetStatP2), "Ann, sets: 1");
    EXPECT_EQ(told(w.lblPointsStatP2), "Ann, points: 0");
    EXPECT_EQ(told(w.lblSetStatP1), "Player1, sets: 0");
    EXPECT_EQ(told(w.fraGameLumbrast, QAccessible::Description), "Ann is to move"); // opens next
    w.txtPlayerName_02->clear(); // an empty name still tells whose turn and cell it is
    EXPECT_EQ(told(w.fraGameTable, QAccessible::Description), "Player 2 is to move");
    EXPECT_EQ(told(w.lblMatchStatP2), "Player 2, matches: 0");
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

TEST(WindowLanguage, TheTemplateKnowsEachWindowByTheNameItTranslatesWith) {
    QFile made(QStringLiteral(LUMBRAST_TRANSLATION_TEMPLATE));
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    const QByteArray ts = made.readAll();
    for (const QMetaObject *window :
         {&app::frmLumbrast::staticMetaObject, &dialogs::frmAboutVark::staticMetaObject})
        EXPECT_TRUE(ts.contains("<name>" + QByteArray(window->className()) + "</name>"))
            << window->className();
    EXPECT_TRUE(ts.contains("<source>Piece %1, face down</source>"));
    for (const char *early : {"CommandLine", "Session", "MusicTool"}) // texts shown before a window
        EXPECT_TRUE(ts.contains("<name>" + QByteArray(early) + "</name>")) << early;
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
    t.w.game().reportError(game::kErrOverflow, "Overflow", "sub: 23");
    EXPECT_EQ(t.boxes.boxes.back().text, "6\r\nPreljev\r\nsub: 23");
    for (auto *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}
