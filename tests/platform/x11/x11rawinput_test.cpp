// The real back end against an X server of its own: two source devices (the
// "Xvfb mouse" and the server's XTest pointer) drive one shared cursor.
#include <cstdlib>
#include <utility>
#include <vector>

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include "platform/x11/session.h"
#include "platform/x11/udevdescription.h"
#include "platform/x11/x11rawinput.h"
#include "xvfb.h"

using namespace lumbrast::platform;
using namespace lumbrast::platform::x11;
using namespace lumbrast::testing;

namespace {

using Event = std::pair<DeviceHandle, RawEventKind>;

struct RecordingSink final : RawInputSink {
    std::vector<Event> events;
    void rawInput(DeviceHandle device, RawEventKind kind) noexcept override {
        events.emplace_back(device, kind);
    }
};

// One line per listed device: "description: type/identification", marked when system made.
std::string listing(X11RawInput &input) {
    std::string seen;
    for (const PointingDevice &d : input.devices())
        seen += d.description + ": " + d.type + "/" + d.identification +
                (d.systemMade ? " (system)\n" : "\n");
    return seen;
}

class X11RawInputTest : public ::testing::Test {
protected:
    XInjector inject;
    int mouse = inject.deviceId(XInjector::kXvfbMouse);
    int xtest = inject.deviceId(XInjector::kXTestPointer);
    const qreal ratio = qGuiApp->primaryScreen()->devicePixelRatio();
};

} // namespace

// Also run with the toolkit's own XInput use turned off (QT_XCB_NO_XI2).
TEST_F(X11RawInputTest, RawEventsAndHotPlugNameTheirDevice) {
    X11RawInput plain(false);
    // Without a device node the X name stands in; XTest pointers are made by the server.
    EXPECT_EQ(listing(plain), "Virtual core XTEST pointer: XTEST/Virtual core XTEST pointer "
                              "(system)\nXvfb mouse: X11/Xvfb mouse\n");
    EXPECT_EQ(plain.handleOfXDevice(mouse), plain.devices().back().handle) << "stable";
    QWidget target; // the toolkit's motion over it tells that the raw motion was handled
    target.setGeometry(100, 100, 200, 200);
    target.show();
    ASSERT_TRUE(waitUntil([&] { return target.windowHandle()->isExposed(); }));
    X11RawInput input(true);
    EXPECT_EQ(listing(input).find("(system)"), std::string::npos);
    RecordingSink sink;
    input.install(&sink);
    input.remove();
    ASSERT_TRUE(moveAndSettle(inject, mouse, {121, 131}));
    EXPECT_TRUE(sink.events.empty()) << "no routing after remove";
    input.install(&sink); // installed again, it routes again
    for (int device : {mouse, xtest}) {
        sink.events.clear();
        ASSERT_TRUE(moveAndSettle(inject, device, {150 + device, 150}));
        inject.click(device);
        ASSERT_TRUE(waitUntil([&] { return sink.events.size() >= 3; }));
        const DeviceHandle h = input.handleOfXDevice(device);
        EXPECT_EQ(sink.events, (std::vector<Event>{{h, RawEventKind::Motion},
                                                   {h, RawEventKind::ButtonPress},
                                                   {h, RawEventKind::ButtonRelease}}));
    }
    // A wheel notch is no click, and its release is nothing at all.
    sink.events.clear();
    inject.click(xtest, 4);
    ASSERT_TRUE(moveAndSettle(inject, xtest, {170, 170}));
    const DeviceHandle h = input.handleOfXDevice(xtest);
    EXPECT_EQ(sink.events,
              (std::vector<Event>{{h, RawEventKind::Wheel}, {h, RawEventKind::Motion}}));

    int changes = 0; // the input logic's cue to look for mice that came back
    input.watchDevices([&] { ++changes; });
    const std::string name = "Lumbrast plug XTEST pointer";
    const int first = inject.addMaster("Lumbrast plug"), id = inject.deviceId(name);
    ASSERT_NE(listing(input).find(name), std::string::npos);
    const DeviceHandle before = input.handleOfXDevice(id);
    inject.removeMaster(first);
    ASSERT_TRUE(waitUntil([&] { return input.handleOfXDevice(id) == 0; })) << "seen removed";
    EXPECT_TRUE(waitUntil([&] { return changes >= 2; })) << "told of the plug and the unplug";
    const int second = inject.addMaster("Lumbrast plug");
    ASSERT_EQ(inject.deviceId(name), id) << "the server reused the id";
    ASSERT_NE(listing(input).find(name), std::string::npos);
    EXPECT_NE(input.handleOfXDevice(id), before) << "a new mouse gets a handle of its own";
    inject.removeMaster(second);
}

TEST_F(X11RawInputTest, WarpAndBarriersHoldThePointerInsideUntilReleased) {
    X11RawInput input;
    input.warpCursor({300, 200});
    syncToolkit();
    EXPECT_EQ(inject.pointer(), QPoint(300, 200) * ratio);

    const QRect logical(100, 75, 150, 100);
    const QRect r(logical.topLeft() * ratio, logical.size() * ratio);
    inject.warp(5, 5);
    input.confineCursor(logical);
    EXPECT_TRUE(input.confined());
    EXPECT_TRUE(r.contains(inject.pointer())) << "a pointer outside is brought in at once";
    inject.moveBy(xtest, -2000, -2000); // no corner leaks
    EXPECT_EQ(inject.pointer(), r.topLeft());
    inject.moveBy(xtest, 2000, 2000);
    EXPECT_EQ(inject.pointer(), r.bottomRight());

    input.releaseCursor();
    EXPECT_FALSE(input.confined());
    syncToolkit();
    inject.moveBy(mouse, -3000, 3000);
    EXPECT_TRUE(inject.pointer().x() < r.left() && inject.pointer().y() > r.bottom());
}

TEST(SessionTest, TellsTheKindOfDisplaySaysWhyItCannotPlayAndDescribesOnlyInputNodes) {
    const char *x = std::getenv("DISPLAY");
    constexpr auto automatic = SessionRequest::Automatic;
    EXPECT_EQ(detectSession(automatic, x, nullptr, nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(SessionRequest::X11, x, "wayland-0", nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(automatic, "", "", nullptr), SessionKind::NoDisplay);
    EXPECT_EQ(detectSession(automatic, ":65000", nullptr, nullptr), SessionKind::NoDisplay);
    EXPECT_TRUE(sessionMessage(SessionKind::X11).isEmpty());
    EXPECT_TRUE(sessionMessage(SessionKind::Xwayland).contains(QStringLiteral("cannot tell")));
    // Without an input node behind a device, its X name stands in.
    EXPECT_FALSE(describeDeviceNode("/nonexistent/event0"));
    EXPECT_FALSE(describeDeviceNode("/dev/null")) << "a character device, not an input device";
}
