// The real back end against an X server of its own: two source devices (the
// "Xvfb mouse" and the server's XTest pointer) drive one shared cursor.
#include <cstdlib>
#include <utility>
#include <vector>

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

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

// A window that notes how many raw events came before the toolkit's press.
struct Target final : QWidget {
    const RecordingSink *sink = nullptr;
    int rawBeforePress = -1;
    void mousePressEvent(QMouseEvent *) override {
        rawBeforePress = static_cast<int>(sink->events.size());
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

// This client's XI event mask on the root window for one device id (0: none).
std::uint32_t rootSelection(std::uint16_t deviceId = XCB_INPUT_DEVICE_ALL) {
    xcb_connection_t *c = toolkitConnection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto *reply = xcb_input_xi_get_selected_events_reply(
        c, xcb_input_xi_get_selected_events(c, root), nullptr);
    std::uint32_t mask = 0;
    for (auto it = xcb_input_xi_get_selected_events_masks_iterator(reply); it.rem;
         xcb_input_event_mask_next(&it))
        if (it.data->deviceid == deviceId && it.data->mask_len > 0)
            mask = xcb_input_event_mask_mask(it.data)[0];
    std::free(reply);
    return mask;
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
TEST_F(X11RawInputTest, RawEventsAndHotPlugNameTheirDeviceAndKeepTheToolkitsSelection) {
    X11RawInput plain(false);
    // Without a device node the X name stands in; XTest pointers are made by the server.
    EXPECT_EQ(listing(plain), "Virtual core XTEST pointer: XTEST/Virtual core XTEST pointer "
                              "(system)\nXvfb mouse: X11/Xvfb mouse\n");
    EXPECT_EQ(plain.handleOfXDevice(mouse), plain.devices().back().handle) << "stable";
    Target target;
    target.setGeometry(100, 100, 200, 200);
    target.show();
    ASSERT_TRUE(waitUntil([&] { return target.windowHandle()->isExposed(); }));
    const std::uint32_t toolkitBits = rootSelection();
    {
        X11RawInput input(true);
        EXPECT_EQ(listing(input).find("(system)"), std::string::npos);
        input.registerWindow(&target);
        RecordingSink sink;
        target.sink = &sink;
        input.install(&sink);
        input.install(&sink); // idempotent
        EXPECT_EQ(rootSelection(), toolkitBits);
        input.remove();
        input.remove();
        EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL_MASTER), 0u)
            << "nothing of ours stays selected";
        EXPECT_EQ(rootSelection(), toolkitBits);
        sink.events.clear();
        ASSERT_TRUE(moveAndSettle(inject, mouse, {121, 131}));
        EXPECT_TRUE(sink.events.empty()) << "no routing after remove";
        input.install(&sink); // installed again, it routes again
        for (int device : {mouse, xtest}) {
            sink.events.clear();
            target.rawBeforePress = -1;
            ASSERT_TRUE(moveAndSettle(inject, device, {150 + device, 150}));
            inject.click(device);
            ASSERT_TRUE(
                waitUntil([&] { return target.rawBeforePress >= 0 && sink.events.size() >= 3; }));
            const DeviceHandle h = input.handleOfXDevice(device);
            EXPECT_EQ(sink.events, (std::vector<Event>{{h, RawEventKind::Motion},
                                                       {h, RawEventKind::ButtonPress},
                                                       {h, RawEventKind::ButtonRelease}}));
            EXPECT_GE(target.rawBeforePress, 2) << "the raw press comes before the toolkit's";
        }

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

        // Events as the server would send them, for the shapes Xvfb cannot make.
        const auto *xi = xcb_get_extension_data(toolkitConnection(), &xcb_input_id);
        auto kindOf = [&](std::uint16_t type, std::uint32_t detail, std::uint32_t mask,
                          std::uint16_t source = 6, int extensionOffset = 0) {
            struct {
                xcb_input_raw_button_press_event_t head;
                std::uint32_t mask;
            } ev{};
            ev.head.response_type = XCB_GE_GENERIC;
            ev.head.extension = static_cast<std::uint8_t>(xi->major_opcode + extensionOffset);
            ev.head.event_type = type;
            ev.head.detail = detail;
            ev.head.sourceid = source;
            ev.head.valuators_len = 1;
            ev.mask = mask;
            sink.events.clear();
            EXPECT_FALSE(input.handleEvent(&ev)) << "the toolkit still sees every event";
            return sink.events.empty() ? -1 : static_cast<int>(sink.events.front().second);
        };
        const int wheel = static_cast<int>(RawEventKind::Wheel);
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_MOTION, 0, 0b1000), wheel) << "smooth scrolling";
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_BUTTON_PRESS, 4, 0), wheel);
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_BUTTON_RELEASE, 7, 0), -1) << "a wheel notch's release";
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_BUTTON_PRESS, 8, 0), int(RawEventKind::ButtonPress));
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_BUTTON_RELEASE, 3, 0), int(RawEventKind::ButtonRelease));
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_MOTION, 0, 0b11, 300), -1) << "beyond the server's ids";
        EXPECT_EQ(kindOf(XCB_INPUT_MOTION, 0, 0b11), -1) << "not a raw event";
        EXPECT_EQ(kindOf(XCB_INPUT_RAW_MOTION, 0, 0b11, 6, 1), -1) << "another extension's";
    }
    EXPECT_EQ(rootSelection(), toolkitBits) << "the toolkit's selection is back";
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
    // A new confinement replaces the old one.
    input.confineCursor(logical.translated(200, 0));
    inject.warp(r.center().x() + qRound(200 * ratio), r.center().y());
    inject.moveBy(mouse, -2000, 0);
    EXPECT_EQ(inject.pointer().x(), r.left() + qRound(200 * ratio));

    input.releaseCursor();
    input.releaseCursor(); // twice is harmless
    EXPECT_FALSE(input.confined());
    syncToolkit();
    inject.moveBy(mouse, -3000, 3000);
    EXPECT_TRUE(inject.pointer().x() < r.left() && inject.pointer().y() > r.bottom());
}

TEST(SessionTest, TellsTheKindOfDisplaySaysWhyItCannotPlayAndDescribesOnlyInputNodes) {
    const char *x = std::getenv("DISPLAY");
    constexpr auto automatic = SessionRequest::Automatic;
    EXPECT_EQ(detectSession(automatic, x, nullptr, nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(automatic, x, "wayland-0", "xcb:nograb"), SessionKind::X11);
    EXPECT_EQ(detectSession(SessionRequest::X11, x, "wayland-0", nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(automatic, "", "", nullptr), SessionKind::NoDisplay);
    EXPECT_EQ(detectSession(automatic, ":65000", nullptr, nullptr), SessionKind::NoDisplay);
    EXPECT_TRUE(sessionMessage(SessionKind::X11).isEmpty());
    EXPECT_TRUE(sessionMessage(SessionKind::Xwayland).contains(QStringLiteral("cannot tell")));
    // Without an input node behind a device, its X name stands in.
    EXPECT_FALSE(describeDeviceNode("/nonexistent/event0"));
    EXPECT_FALSE(describeDeviceNode("/dev/null")) << "a character device, not an input device";
}
