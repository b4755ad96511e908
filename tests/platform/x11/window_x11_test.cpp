// The game window on the real X11 back end, end to end: every click and
// motion is injected per device into the test's own X server.
#include <algorithm>
#include <memory>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "input/routing.h"
#include "music/window/musicwindowhost.h"
#include "platform/desktop/fakes.h"
#include "platform/x11/x11rawinput.h"
#include "x11env.h"

using namespace lumbrast;
using namespace lumbrast::testing;
using platform::SoundKind;
using platform::x11::X11RawInput;

namespace {

const char kRefusal[] = "You must have minimum of two computer mouses \r\nconnected to your PC\r\n"
                        "Sorry, but program will not work.";

struct XWindow {
    X11RawInput raw;
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    std::unique_ptr<app::frmLumbrast> w;
    XInjector inject{gServer->display()};
    int mouse = inject.deviceId(XInjector::kXvfbMouse);
    int xtest = inject.deviceId(XInjector::kXTestPointer);

    explicit XWindow(bool virtualMice) : raw(virtualMice)
    {
        inject.warp(5, 5); // outside the window: the confinement has to bring it in
        w = std::make_unique<app::frmLumbrast>(raw, boxes, sounds);
        // The shipped music on a clock nobody advances: silent, and no sound device needed.
        w->music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
        w->music().environment().audio.output = music::AudioOutput::Offline;
        w->move(60, 40);
        w->Form_Load();
        w->show();
        EXPECT_TRUE(waitUntil([&] { return w->windowHandle() && w->windowHandle()->isExposed(); }));
        // Raw input counts only while the game window is in front.
        w->activateWindow();
        EXPECT_TRUE(waitUntil([&] { return w->isActiveWindow(); }));
    }
    ~XWindow()
    {
        if (w && w->isVisible())
            w->close();
    }
    input::InputState &in() { return w->inputState(); }
    platform::DeviceHandle handleOf(int xDevice) const { return raw.handleOfXDevice(xDevice); }

    static QPoint centre(const QWidget *widget)
    {
        return X11RawInput::toNative(input::RawMouseRouter::centreOf(widget));
    }
    // The device moves onto the widget and, once the toolkit has seen the
    // motion, clicks there.
    void moveOnto(int device, const QWidget *widget)
    {
        ToolkitMotions seen;
        const QPoint at = centre(widget);
        inject.moveTo(device, at.x(), at.y());
        seen.waitFor(at);
    }
    void click(int device, const QWidget *widget)
    {
        moveOnto(device, widget);
        inject.click(device);
    }
    QPoint home() const { return centre(w->cmdCursorPos); }
};

} // namespace

TEST(WindowOnX11, TheProgramRunsOnTheRealBackEnd)
{
    auto countMice = [](const std::vector<platform::PointingDevice> &list) {
        return std::count_if(list.begin(), list.end(), [](auto &d) { return !d.systemMade; });
    };
    auto plain = app::makeRawInput({});
    ASSERT_TRUE(dynamic_cast<X11RawInput *>(plain.get()));
    EXPECT_EQ(countMice(plain->devices()), 1);
    auto virtualMice = app::makeRawInput({.simulatedMice = false, .virtualMice = true});
    EXPECT_EQ(countMice(virtualMice->devices()), 2);
}

TEST(WindowOnX11, OneRealMouseIsRefused)
{
    XWindow t(false);
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text, kRefusal);
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Critical);
    EXPECT_EQ(t.in().MiceCount, 1);
    ASSERT_EQ(t.w->lvwMice->topLevelItemCount(), 1);
    EXPECT_EQ(t.w->lvwMice->topLevelItem(0)->text(1), XInjector::kXvfbMouse);
    EXPECT_EQ(t.w->lvwMice->topLevelItem(0)->text(0), QString::number(t.handleOf(t.mouse)));
    EXPECT_FALSE(t.raw.installed());
}

