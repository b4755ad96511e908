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
#include "tiedchild.h" // waitUntil

namespace lumbrast::testing {
extern VirtualPointer *virtualPointer;
} // namespace lumbrast::testing

namespace {

using namespace lumbrast;
using namespace lumbrast::testing;

struct WaylandGame {
    mockmice::Bed bed;
    std::string leftNode = bed.add({.number = 3, .port = "1-2"});
    std::string rightNode =
        bed.add({.number = 4, .port = "1-3", .vendor = "1bcf", .product = "0005"});
    std::unique_ptr<platform::RawInput> raw = app::makeRawInput({.wayland = true});
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    std::shared_ptr<platform::RecordingMessageBoxes> musicBoxes =
        std::make_shared<platform::RecordingMessageBoxes>();
    app::frmLumbrast w{*raw, boxes, sounds};
    PointerProbe probe;
    platform::DeviceHandle hLeft = 0, hRight = 0;

    WaylandGame() {
        for (const platform::PointingDevice &d : raw->devices())
            (d.identification.ends_with("1-2") ? hLeft : hRight) = d.handle;
        // No music: the synthesiser's probe of sound cards opens more device nodes than
        // umockdev's preload library can keep track of. Its refusal goes to a box here.
        w.music().environment().messages = musicBoxes;
        w.music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
        w.music().environment().audio.soundFont = "/nonexistent/none.sf2";
        w.Form_Load();
        w.show();
        EXPECT_TRUE(probe.cameOver(w, *virtualPointer));
    }
    input::InputState &in() { return w.inputState(); }
    QPoint onSurface(const QWidget *widget) {
        const QMargins frame = w.windowHandle()->frameMargins();
        return widget->mapTo(&w, widget->rect().center()) + QPoint(frame.left(), frame.top());
    }
    QPoint pointer() { // a nudge makes the compositor tell where the pointer is now
        virtualPointer->moveBy(1, 0);
        probe.sync();
        return probe.at();
    }
    const std::string &nodeOf(platform::DeviceHandle h) {
        return h == hLeft ? leftNode : rightNode;
    }
    // The mouse's own press, then the compositor's click on the widget.
    bool click(platform::DeviceHandle mouse, const QWidget *widget,
               const std::function<bool()> &done) {
        const QPoint by = onSurface(widget) - pointer();
        virtualPointer->moveBy(by.x(), by.y());
        bed.send(nodeOf(mouse), EV_KEY, BTN_LEFT, 1);
        bed.frame(nodeOf(mouse));
        virtualPointer->click();
        bed.send(nodeOf(mouse), EV_KEY, BTN_LEFT, 0);
        bed.frame(nodeOf(mouse));
        return waitUntil(done);
    }
};

TEST(WindowOnWayland, TwoMiceBindAndPlayATableTheOtherMouseSentHome) {
    WaylandGame t;
    ASSERT_EQ(t.in().MiceCount, 2);
    ASSERT_TRUE(t.raw->installed());

    ASSERT_TRUE(
        t.click(t.hLeft, t.w.cmdVerify_M_P_01, [&] { return t.in().hDevicePlayer_01 == t.hLeft; }));
    ASSERT_TRUE(t.click(t.hRight, t.w.cmdVerify_M_P_02,
                        [&] { return t.in().hDevicePlayer_02 == t.hRight; }));

    game::Game &game = t.w.game();
    ASSERT_TRUE(t.click(t.hLeft, t.w.cmdGamePlay, [&] { return game.moveTimerRunning(); }));
    ASSERT_EQ(t.in().hDeviceActive, t.hLeft);
    // The other mouse moves: the cursor goes home.
    t.bed.send(t.rightNode, EV_REL, REL_X, 5);
    t.bed.frame(t.rightNode);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDeviceLast == t.hRight; }));
    EXPECT_EQ(t.pointer(), t.onSurface(t.w.cmdCursorPos) + QPoint(1, 0));
    // The opener finds the pair: the second piece with the first one's face.
    const auto &pieces = game.cmdGamePiece;
    int second = 1;
    while (pieces[second].Tag[1] != pieces[0].Tag[1])
        ++second;
    ASSERT_TRUE(t.click(t.hLeft, t.w.cmdGamePiece[0], [&] { return !pieces[0].Caption.empty(); }));
    ASSERT_TRUE(
        t.click(t.hLeft, t.w.cmdGamePiece[second], [&] { return !game.moveTimerRunning(); }));
    EXPECT_EQ(game.v.PointsP1, 3);
}

} // namespace
