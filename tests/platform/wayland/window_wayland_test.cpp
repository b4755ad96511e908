// The game window as the program builds it on Wayland, end to end: two made-up
// mice under umockdev, the compositor's pointer moved by a virtual pointer, and
// each press written into the clicking mouse's node first, as the kernel queues
// it before the compositor passes the click on.
#include <linux/input.h>

#include <QWindow>

#include <gtest/gtest.h>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "mockmice.h"
#include "platform/desktop/fakes.h"
#include "sway.h"

using namespace lumbrast;
using namespace lumbrast::testing;

TEST(WindowOnWayland, TwoMiceBindAndPlayAndTheOtherMouseSendsTheCursorHome) {
    mockmice::Bed bed;
    const std::string left = bed.add({.number = 3, .port = "1-2"});
    const std::string right = bed.add({.number = 4, .port = "1-3", .product = "0005"});
    std::unique_ptr<platform::RawInput> raw = app::makeRawInput({.wayland = true});
    platform::DeviceHandle hLeft = 0, hRight = 0;
    for (const platform::PointingDevice &d : raw->devices())
        (d.identification.ends_with("1-2") ? hLeft : hRight) = d.handle;
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    app::frmLumbrast w{*raw, boxes, sounds};
    // No music: the synthesiser's probe of sound cards opens more device nodes than
    // umockdev's preload library can keep track of. Its refusal goes to a box here.
    w.music().environment().messages = std::make_shared<platform::RecordingMessageBoxes>();
    w.music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
    w.music().environment().audio.soundFont = "/nonexistent/none.sf2";
    w.Form_Load();
    w.show();
    ASSERT_TRUE(pointer->cameOver(w));

    const input::InputState &in = w.inputState();
    auto onSurface = [&](const QWidget *widget) {
        return surfacePoint(w, widget->mapTo(&w, widget->rect().center()));
    };
    auto nudge = [] { return pointer->moveBy(1, 0); }; // where the pointer is now, and 1 on
    // The mouse's own press, then the compositor's click on the widget.
    auto click = [&](const std::string &node, const QWidget *widget, auto done) {
        const QPoint by = onSurface(widget) - nudge();
        pointer->moveBy(by.x(), by.y());
        bed.report(node, {{EV_KEY, BTN_LEFT, 1}});
        pointer->click();
        bed.report(node, {{EV_KEY, BTN_LEFT, 0}});
        return waitUntil(done);
    };
    ASSERT_TRUE(click(left, w.cmdVerify_M_P_01, [&] { return in.hDevicePlayer_01 == hLeft; }));
    ASSERT_TRUE(click(right, w.cmdVerify_M_P_02, [&] { return in.hDevicePlayer_02 == hRight; }));
    ASSERT_TRUE(click(left, w.cmdGamePlay, [&] { return w.game().moveTimerRunning(); }));

    // The other mouse moves: the cursor goes home.
    bed.report(right, {{EV_REL, REL_X, 5}});
    ASSERT_TRUE(waitUntil([&] { return in.hDeviceLast == hRight; }));
    EXPECT_EQ(nudge(), onSurface(w.cmdCursorPos) + QPoint(1, 0));
}
