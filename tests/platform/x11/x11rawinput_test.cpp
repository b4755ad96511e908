// The real back end against an X server of its own: two source devices (the
// "Xvfb mouse" and the server's XTest pointer) drive one shared cursor.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QWidget>
#include <QWindow>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

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

int gSequence = 0;

struct RecordingSink final : RawInputSink {
    struct Event {
        DeviceHandle device;
        RawEventKind kind;
        int sequence;
    };
    std::vector<Event> events;
    void rawInput(DeviceHandle device, RawEventKind kind) noexcept override {
        events.push_back({device, kind, ++gSequence});
    }
};

// A window that notes when the toolkit hands it a press.
struct Target final : QWidget {
    int pressSequence = 0;
    void mousePressEvent(QMouseEvent *) override { pressSequence = ++gSequence; }
};

const PointingDevice *named(const std::vector<PointingDevice> &list, const std::string &name) {
    auto it =
        std::find_if(list.begin(), list.end(), [&](auto &d) { return d.description == name; });
    return it == list.end() ? nullptr : &*it;
}

xcb_connection_t *toolkitConnection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
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

TEST_F(X11RawInputTest, DiscoveryListsExactlyTheServersPointersAndKeepsHandles) {
    X11RawInput plain(false);
    const auto list = plain.devices();
    ASSERT_EQ(list.size(), 2u) << "Xvfb has one mouse and one XTest pointer";
    const PointingDevice *m = named(list, XInjector::kXvfbMouse),
                         *t = named(list, XInjector::kXTestPointer);
    ASSERT_TRUE(m && t);
    EXPECT_TRUE(!m->systemMade && t->systemMade) << "XTest pointers are made by the server";
    EXPECT_EQ(plain.handleOfXDevice(mouse), m->handle);
    EXPECT_EQ(named(plain.devices(), XInjector::kXvfbMouse)->handle, m->handle) << "stable";
    // Without a device node the X name stands in.
    EXPECT_EQ(m->type + "/" + m->identification, std::string("X11/") + XInjector::kXvfbMouse);
    EXPECT_EQ(t->type, "XTEST");
    const auto both = X11RawInput(true).devices();
    EXPECT_EQ(std::count_if(both.begin(), both.end(), [](auto &d) { return !d.systemMade; }), 2);
}

TEST_F(X11RawInputTest, RawEventsNameTheirDeviceComeBeforeTheToolkitsPressAndStopOnRemove) {
    Target target;
    target.setGeometry(100, 100, 200, 200);
    target.show();
    ASSERT_TRUE(waitUntil([&] { return target.windowHandle()->isExposed(); }));
    const std::uint32_t toolkitBits = rootSelection();
    X11RawInput input(true);
    input.registerWindow(&target);
    RecordingSink sink;
    input.install(&sink);
    input.install(&sink); // idempotent
    constexpr std::uint32_t raw = XCB_INPUT_XI_EVENT_MASK_RAW_MOTION |
                                  XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                                  XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL_MASTER) & raw, raw);
    EXPECT_EQ(rootSelection(), toolkitBits);
    for (int device : {mouse, xtest}) {
        ASSERT_TRUE(moveAndSettle(inject, device, {150 + device, 150}));
        sink.events.clear();
        target.pressSequence = 0;
        inject.click(device);
        ASSERT_TRUE(waitUntil([&] { return target.pressSequence && sink.events.size() >= 2; }));
        EXPECT_EQ(sink.events[0].device, input.handleOfXDevice(device));
        EXPECT_EQ(sink.events[0].kind, RawEventKind::ButtonPress);
        EXPECT_LT(sink.events[0].sequence, target.pressSequence) << "the raw press comes first";
        EXPECT_EQ(sink.events[1].kind, RawEventKind::ButtonRelease);
    }
    input.remove();
    input.remove();
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL_MASTER), 0u) << "nothing of ours stays selected";
    EXPECT_EQ(rootSelection(), toolkitBits);
    sink.events.clear();
    ASSERT_TRUE(moveAndSettle(inject, mouse, {121, 131}));
    EXPECT_TRUE(sink.events.empty()) << "no routing after remove";
    input.install(&sink);
    ASSERT_TRUE(moveAndSettle(inject, mouse, {122, 132}));
    EXPECT_FALSE(sink.events.empty()) << "installed again, it routes again";
}

