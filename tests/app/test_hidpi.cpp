// At a scale factor of 2 (set by the test's environment) pointers and pictures
// are drawn for that scale, not enlarged from single-resolution images.
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "app/cursors.h"
#include "dialogs/about/frmAboutVark.h"
#include "platform/help/fakes.h"

using namespace lumbrast;

TEST(HiDpi, PointersAndAboutPicturesAreDrawnForTheScale) {
    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0) << "run on two screens scaled by 2 and 1";
    for (int player : {1, 2}) {
        const QCursor pointer = app::playerCursor(player);
        EXPECT_EQ(pointer.pixmap().devicePixelRatio(), 2.0);
        EXPECT_EQ(pointer.pixmap().size(), QSize(64, 64));
        EXPECT_EQ(pointer.hotSpot(), player == 1 ? QPoint(7, 7) : QPoint(24, 7));
    }
    platform::RecordingUrlOpener links;
    dialogs::frmAboutVark about(nullptr, {}, links);
    const std::pair<QLabel *, QSize> pictures[] = {{about.imgAuthorPicture, {160, 195}},
                                                   {about.imgAuthorAddress, {512, 48}}};
    for (const auto &[picture, size] : pictures) {
        EXPECT_EQ(picture->pixmap().devicePixelRatio(), 2.0);
        EXPECT_EQ(picture->pixmap().size(), size * 2);
    }
}

TEST(HiDpi, AboutPicturesAreRedrawnOnAScreenOfAnotherScale) {
    QScreen *screens[2] = {};
    for (QScreen *screen : QGuiApplication::screens())
        screens[screen->name() == QStringLiteral("plain") ? 0 : 1] = screen;
    ASSERT_TRUE(screens[0] && screens[1]) << "run on the screens of two_screens.json";
    platform::RecordingUrlOpener links;
    dialogs::frmAboutVark about(nullptr, {}, links);
    about.show();
    for (QScreen *screen : {screens[1], screens[0]}) {
        about.windowHandle()->setScreen(screen);
        about.move(screen->geometry().topLeft());
        ASSERT_EQ(about.devicePixelRatioF(), screen->devicePixelRatio());
        about.imgAuthorPicture->grab(); // paints it
        EXPECT_EQ(about.imgAuthorPicture->pixmap().devicePixelRatio(), screen->devicePixelRatio());
    }
    EXPECT_EQ(about.imgAuthorPicture->pixmap().size(), QSize(160, 195));
}
