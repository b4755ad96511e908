// The game window's Help menu: "Help" and "About" open the real windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include "../../app/window_fixture.h"
#include "dialogs/about/frmAboutVark.h"
#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/frmHelpViewer.h"

using namespace lumbrast::dialogs;
using lumbrast::testing::kMouse1;

TEST(HelpMenu, HelpOpensTheFileBesideTheProgramAndAboutIsModal) {
    lumbrast::testing::Window game; // the build puts Lumbrast.chm beside this test
    game.w.mnuHelpLocal->trigger();
    std::unique_ptr<frmHelpViewer> viewer(
        ChmHelpViewer::openWindowFor(QCoreApplication::applicationDirPath() + "/Lumbrast.chm"));
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible() && viewer->parentWidget() == &game.w);

    // Player 1 finds a pair at once, so player 2 opens next: the links carry that cursor.
    game.bindBoth();
    game.sim.click(kMouse1, game.w.cmdGamePlay);
    const int first = game.pieceWithFace('7');
    game.sim.click(kMouse1, game.piece(first));
    game.sim.click(kMouse1, game.piece(game.pieceWithFace('7', first)));
    ASSERT_EQ(game.w.startButtonCursor().hotSpot(), QPoint(24, 7));
    QPoint linkHotSpot;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto *about = qobject_cast<frmAboutVark *>(QApplication::activeModalWidget());
        if (!about)
            return;
        modal = about->isModal() && about->parentWidget() == &game.w;
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5),
                         about->lblAuthorWeb->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(about->lblAuthorWeb, &move);
        linkHotSpot = about->lblAuthorWeb->cursor().hotSpot();
        about->close();
    });
    game.w.mnuAbout->trigger();
    EXPECT_TRUE(modal);
    EXPECT_EQ(linkHotSpot, QPoint(24, 7));
}