// Also run with the toolkit's own XInput use turned off (QT_XCB_NO_XI2).
TEST_F(X11RawInputTest, HotPlugIsSeenWhateverTheToolkitSelects) {
    const std::uint32_t toolkitBits = rootSelection();
    {
        X11RawInput input(true);
        int changes = 0; // the input logic's cue to look for mice that came back
        input.watchDevices([&] { ++changes; });
        EXPECT_NE(rootSelection() & XCB_INPUT_XI_EVENT_MASK_HIERARCHY, 0u);
        const std::string name = "Lumbrast plug XTEST pointer";
        const int first = inject.addMaster("Lumbrast plug"), id = inject.deviceId(name);
        ASSERT_TRUE(named(input.devices(), name));
        const DeviceHandle before = input.handleOfXDevice(id);
        inject.removeMaster(first);
        ASSERT_TRUE(waitUntil([&] { return input.handleOfXDevice(id) == 0; })) << "seen removed";
        EXPECT_TRUE(waitUntil([&] { return changes >= 2; })) << "told of the plug and the unplug";
        const int second = inject.addMaster("Lumbrast plug");
        ASSERT_EQ(inject.deviceId(name), id) << "the server reused the id";
        ASSERT_TRUE(named(input.devices(), name));
        EXPECT_NE(input.handleOfXDevice(id), before) << "a new mouse gets a handle of its own";
        inject.removeMaster(second);
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
    for (int device : {mouse, xtest}) {
        inject.moveBy(device, -2000, -2000); // no corner leaks
        EXPECT_EQ(inject.pointer(), r.topLeft());
        inject.moveBy(device, 2000, 2000);
        EXPECT_EQ(inject.pointer(), r.bottomRight());
    }
    input.releaseCursor();
    input.releaseCursor(); // twice is harmless
    EXPECT_FALSE(input.confined());
    syncToolkit();
    inject.moveBy(mouse, 3000, 3000);
    EXPECT_TRUE(inject.pointer().x() > r.right() && inject.pointer().y() > r.bottom());

    // A new confinement replaces the old one.
    input.confineCursor(logical);
    input.confineCursor(logical.translated(200, 0));
    inject.warp(r.center().x() + qRound(200 * ratio), r.center().y());
    inject.moveBy(mouse, -2000, 0);
    EXPECT_EQ(inject.pointer().x(), r.left() + qRound(200 * ratio));
}

// Helper processes of this binary (see main()) that print a line, then wait to be killed.
QByteArray startHelper(QProcess &helper, const char *role) {
    helper.start(QCoreApplication::applicationFilePath(), {role});
    if (!helper.waitForReadyRead(20000))
        ADD_FAILURE() << helper.readAllStandardError().toStdString();
    return helper.readLine().trimmed();
}

TEST_F(X11RawInputTest, BarriersDieWithAClientThatNeverReleasedThem) {
    const int right = qRound(350 * ratio) - 1; // the helper scales alike
    inject.warp(qRound(300 * ratio), qRound(300 * ratio));
    QProcess helper;
    ASSERT_EQ(startHelper(helper, "--confine"), "confined");
    inject.moveBy(mouse, 1000, 0);
    EXPECT_EQ(inject.pointer().x(), right) << "held by the helper's barriers";
    helper.kill(); // SIGKILL: no chance to clean up
    ASSERT_TRUE(helper.waitForFinished(10000));
    // The server frees a client's barriers when it notices the connection gone.
    EXPECT_TRUE(waitUntil(
        [&] {
            inject.moveBy(mouse, 1000, 0);
            return inject.pointer().x() > right;
        },
        10000));
}

TEST(XvfbServerTest, ATestKilledOutrightLeavesNoServerBehind) {
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0); // the orphaned server comes to us
    QProcess helper;
    const pid_t server = startHelper(helper, "--own-server").toInt();
    ASSERT_GT(server, 0);
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, server, 0));
    ASSERT_GE(ended, 0);
    helper.kill();
    ASSERT_TRUE(helper.waitForFinished(10000));
    pollfd p{ended, POLLIN, 0};
    const bool gone = ::poll(&p, 1, 10000) == 1; // readable once the process has ended
    if (!gone)
        ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
    ::close(ended);
    EXPECT_TRUE(gone) << "the server outlived the test that started it";
}

