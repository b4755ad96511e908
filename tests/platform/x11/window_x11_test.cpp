// The game window on the real X11 back end, end to end: every click and motion
// is injected per device into the test's own X server. Run on the bare server
// and under openbox, where the barriers must hold the frame too.
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

} // namespace

TEST(WindowOnX11, TwoMiceBindPlayTakeTurnsAndLeaveNothingBehind) {
    const bool managed = windowManagerWanted();
    // The program's own choice of back end; the server's XTest pointer is the second mouse.
    const auto owned = app::makeRawInput({.virtualMice = true});
    auto &raw = dynamic_cast<X11RawInput &>(*owned);
    EXPECT_FALSE(dynamic_cast<X11RawInput &>(*app::makeRawInput({})).virtualMice())
        << "only on request do the server's XTest pointers count as mice";
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    XInjector inject;
    const int mouse = inject.deviceId(XInjector::kXvfbMouse),
              xtest = inject.deviceId(XInjector::kXTestPointer);
    app::frmLumbrast w(raw, boxes, sounds);
    // The shipped music on a clock nobody advances: silent, and no sound device needed.
    w.music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
    w.music().environment().audio.output = music::AudioOutput::Offline;
    w.move(60, 40);
    w.Form_Load();
    w.show();
    // Raw input counts only while the game window is in front. A window
    // manager may refuse a program's own request; the user's focus is not.
    ASSERT_TRUE(waitUntil([&] { return w.windowHandle()->isExposed(); }));
    inject.focus(w.winId());
    ASSERT_TRUE(waitUntil([&] { return w.isActiveWindow(); }));
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text.toStdString();
    input::InputState &in = w.inputState();
    EXPECT_EQ(in.MiceCount, 2);

    // The pointer stops at the frame's corners, whichever way the mouse pushes.
    // One axis at a time: long injected diagonal pushes out of a corner were
    // seen to pass the server's barriers, which no hand on a mouse makes.
    ASSERT_TRUE(!managed || waitUntil([&] { return framed(&w); })) << "not framed";
    const QRect frame = X11RawInput::toNative(w.frameGeometry());
    auto trapped = [&] {
        for (int step : {-4000, 4000}) {
            inject.moveBy(mouse, step, 0);
            inject.moveBy(mouse, 0, step);
            if (inject.pointer() != (step < 0 ? frame.topLeft() : frame.bottomRight()))
                return false;
        }
        return true;
    };
    ASSERT_TRUE(waitUntil(trapped)) << "the trap covers the frame";

    // Each player binds his mouse by clicking his button with it; player 1 opens.
    auto click = [&](int device, const QWidget *target) {
        ASSERT_TRUE(moveAndSettle(inject, device, centre(target)));
        inject.click(device);
    };
    click(mouse, w.cmdVerify_M_P_01);
    ASSERT_TRUE(waitUntil([&] { return in.hDevicePlayer_01 == raw.handleOfXDevice(mouse); }));
    click(xtest, w.cmdVerify_M_P_02);
    ASSERT_TRUE(waitUntil([&] { return in.hDevicePlayer_02 == raw.handleOfXDevice(xtest); }));
    EXPECT_EQ(w.lblDevDesc_02->text(), XInjector::kXTestPointer);
    click(mouse, w.cmdGamePlay);
    ASSERT_TRUE(waitUntil([&] { return w.tmrGameMove->isActive(); }));

    // The other mouse heads for a piece: the cursor goes home, and its click there only beeps.
    const QPoint piece1 = centre(w.cmdGamePiece[1]), home = centre(w.cmdCursorPos);
    inject.moveTo(xtest, piece1.x(), piece1.y());
    ASSERT_TRUE(waitUntil([&] { return inject.pointer() == home; })) << "sent home";
    inject.click(xtest);
    ASSERT_TRUE(waitUntil([&] { return !sounds.played.empty(); }));
    EXPECT_EQ(sounds.played.back(), platform::SoundKind::Asterisk);

    click(mouse, w.cmdGamePiece[1]);
    EXPECT_TRUE(waitUntil([&] { return !w.cmdGamePiece[1]->text().isEmpty(); }))
        << "the player to move turns it";

    // The barriers go with the window.
    w.close();
    EXPECT_FALSE(raw.installed() || raw.confined());
    syncToolkit();
    inject.moveBy(mouse, 4000, 0);
    EXPECT_GT(inject.pointer().x(), frame.right());
}
