// At a scale factor of 2 (set by the test's environment) pointers and pictures are drawn
// for that scale, not enlarged from single-resolution images; on a plain screen, for that.
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "app/cursors.h"
#include "dialogs/about/frmAboutVark.h"
#include "platform/help/fakes.h"

using namespace lumbrast;

TEST(HiDpi, PointersAndAboutPicturesAreDrawnForTheScaleAndRedrawnOnAnotherScreen) {
    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0) << "run on two screens scaled by 2 and 1";
    for (int player : {1, 2}) {
        const QCursor pointer = app::playerCursor(player);
        EXPECT_EQ(pointer.pixmap().devicePixelRatio(), 2.0);
        EXPECT_EQ(pointer.pixmap().size(), QSize(64, 64));
        EXPECT_EQ(pointer.hotSpot(), player == 1 ? QPoint(7, 7) : QPoint(24, 7));
    }
    platform::RecordingUrlOpener links;
    dialogs::frmAboutVark about(nullptr, {}, links);
    EXPECT_EQ(about.imgAuthorPicture->pixmap().devicePixelRatio(), 2.0);
    EXPECT_EQ(about.imgAuthorPicture->pixmap().size(), QSize(320, 390));
    QScreen *plain = nullptr;
    for (QScreen *screen : QGuiApplication::screens())
        plain = screen->name() == QStringLiteral("plain") ? screen : plain;
    ASSERT_NE(plain, nullptr) << "run on the screens of two_screens.json";
    about.show();
    about.windowHandle()->setScreen(plain);
    about.move(plain->geometry().topLeft());
    ASSERT_EQ(about.devicePixelRatioF(), 1.0);
    about.imgAuthorPicture->grab(); // paints it
    EXPECT_EQ(about.imgAuthorPicture->pixmap().devicePixelRatio(), 1.0);
    EXPECT_EQ(about.imgAuthorPicture->pixmap().size(), QSize(160, 195));
}