// Events as the server would send them, for the shapes Xvfb cannot make.
TEST(X11RawInputEvents, ShapesMapToTheirKinds) {
    X11RawInput input(true);
    RecordingSink sink;
    input.install(&sink);
    const auto *xi = xcb_get_extension_data(toolkitConnection(), &xcb_input_id);
    struct Case {
        std::uint16_t type;
        std::uint32_t detail, mask;
        std::uint16_t source;
        int extensionOffset, kind; // -1: no event
    };
    for (const Case c : {
             Case{XCB_INPUT_RAW_MOTION, 0, 0b1000, 6, 0, int(RawEventKind::Wheel)}, // smooth
             Case{XCB_INPUT_RAW_BUTTON_PRESS, 5, 0, 6, 0, int(RawEventKind::Wheel)},
             Case{XCB_INPUT_RAW_BUTTON_RELEASE, 6, 0, 6, 0, -1}, // a wheel notch's release
             Case{XCB_INPUT_RAW_MOTION, 0, 0b11, 300, 0, -1},    // beyond the server's ids
             Case{XCB_INPUT_MOTION, 0, 0b11, 6, 0, -1},          // not a raw event
             Case{XCB_INPUT_RAW_MOTION, 0, 0b11, 6, 1, -1},      // another extension's
         }) {
        struct {
            xcb_input_raw_button_press_event_t head;
            std::uint32_t mask;
        } ev{};
        ev.head.response_type = XCB_GE_GENERIC;
        ev.head.extension = static_cast<std::uint8_t>(xi->major_opcode + c.extensionOffset);
        ev.head.event_type = c.type;
        ev.head.detail = c.detail;
        ev.head.sourceid = c.source;
        ev.head.valuators_len = 1;
        ev.mask = c.mask;
        sink.events.clear();
        EXPECT_FALSE(input.handleEvent(&ev)) << "the toolkit still sees every event";
        EXPECT_EQ(sink.events.empty() ? -1 : int(sink.events.front().kind), c.kind)
            << "event type " << c.type << " from " << c.source;
    }
}

TEST(SessionTest, TellsTheKindOfDisplayAndSaysWhyItCannotPlay) {
    const char *x = std::getenv("DISPLAY");
    constexpr auto automatic = SessionRequest::Automatic;
    EXPECT_EQ(detectSession(automatic, x, nullptr, nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(automatic, x, "wayland-0", "xcb:nograb"), SessionKind::X11);
    EXPECT_EQ(detectSession(SessionRequest::X11, x, "wayland-0", nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(automatic, x, nullptr, "offscreen"), SessionKind::OtherPlatform);
    EXPECT_EQ(detectSession(automatic, "", "", nullptr), SessionKind::NoDisplay);
    EXPECT_EQ(detectSession(automatic, ":65000", nullptr, nullptr), SessionKind::NoDisplay)
        << "unreachable";

    EXPECT_TRUE(sessionMessage(SessionKind::X11).isEmpty());
    EXPECT_TRUE(sessionMessage(SessionKind::Xwayland).contains(QStringLiteral("cannot tell")));
}

TEST(UdevDescriptionTest, OnlyInputNodesAreDescribed) {
    EXPECT_FALSE(describeDeviceNode("/nonexistent/event0"));
    EXPECT_FALSE(describeDeviceNode("/dev/null")) << "a character device, not an input device";
    EXPECT_EQ(busName(0x03), "USB");
    EXPECT_EQ(busName(0x42), "BUS_42");
}
