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

// The manager's title bar ends in the close box; its middle is a bar's half
// height in from the frame's top right corner.
QPoint closeBoxOf(const QWidget *window) {
    const QRect frame = X11RawInput::toNative(window->frameGeometry());
    const int half = (X11RawInput::toNative(window->geometry()).top() - frame.top()) / 2;
    return {frame.right() - half, frame.top() + half};
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

TEST_F(WindowOnOpenbox, TheActivatingClickCountsOnlyFromThePlayerToMove) {
    XWindow t;
    t.bind();
    t.play();
    // Another window of the program comes in front, inside the game window's trap.
    QWidget other;
    const QRect frame = t.w->frameGeometry();
    other.setGeometry(frame.right() - 150, frame.bottom() - 100, 120, 60);
    // Each mouse clicks a piece while the game window is behind: the click brings it forward.
    auto clickFromBehind = [&](int device, int piece) {
        other.show();
        other.activateWindow();
        ASSERT_TRUE(waitUntil([&] { return other.isActiveWindow() && !t.w->isActiveWindow(); }));
        t.sounds.played.clear();
        ASSERT_TRUE(t.inject.clickAt(device, XWindow::centre(t.w->cmdGamePiece[piece])));
        ASSERT_TRUE(waitUntil([&] { return t.w->isActiveWindow(); })) << "click to focus";
    };
    clickFromBehind(t.xtest, 0);
    EXPECT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); })) << "the wrong mouse beeps";
    EXPECT_EQ(t.w->game().v.PiecesTurned, 0) << "and turns nothing";
    clickFromBehind(t.mouse, 1);
    EXPECT_TRUE(waitUntil([&] { return !t.w->cmdGamePiece[1]->text().isEmpty(); }))
        << "the player to move turns it";
}

TEST_F(WindowOnOpenbox, TheTrapCoversTheFrameAndLetsThePointerClickEveryCloseBox) {
    XWindow t;
    ASSERT_TRUE(waitUntil([&] { return framed(t.w.get()); })) << "the manager framed the window";
    const QRect game = X11RawInput::toNative(t.w->frameGeometry());
    ASSERT_TRUE(waitUntil([&] { return trappedIn(t, game); }))
        << "pointer stops at " << t.inject.pointer().x() << "," << t.inject.pointer().y();

    // Each window is closed by its close box (or the music window's Hide) with
    // a mouse, and the game window's trap comes back after it.
    auto closeWith = [&](QWidget *window, auto target) {
        SCOPED_TRACE(window->metaObject()->className());
        EXPECT_TRUE(waitUntil([&] { return framed(window); })) << "the manager framed it";
        const QPoint at = target(window);
        // The trap follows the new window a moment after it is framed.
        EXPECT_TRUE(waitUntil([&] { return t.inject.clickAt(t.mouse, at); }))
            << "out of reach: " << at.x() << "," << at.y();
        EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); })) << "closed by the click";
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
