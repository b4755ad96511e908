// The game window on the real X11 back end, end to end: every click and motion
// is injected per device into the test's own X server. Run on the bare server
// and under openbox (reparenting, click to focus), where frames, activation by
// a click and the close boxes of the program's other windows are checked too.
#include <memory>

#include <QLabel>
#include <QWindow>

#include <gtest/gtest.h>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "input/routing.h"
#include "platform/desktop/fakes.h"
#include "platform/x11/x11rawinput.h"
#include "xvfb.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using platform::x11::X11RawInput;

namespace {

QPoint centre(const QWidget *widget) {
    return X11RawInput::toNative(input::RawMouseRouter::centreOf(widget));
}

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

struct XWindow {
    // The program's own choice of back end; the server's XTest pointer is the second mouse.
    std::unique_ptr<platform::RawInput> owned = app::makeRawInput({.virtualMice = true});
    X11RawInput &raw = dynamic_cast<X11RawInput &>(*owned);
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    std::unique_ptr<app::frmLumbrast> w;
    XInjector inject;
    int mouse = inject.deviceId(XInjector::kXvfbMouse);
    int xtest = inject.deviceId(XInjector::kXTestPointer);

    XWindow() {
        inject.warp(5, 5); // outside the window: the confinement has to bring it in
        w = std::make_unique<app::frmLumbrast>(raw, boxes, sounds);
        // The shipped music on a clock nobody advances: silent, and no sound device needed.
        w->music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
        w->music().environment().audio.output = music::AudioOutput::Offline;
        w->move(60, 40);
        w->Form_Load();
        w->show();
        // Raw input counts only while the game window is in front. A window
        // manager may refuse a program's first request; the user's focus is not.
        w->activateWindow();
        EXPECT_TRUE(waitUntil([&] { return w->windowHandle()->isExposed(); }));
        if (!w->isActiveWindow())
            inject.focus(w->winId());
        EXPECT_TRUE(waitUntil([&] { return w->isActiveWindow(); }));
    }
    input::InputState &in() { return w->inputState(); }
    // Each player binds his mouse by clicking his button with it.
    void bind(int device, const QWidget *button, platform::DeviceHandle &bound) {
        ASSERT_TRUE(moveAndSettle(inject, device, centre(button)));
        inject.click(device);
        ASSERT_TRUE(waitUntil([&] { return bound == raw.handleOfXDevice(device); }));
    }
    // The pointer stops at the frame's corners, whichever way the mouse pushes.
    // One axis at a time: long injected diagonal pushes out of a corner were
    // seen to pass the server's barriers, which no hand on a mouse makes.
    bool trappedIn(QRect frame) {
        for (int step : {-4000, 4000}) {
            inject.moveBy(mouse, step, 0);
            inject.moveBy(mouse, 0, step);
            if (inject.pointer() != (step < 0 ? frame.topLeft() : frame.bottomRight()))
                return false;
        }
        return true;
    }
};

} // namespace

TEST(WindowOnX11, TwoMiceBindPlayTakeTurnsAndLeaveNothingBehind) {
    XWindow t;
    const bool managed = WindowManager::wanted();
    ASSERT_TRUE(t.boxes.boxes.empty()) << t.boxes.boxes[0].text.toStdString();
    EXPECT_FALSE(dynamic_cast<X11RawInput &>(*app::makeRawInput({})).virtualMice())
        << "only on request do the server's XTest pointers count as mice";
    EXPECT_EQ(t.in().MiceCount, 2);
    ASSERT_TRUE(t.raw.installed());
    ASSERT_TRUE(!managed || waitUntil([&] { return framed(t.w.get()); })) << "not framed";
    const QRect frame = X11RawInput::toNative(t.w->frameGeometry());
    EXPECT_TRUE(frame.contains(t.inject.pointer())) << "the confinement brought the pointer in";
    ASSERT_TRUE(waitUntil([&] { return t.trappedIn(frame); }))
        << "pointer stops at " << t.inject.pointer().x() << "," << t.inject.pointer().y();

    t.bind(t.mouse, t.w->cmdVerify_M_P_01, t.in().hDevicePlayer_01);
    t.bind(t.xtest, t.w->cmdVerify_M_P_02, t.in().hDevicePlayer_02);
    EXPECT_EQ(t.w->lblDevDesc_02->text(), XInjector::kXTestPointer);
    ASSERT_TRUE(moveAndSettle(t.inject, t.mouse, centre(t.w->cmdGamePlay)));
    t.inject.click(t.mouse); // player 1 opens
    ASSERT_TRUE(waitUntil([&] { return t.w->tmrGameMove->isActive(); }));
    ASSERT_EQ(t.in().hDeviceActive, t.raw.handleOfXDevice(t.mouse));

    // The other mouse heads for a piece: the cursor goes home, and its click there only beeps.
    const QPoint piece1 = centre(t.w->cmdGamePiece[1]), home = centre(t.w->cmdCursorPos);
    t.inject.moveTo(t.xtest, piece1.x(), piece1.y());
    ASSERT_TRUE(waitUntil([&] { return t.inject.pointer() == home; })) << "sent home";
    t.inject.click(t.xtest);
    ASSERT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); }));
    EXPECT_EQ(t.sounds.played.back(), platform::SoundKind::Asterisk);

    // Under the manager another window of the program comes in front, inside
    // the trap, before each click: the click brings the game window forward.
    QWidget other;
    other.setGeometry(t.w->frameGeometry().right() - 150, t.w->frameGeometry().bottom() - 100, 120,
                      60);
    auto clickPiece = [&](int device, int piece) {
        if (managed) {
            other.show();
            other.activateWindow();
            ASSERT_TRUE(
                waitUntil([&] { return other.isActiveWindow() && !t.w->isActiveWindow(); }));
        }
        t.sounds.played.clear();
        ASSERT_TRUE(t.inject.clickAt(device, centre(t.w->cmdGamePiece[piece])));
        ASSERT_TRUE(waitUntil([&] { return t.w->isActiveWindow(); })) << "click to focus";
    };
    if (managed) {
        clickPiece(t.xtest, 0);
        EXPECT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); })) << "the wrong mouse beeps";
    }
    EXPECT_EQ(t.w->game().v.PiecesTurned, 0) << "the wrong mouse turns nothing";
    clickPiece(t.mouse, 1);
    EXPECT_TRUE(waitUntil([&] { return !t.w->cmdGamePiece[1]->text().isEmpty(); }))
        << "the player to move turns it";

    if (managed) { // the trap reaches another window's close box, and comes back after it
        t.w->mnuSetupMusic_Click();
        QWidget *music = t.w->music().window();
        ASSERT_TRUE(music && waitUntil([&] { return framed(music); })) << "music window framed";
        const QPoint at = closeBoxOf(music);
        // The trap follows the new window a moment after it is framed.
        EXPECT_TRUE(waitUntil([&] { return t.inject.clickAt(t.mouse, at); }))
            << "out of reach: " << at.x() << "," << at.y();
        EXPECT_TRUE(waitUntil([&] { return !music->isVisible(); })) << "closed by the click";
        EXPECT_TRUE(waitUntil([&] { return t.trappedIn(frame); })) << "the trap came back";
    }

    // The barriers go with the window.
    t.w->close();
    EXPECT_FALSE(t.raw.installed() || t.raw.confined());
    syncToolkit();
    t.inject.moveBy(t.mouse, 4000, 0);
    EXPECT_GT(t.inject.pointer().x(), frame.right());
}
