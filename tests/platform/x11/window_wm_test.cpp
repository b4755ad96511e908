// The game window under a real reparenting, click-to-focus window manager
// (openbox): frames, activation by a click, and the close boxes of the
// program's other windows while the pointer is trapped.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "dialogs/help/chmhelpviewer.h"
#include "dialogs/help/frmHelpViewer.h"
#include "dialogs/help/helplocal.h"
#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;

namespace {

class WindowOnOpenbox : public ::testing::Test {
protected:
    void SetUp() override {
        if (!WindowManager::wanted())
            GTEST_SKIP() << "runs under the window manager only (platform_x11_window_wm)";
    }
};

bool framed(const QWidget *window) {
    return window->isVisible() && window->windowHandle()->isExposed() &&
           window->frameGeometry().top() < window->geometry().top();
}

QRect native(QRect r) {
    return X11RawInput::toNative(r);
}

// The manager's title bar ends in the close box; its middle is a bar's half
// height in from the frame's top right corner.
QPoint closeBoxOf(const QWidget *window) {
    const QRect frame = native(window->frameGeometry()), inner = native(window->geometry());
    const int half = (inner.top() - frame.top()) / 2;
    return {frame.right() - half, frame.top() + half};
}

// A mouse moves to the point and clicks there; false when the pointer cannot get there.
bool clickAt(XInjector &inject, int device, QPoint at) {
    if (!inject.reach(device, at))
        return false;
    inject.click(device);
    return true;
}

// The pointer stops at the frame's corners, whichever way the mouse pushes.
// One axis at a time: long injected diagonal pushes out of a corner were seen
// to pass the server's barriers, which no hand on a mouse makes.
bool trappedIn(XWindow &t, QRect frame) {
    for (int step : {-4000, 4000}) {
        t.inject.moveBy(t.mouse, step, 0);
        t.inject.moveBy(t.mouse, 0, step);
        if (t.inject.pointer() != (step < 0 ? frame.topLeft() : frame.bottomRight()))
            return false;
    }
    return true;
}

} // namespace

TEST_F(WindowOnOpenbox, TheFirstTrapCoversTheFramedWindow) {
    XWindow t(true);
    ASSERT_TRUE(waitUntil([&] { return framed(t.w.get()); })) << "the manager framed the window";
    const QRect frame = native(t.w->frameGeometry());
    EXPECT_TRUE(waitUntil([&] { return trappedIn(t, frame); }))
        << "pointer stops at " << t.inject.pointer().x() << "," << t.inject.pointer().y();
}

TEST_F(WindowOnOpenbox, TheActivatingClickCountsOnlyFromThePlayerToMove) {
    XWindow t(true);
    const auto hMouse = t.raw.handleOfXDevice(t.mouse), hXTest = t.raw.handleOfXDevice(t.xtest);
    t.click(t.mouse, t.w->cmdVerify_M_P_01);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDevicePlayer_01 == hMouse; }));
    t.click(t.xtest, t.w->cmdVerify_M_P_02);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDevicePlayer_02 == hXTest; }));
    t.click(t.mouse, t.w->cmdGamePlay);
    ASSERT_TRUE(waitUntil([&] { return t.w->tmrGameMove->isActive(); }));
    ASSERT_EQ(t.in().hDeviceActive, hMouse);

    // Another window of the program comes in front, inside the game window's trap.
    QWidget other;
    const QRect frame = t.w->frameGeometry();
    other.setGeometry(frame.right() - 150, frame.bottom() - 100, 120, 60);
    auto sendBack = [&] {
        other.show();
        other.activateWindow();
        return waitUntil([&] { return other.isActiveWindow() && !t.w->isActiveWindow(); });
    };

    // The wrong mouse's click brings the game window forward and turns nothing.
    ASSERT_TRUE(sendBack());
    const QPoint piece0 = XWindow::centre(t.w->cmdGamePiece[0]);
    t.sounds.played.clear();
    ASSERT_TRUE(clickAt(t.inject, t.xtest, piece0));
    ASSERT_TRUE(waitUntil([&] { return t.w->isActiveWindow(); })) << "click to focus";
    EXPECT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); })) << "the wrong mouse beeps";
    EXPECT_TRUE(t.w->cmdGamePiece[0]->text().isEmpty()) << "nothing turned";
    EXPECT_EQ(t.w->game().v.PiecesTurned, 0);

    // The right mouse's click both brings it forward and turns the piece.
    ASSERT_TRUE(sendBack());
    const QPoint piece1 = XWindow::centre(t.w->cmdGamePiece[1]);
    ASSERT_TRUE(clickAt(t.inject, t.mouse, piece1));
    EXPECT_TRUE(waitUntil([&] { return !t.w->cmdGamePiece[1]->text().isEmpty(); }))
        << "the player to move turns it";
}

TEST_F(WindowOnOpenbox, TheTrappedPointerReachesAndClicksEveryCloseBox) {
    XWindow t(true);
    ASSERT_TRUE(waitUntil([&] { return framed(t.w.get()); }));
    const QRect game = native(t.w->frameGeometry());
    ASSERT_TRUE(waitUntil([&] { return trappedIn(t, game); }));

    // Each window is closed by its close box (or the music window's Hide) with
    // a mouse, and the game window's trap comes back after it.
    auto closeWith = [&](QWidget *window, auto target) {
        SCOPED_TRACE(window->metaObject()->className());
        if (waitUntil([&] { return framed(window); })) {
            const QPoint at = target(window);
            // The trap follows the new window a moment after it is framed.
            EXPECT_TRUE(waitUntil([&] { return clickAt(t.inject, t.mouse, at); }))
                << "out of reach: " << at.x() << "," << at.y();
            EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); })) << "closed by the click";
        } else {
            ADD_FAILURE() << "the manager never framed the window";
        }
        if (window->isVisible())
            window->close(); // never leave a modal loop waiting
        EXPECT_TRUE(waitUntil([&] { return trappedIn(t, game); })) << "the trap came back";
    };

    // About is modal: it is closed from inside its own event loop.
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        closeWith(QApplication::activeModalWidget(), closeBoxOf);
    });
    t.w->mnuAbout_Click();

    dialogs::showHelpLocal(t.w.get(), LUMBRAST_HELP_DIR);
    QWidget *help = dialogs::ChmHelpViewer::openWindowFor(dialogs::helpFilePath(LUMBRAST_HELP_DIR));
    ASSERT_TRUE(help) << "the help file is built beside the game";
    closeWith(help, closeBoxOf);

    t.w->mnuSetupMusic_Click();
    QWidget *music = t.w->music().window();
    ASSERT_TRUE(music);
    closeWith(music, closeBoxOf);
    t.w->mnuSetupMusic_Click();
    closeWith(music, [](QWidget *w) {
        return XWindow::centre(w->findChild<QPushButton *>(QStringLiteral("cmdHide")));
    });
}
