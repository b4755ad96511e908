// The game window on the real X11 back end, end to end: every click and
// motion is injected per device into the test's own X server.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include "window_fixture.h"

using namespace lumbrast;
using namespace lumbrast::testing;

TEST(WindowOnX11, OneRealMouseIsRefused) {
    XWindow t(false);
    ASSERT_EQ(t.boxes.boxes.size(), 1u);
    EXPECT_EQ(t.boxes.boxes[0].text,
              "You must have minimum of two computer mouses \r\nconnected to your PC\r\n"
              "Sorry, but program will not work.");
    EXPECT_EQ(t.boxes.boxes[0].icon, platform::BoxIcon::Critical);
    EXPECT_EQ(t.in().MiceCount, 1);
    ASSERT_EQ(t.w->lvwMice->topLevelItemCount(), 1);
    EXPECT_EQ(t.w->lvwMice->topLevelItem(0)->text(1), XInjector::kXvfbMouse);
    EXPECT_EQ(t.w->lvwMice->topLevelItem(0)->text(0),
              QString::number(t.raw.handleOfXDevice(t.mouse)));
    EXPECT_FALSE(t.raw.installed());
}

TEST(WindowOnX11, TwoMiceBindPlayTakeTurnsAndLeaveNothingBehind) {
    XWindow t(true);
    ASSERT_TRUE(t.boxes.boxes.empty()) << t.boxes.boxes[0].text.toStdString();
    EXPECT_EQ(t.in().MiceCount, 2);
    EXPECT_EQ(t.w->lvwMice->topLevelItemCount(), 2);
    ASSERT_TRUE(t.raw.installed());
    const QRect frame = t.w->frameGeometry();
    EXPECT_TRUE(frame.contains(t.inject.pointer())) << "the confinement brought the pointer in";

    // Each player binds his mouse by clicking his button with it.
    const auto hMouse = t.raw.handleOfXDevice(t.mouse), hXTest = t.raw.handleOfXDevice(t.xtest);
    t.click(t.mouse, t.w->cmdVerify_M_P_01);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDevicePlayer_01 == hMouse; }));
    EXPECT_EQ(t.w->lblDevhDevice_01->text(), QString::number(hMouse));
    EXPECT_EQ(t.w->lblDevDesc_01->text(), XInjector::kXvfbMouse);
    t.click(t.xtest, t.w->cmdVerify_M_P_02);
    ASSERT_TRUE(waitUntil([&] { return t.in().hDevicePlayer_02 == hXTest; }));
    EXPECT_EQ(t.w->lblDevDesc_02->text(), XInjector::kXTestPointer);

    // A mouse plugged in, out and in again: "Refresh Devices" lists exactly the
    // mice present, nobody's binding changes, and the server's reuse of the
    // device id never brings a handle back.
    const std::string plugName = "Lumbrast plug XTEST pointer";
    const int plug = t.inject.addMaster("Lumbrast plug"), plugId = t.inject.deviceId(plugName);
    t.w->mnuRefreshDevices_Click();
    EXPECT_EQ(t.w->lvwMice->topLevelItemCount(), 3);
    const auto firstPlug = t.raw.handleOfXDevice(plugId);
    EXPECT_TRUE(firstPlug != 0 && firstPlug != hMouse && firstPlug != hXTest);
    auto unplug = [&](int master) {
        t.inject.removeMaster(master);
        ASSERT_TRUE(waitUntil([&] { return t.raw.handleOfXDevice(plugId) == 0; }))
            << "the removal was seen";
        t.w->mnuRefreshDevices_Click();
        EXPECT_EQ(t.w->lvwMice->topLevelItemCount(), 2);
    };
    unplug(plug);
    const int replug = t.inject.addMaster("Lumbrast plug");
    ASSERT_EQ(t.inject.deviceId(plugName), plugId) << "the server reused the id";
    t.w->mnuRefreshDevices_Click();
    EXPECT_NE(t.raw.handleOfXDevice(plugId), firstPlug) << "a handle is never reused within a run";
    unplug(replug);
    EXPECT_EQ(t.in().hDevicePlayer_01, hMouse);
    EXPECT_EQ(t.in().hDevicePlayer_02, hXTest);

    t.click(t.mouse, t.w->cmdGamePlay);
    ASSERT_TRUE(waitUntil([&] { return t.w->tmrGameMove->isActive(); }));
    ASSERT_EQ(t.in().hDeviceActive, hMouse) << "player 1 opens";
    t.moveOnto(t.mouse, t.w->cmdGamePiece[0]);
    EXPECT_EQ(t.inject.pointer(), XWindow::centre(t.w->cmdGamePiece[0]))
        << "the active mouse moves freely";

    // The other mouse heads for a piece: the cursor goes home, and its click there only beeps.
    const QPoint piece1 = XWindow::centre(t.w->cmdGamePiece[1]);
    t.inject.moveTo(t.xtest, piece1.x(), piece1.y());
    ASSERT_TRUE(waitUntil([&] { return t.inject.pointer() == t.home(); })) << "sent home";
    t.inject.click(t.xtest);
    ASSERT_TRUE(waitUntil([&] { return !t.sounds.played.empty(); }));
    EXPECT_EQ(t.sounds.played.back(), platform::SoundKind::Asterisk);
    EXPECT_EQ(t.w->game().v.PiecesTurned, 0) << "nothing turned";
    EXPECT_EQ(t.inject.pointer(), t.home());
    t.click(t.mouse, t.w->cmdGamePiece[1]);
    ASSERT_TRUE(waitUntil([&] { return !t.w->cmdGamePiece[1]->text().isEmpty(); }))
        << "the active mouse turns it";

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