TEST(WindowOnX11, TwoMiceBindPlayTakeTurnsAndLeaveNothingBehind)
{
    XWindow t(true);
    ASSERT_TRUE(t.boxes.boxes.empty()) << t.boxes.boxes[0].text.toStdString();
    EXPECT_EQ(t.in().MiceCount, 2);
    EXPECT_EQ(t.w->lvwMice->topLevelItemCount(), 2);
    ASSERT_TRUE(t.raw.installed());
    EXPECT_TRUE(t.raw.confined());
    const QRect frame = t.w->frameGeometry();
    EXPECT_TRUE(frame.contains(t.inject.pointer())) << "the confinement brought the pointer in";

    // Each player binds his mouse by clicking his button with it.
    const auto hMouse = t.handleOf(t.mouse), hXTest = t.handleOf(t.xtest);
    t.click(t.mouse, t.w->cmdVerify_M_P_01);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDevicePlayer_01 == hMouse; }));
    EXPECT_EQ(t.w->lblDevhDevice_01->text(), QString::number(hMouse));
    EXPECT_EQ(t.w->lblDevDesc_01->text(), XInjector::kXvfbMouse);
    t.click(t.xtest, t.w->cmdVerify_M_P_02);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDevicePlayer_02 == hXTest; }));
    EXPECT_EQ(t.w->lblDevDesc_02->text(), XInjector::kXTestPointer);
    EXPECT_TRUE(t.w->cmdGamePlay->isEnabled());

    // A mouse plugged in and out: "Refresh Devices" shows exactly the mice
    // present, and nobody's binding changes.
    const int plug = t.inject.addMaster("Lumbrast plug");
    ASSERT_GT(plug, 0);
    const int plugSlave = t.inject.deviceId("Lumbrast plug XTEST pointer");
    t.w->mnuRefreshDevices_Click();
    EXPECT_EQ(t.w->lvwMice->topLevelItemCount(), 3);
    EXPECT_EQ(t.in().MiceCount, 3);
    t.inject.removeMaster(plug);
    ASSERT_TRUE(waitUntil([&] { return t.raw.handleOfXDevice(plugSlave) == 0; }));
    t.w->mnuRefreshDevices_Click();
    EXPECT_EQ(t.w->lvwMice->topLevelItemCount(), 2);
    EXPECT_EQ(t.in().hDevicePlayer_01, hMouse);
    EXPECT_EQ(t.in().hDevicePlayer_02, hXTest);

    t.click(t.mouse, t.w->cmdGamePlay);
    ASSERT_TRUE(waitUntil([&] { return t.w->tmrGameMove->isActive(); }));
    ASSERT_EQ(t.in().hDeviceActive, hMouse) << "player 1 opens";

    // The active mouse moves freely.
    t.moveOnto(t.mouse, t.w->cmdGamePiece[0]);
    EXPECT_EQ(t.inject.pointer(), XWindow::centre(t.w->cmdGamePiece[0]));

    // The other mouse heads for a piece: the cursor goes home, and its click
    // there only beeps.
    const QPoint piece1 = XWindow::centre(t.w->cmdGamePiece[1]);
    t.inject.moveTo(t.xtest, piece1.x(), piece1.y());
    ASSERT_TRUE(waitUntil([&] { return t.inject.pointer() == t.home(); })) << "sent home";
    t.inject.click(t.xtest);
    ASSERT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); }));
    EXPECT_EQ(t.sounds.played.back(), SoundKind::Asterisk);
    EXPECT_EQ(t.w->game().v.PiecesTurned, 0) << "nothing turned";
    EXPECT_EQ(t.inject.pointer(), t.home());

    // The active mouse turns a piece.
    t.click(t.mouse, t.w->cmdGamePiece[1]);
    ASSERT_TRUE(waitUntil([&] { return !t.w->cmdGamePiece[1]->text().isEmpty(); }));

    // Hook twice warns and keeps the one hook.
    t.w->cmdHook_Click();
    ASSERT_FALSE(t.boxes.boxes.empty());
    EXPECT_EQ(t.boxes.boxes.back().text, input::kHookTwiceText);
    EXPECT_TRUE(t.raw.installed());

    // Unhooked, no mouse is routed or sent home.
    t.w->cmdUnHook_Click();
    EXPECT_FALSE(t.raw.installed());
    const auto last = t.in().hDeviceLast;
    t.moveOnto(t.xtest, t.w->cmdGamePiece[2]);
    EXPECT_EQ(t.inject.pointer(), XWindow::centre(t.w->cmdGamePiece[2]));
    EXPECT_EQ(t.in().hDeviceLast, last);
    t.w->cmdHook_Click();
    EXPECT_TRUE(t.raw.installed());

    // The barriers hold until the window closes, and go with it.
    t.inject.moveBy(t.mouse, 4000, 0);
    EXPECT_EQ(t.inject.pointer().x(), frame.right());
    t.w->close();
    EXPECT_FALSE(t.raw.installed());
    EXPECT_FALSE(t.raw.confined());
    syncToolkit();
    t.inject.moveBy(t.mouse, 4000, 0);
    EXPECT_GT(t.inject.pointer().x(), frame.right());
}
