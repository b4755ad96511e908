// The game window on the real X11 back end, end to end: every click and
// motion is injected per device into the test's own X server.
#include <QLabel>

#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;

TEST(WindowOnX11, TwoMiceBindPlayTakeTurnsAndLeaveNothingBehind) {
    XWindow t;
    ASSERT_TRUE(t.boxes.boxes.empty()) << t.boxes.boxes[0].text.toStdString();
    EXPECT_FALSE(dynamic_cast<X11RawInput &>(*app::makeRawInput({})).virtualMice())
        << "only on request do the server's XTest pointers count as mice";
    EXPECT_EQ(t.in().MiceCount, 2);
    ASSERT_TRUE(t.raw.installed());
    const QRect frame = t.w->frameGeometry();
    EXPECT_TRUE(frame.contains(t.inject.pointer())) << "the confinement brought the pointer in";
    t.bind();
    EXPECT_EQ(t.w->lblDevDesc_02->text(), XInjector::kXTestPointer);

    t.play();
    const QPoint piece0 = XWindow::centre(t.w->cmdGamePiece[0]);
    ASSERT_TRUE(moveAndSettle(t.inject, t.mouse, piece0));
    EXPECT_EQ(t.inject.pointer(), piece0) << "the active mouse moves freely";

    // The other mouse heads for a piece: the cursor goes home, and its click there only beeps.
    const QPoint piece1 = XWindow::centre(t.w->cmdGamePiece[1]),
                 home = XWindow::centre(t.w->cmdCursorPos);
    t.inject.moveTo(t.xtest, piece1.x(), piece1.y());
    ASSERT_TRUE(waitUntil([&] { return t.inject.pointer() == home; })) << "sent home";
    t.inject.click(t.xtest);
    ASSERT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); }));
    EXPECT_EQ(t.sounds.played.back(), platform::SoundKind::Asterisk);
    EXPECT_EQ(t.w->game().v.PiecesTurned, 0) << "nothing turned";
    t.click(t.mouse, t.w->cmdGamePiece[1]);
    ASSERT_TRUE(waitUntil([&] { return !t.w->cmdGamePiece[1]->text().isEmpty(); }))
        << "the active mouse turns it";

    // The barriers go with the window.
    t.w->close();
    EXPECT_FALSE(t.raw.installed() || t.raw.confined());
    syncToolkit();
    t.inject.moveBy(t.mouse, 4000, 0);
    EXPECT_GT(t.inject.pointer().x(), frame.right());
}
