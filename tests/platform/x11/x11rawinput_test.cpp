// The real back end against an X server of its own: two source devices (the
// "Xvfb mouse" and the server's XTest pointer) drive one shared cursor.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QInputDevice>
#include <QMouseEvent>
#include <QProcess>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <gtest/gtest.h>

#include "platform/x11/session.h"
#include "platform/x11/udevdescription.h"
#include "platform/x11/x11rawinput.h"
#include "x11env.h"

using namespace lumbrast::platform;
using namespace lumbrast::platform::x11;
using namespace lumbrast::testing;

namespace {

int gSequence = 0;

struct Recorded {
    DeviceHandle device;
    RawEventKind kind;
    int sequence;
};

struct RecordingSink final : RawInputSink {
    std::vector<Recorded> events;
    RecordingSink() { events.reserve(4096); }
    void rawInput(DeviceHandle device, RawEventKind kind) noexcept override
    {
        events.push_back({device, kind, ++gSequence});
    }
    int count(RawEventKind kind, DeviceHandle device) const
    {
        return static_cast<int>(std::count_if(events.begin(), events.end(), [&](const Recorded &r) {
            return r.kind == kind && r.device == device;
        }));
    }
};

// A window that notes when the toolkit hands it a press or a motion.
struct Target final : QWidget {
    int pressSequence = 0;
    int moves = 0;
    QPoint lastMove;
    Target()
    {
        setMouseTracking(true);
        setGeometry(100, 100, 200, 200);
    }
    void mousePressEvent(QMouseEvent *) override { pressSequence = ++gSequence; }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        ++moves;
        lastMove = e->globalPosition().toPoint();
    }
};

const PointingDevice *named(const std::vector<PointingDevice> &list, const std::string &name)
{
    for (const PointingDevice &d : list)
        if (d.description == name)
            return &d;
    return nullptr;
}

xcb_connection_t *toolkitConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t rootWindow()
{
    return xcb_setup_roots_iterator(xcb_get_setup(toolkitConnection())).data->root;
}

// This client's XI event mask on the root window for one device id (0: none).
std::uint32_t rootSelection(std::uint16_t deviceId)
{
    xcb_connection_t *c = toolkitConnection();
    auto *reply = xcb_input_xi_get_selected_events_reply(c, xcb_input_xi_get_selected_events(c, rootWindow()), nullptr);
    std::uint32_t mask = 0;
    for (auto it = xcb_input_xi_get_selected_events_masks_iterator(reply); it.rem; xcb_input_event_mask_next(&it))
        if (it.data->deviceid == deviceId && it.data->mask_len > 0)
            mask = xcb_input_event_mask_mask(it.data)[0];
    std::free(reply);
    return mask;
}

constexpr std::uint32_t kRaw = XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS
    | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;

class X11RawInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        inject = std::make_unique<XInjector>(gServer->display());
        mouse = inject->deviceId(XInjector::kXvfbMouse);
        xtest = inject->deviceId(XInjector::kXTestPointer);
        ASSERT_GT(mouse, 0);
        ASSERT_GT(xtest, 0);
    }

    // Waits until the toolkit has seen a motion at this point on the target:
    // every raw event sent before it has been handled by then.
    void settle(Target &target, int device, QPoint at)
    {
        inject->moveTo(device, at.x(), at.y());
        ASSERT_TRUE(waitUntil([&] { return target.lastMove == at; })) << "no motion at the target";
    }

    void showTarget(Target &target)
    {
        target.show();
        ASSERT_TRUE(waitUntil([&] { return target.windowHandle() && target.windowHandle()->isExposed(); }));
    }

    std::unique_ptr<XInjector> inject;
    int mouse = 0;
    int xtest = 0;
};

} // namespace

TEST_F(X11RawInputTest, DiscoveryListsExactlyTheServersPointersAndKeepsHandles)
{
    X11RawInput plain(false);
    const auto list = plain.devices();
    ASSERT_EQ(list.size(), 2u) << "Xvfb has one mouse and one XTest pointer";
    const PointingDevice *m = named(list, XInjector::kXvfbMouse);
    const PointingDevice *t = named(list, XInjector::kXTestPointer);
    ASSERT_TRUE(m && t);
    EXPECT_FALSE(m->systemMade);
    EXPECT_TRUE(t->systemMade) << "XTest pointers are made by the server itself";
    EXPECT_EQ(std::count_if(list.begin(), list.end(), [](auto &d) { return !d.systemMade; }), 1);
    EXPECT_NE(m->handle, 0u);
    EXPECT_NE(m->handle, t->handle);
    // Without a device node the X name stands in.
    EXPECT_EQ(m->type, "X11");
    EXPECT_EQ(m->identification, XInjector::kXvfbMouse);
    EXPECT_EQ(t->type, "XTEST");

    const auto again = plain.devices();
    EXPECT_EQ(named(again, XInjector::kXvfbMouse)->handle, m->handle) << "handles are stable";
    EXPECT_EQ(plain.handleOfXDevice(mouse), m->handle);

    X11RawInput virtualMice(true);
    const auto both = virtualMice.devices();
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(std::none_of(both.begin(), both.end(), [](auto &d) { return d.systemMade; }));
}

TEST_F(X11RawInputTest, RawEventsNameTheirDeviceAndComeBeforeTheToolkitsPress)
{
    Target target;
    showTarget(target);
    X11RawInput input(true);
    const auto list = input.devices();
    const DeviceHandle hMouse = named(list, XInjector::kXvfbMouse)->handle;
    const DeviceHandle hXTest = named(list, XInjector::kXTestPointer)->handle;
    input.registerWindow(&target);
    RecordingSink sink;
    input.install(&sink);
    EXPECT_TRUE(input.installed());

    settle(target, mouse, {150, 150});
    EXPECT_GT(sink.count(RawEventKind::Motion, hMouse), 0);
    settle(target, xtest, {160, 170});
    EXPECT_GT(sink.count(RawEventKind::Motion, hXTest), 0);

    for (int device : {mouse, xtest}) {
        const DeviceHandle handle = device == mouse ? hMouse : hXTest;
        sink.events.clear();
        target.pressSequence = 0;
        inject->click(device);
        ASSERT_TRUE(waitUntil([&] { return target.pressSequence != 0; }));
        auto press = std::find_if(sink.events.begin(), sink.events.end(),
                                  [](const Recorded &r) { return r.kind == RawEventKind::ButtonPress; });
        ASSERT_NE(press, sink.events.end());
        EXPECT_EQ(press->device, handle);
        EXPECT_LT(press->sequence, target.pressSequence) << "the raw press comes first";
        ASSERT_TRUE(waitUntil([&] { return sink.count(RawEventKind::ButtonRelease, handle) == 1; }));
    }

    // A wheel notch is one event; its release makes none. (The Xvfb mouse
    // has three buttons; the XTest pointer has a wheel.)
    sink.events.clear();
    inject->click(xtest, 4);
    settle(target, xtest, {151, 152});
    EXPECT_EQ(sink.count(RawEventKind::Wheel, hXTest), 1);
    EXPECT_EQ(sink.count(RawEventKind::ButtonRelease, hXTest), 0);
    input.remove();
}

TEST_F(X11RawInputTest, RemoveStopsRoutingAndLeavesTheToolkitsSelection)
{
    Target target;
    showTarget(target);
    const std::uint32_t toolkitBits = rootSelection(XCB_INPUT_DEVICE_ALL);
    ASSERT_NE(toolkitBits & XCB_INPUT_XI_EVENT_MASK_HIERARCHY, 0u) << "the toolkit watches the device hierarchy";

    X11RawInput input;
    RecordingSink sink;
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL_MASTER) & kRaw, 0u);
    input.install(&sink);
    input.install(&sink); // idempotent
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL_MASTER) & kRaw, kRaw);
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL), toolkitBits);

    input.remove();
    input.remove();
    EXPECT_FALSE(input.installed());
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL_MASTER), 0u) << "nothing of ours stays selected";
    EXPECT_EQ(rootSelection(XCB_INPUT_DEVICE_ALL), toolkitBits);

    settle(target, mouse, {120, 130});
    inject->click(mouse);
    settle(target, mouse, {121, 131});
    EXPECT_TRUE(sink.events.empty()) << "no routing after remove";

    // Installed again, it routes again.
    input.install(&sink);
    settle(target, mouse, {122, 132});
    EXPECT_FALSE(sink.events.empty());
}

TEST_F(X11RawInputTest, HotPluggedDevicesGetFreshHandlesAndTheToolkitStillTracksDevices)
{
    X11RawInput input(true);
    RecordingSink sink;
    input.install(&sink);
    input.remove(); // leaves the toolkit's own device tracking as it was
    const auto before = input.devices();

    auto toolkitKnows = [](const QString &name) {
        const auto all = QInputDevice::devices();
        return std::any_of(all.begin(), all.end(), [&](const QInputDevice *d) { return d->name() == name; });
    };

    const int master = inject->addMaster("Lumbrast plug");
    ASSERT_GT(master, 0);
    const std::string slaveName = "Lumbrast plug XTEST pointer";
    const int slaveId = inject->deviceId(slaveName);
    ASSERT_GT(slaveId, 0);
    ASSERT_TRUE(waitUntil([&] { return toolkitKnows(QString::fromStdString(slaveName)); }))
        << "the toolkit saw the new device";
    auto plugged = input.devices();
    ASSERT_EQ(plugged.size(), before.size() + 1);
    const DeviceHandle first = named(plugged, slaveName)->handle;
    for (const PointingDevice &d : before)
        EXPECT_NE(d.handle, first);

    inject->removeMaster(master);
    ASSERT_TRUE(waitUntil([&] { return input.handleOfXDevice(slaveId) == 0; })) << "the removal was seen";
    EXPECT_EQ(input.devices().size(), before.size());

    // The server hands out the freed ids again; the handle must not come back.
    const int master2 = inject->addMaster("Lumbrast plug");
    ASSERT_GT(master2, 0);
    const auto replugged = input.devices();
    const PointingDevice *again = named(replugged, slaveName);
    ASSERT_TRUE(again);
    EXPECT_EQ(inject->deviceId(slaveName), slaveId) << "the server reused the id";
    EXPECT_NE(again->handle, first) << "a handle is never reused within a run";
    inject->removeMaster(master2);
}

TEST_F(X11RawInputTest, WarpPutsThePointerOnThePoint)
{
    X11RawInput input;
    const qreal ratio = qGuiApp->primaryScreen()->devicePixelRatio();
    for (QPoint p : {QPoint(10, 20), QPoint(300, 200), QPoint(0, 0)}) {
        input.warpCursor(p);
        syncToolkit();
        EXPECT_EQ(inject->pointer(), QPoint(qRound(p.x() * ratio), qRound(p.y() * ratio)));
    }
}

TEST_F(X11RawInputTest, BarriersHoldThePointerInsideUntilReleased)
{
    X11RawInput input;
    const qreal ratio = qGuiApp->primaryScreen()->devicePixelRatio();
    const QRect logical(100, 75, 150, 100);
    const QRect r(QPoint(qRound(100 * ratio), qRound(75 * ratio)), QSize(qRound(150 * ratio), qRound(100 * ratio)));

    // A pointer outside is brought in at once.
    inject->warp(5, 5);
    input.confineCursor(logical);
    EXPECT_TRUE(input.confined());
    EXPECT_TRUE(r.contains(inject->pointer())) << inject->pointer().x() << "," << inject->pointer().y();

    for (int device : {mouse, xtest}) {
        inject->warp(r.center().x(), r.center().y());
        inject->moveBy(device, -2000, 0);
        EXPECT_EQ(inject->pointer().x(), r.left());
        inject->moveBy(device, 2000, 0);
        EXPECT_EQ(inject->pointer().x(), r.right());
        inject->moveBy(device, 0, -2000);
        EXPECT_EQ(inject->pointer().y(), r.top());
        inject->moveBy(device, 0, 2000);
        EXPECT_EQ(inject->pointer().y(), r.bottom());
        inject->moveBy(device, 2000, 2000); // no corner leaks
        EXPECT_EQ(inject->pointer(), r.bottomRight());
    }

    input.releaseCursor();
    EXPECT_FALSE(input.confined());
    syncToolkit();
    inject->moveBy(mouse, 3000, 3000);
    const QPoint free = inject->pointer();
    EXPECT_GT(free.x(), r.right());
    EXPECT_GT(free.y(), r.bottom());
    input.releaseCursor(); // twice is harmless

    // A new confinement replaces the old one.
    input.confineCursor(logical);
    input.confineCursor(logical.translated(200, 0));
    inject->warp(r.center().x() + qRound(200 * ratio), r.center().y());
    inject->moveBy(mouse, -2000, 0);
    EXPECT_EQ(inject->pointer().x(), r.left() + qRound(200 * ratio));
    // Destroying the back end releases the pointer too.
}

TEST_F(X11RawInputTest, BarriersDieWithAClientThatNeverReleasedThem)
{
    inject->watchRootWindows(true);
    const qreal ratio = qGuiApp->primaryScreen()->devicePixelRatio(); // the helper scales alike
    const int right = qRound(350 * ratio) - 1;
    inject->warp(qRound(300 * ratio), qRound(300 * ratio));

    QProcess helper;
    helper.start(QStringLiteral(LUMBRAST_CONFINE_HELPER), {"250", "250", "100", "100"});
    ASSERT_TRUE(helper.waitForStarted(10000));
    ASSERT_TRUE(helper.waitForReadyRead(20000)) << helper.readAllStandardError().toStdString();
    const QByteArray line = helper.readLine().trimmed();
    ASSERT_TRUE(line.startsWith("confined ")) << line.toStdString();
    const unsigned long marker = line.mid(9).toULongLong();

    inject->moveBy(mouse, 1000, 0);
    EXPECT_EQ(inject->pointer().x(), right) << "held by the helper's barriers";

    helper.kill(); // no chance to clean up
    ASSERT_TRUE(helper.waitForFinished(10000));
    // The server frees all of a client's resources at once; the marker
    // window's end means the barriers are gone too.
    ASSERT_TRUE(inject->waitForDestroyed(marker, 10000));
    inject->watchRootWindows(false);
    inject->moveBy(mouse, 1000, 0);
    EXPECT_GT(inject->pointer().x(), right);
}

// Events as the server would send them, for the shapes Xvfb cannot make.
TEST_F(X11RawInputTest, EventShapesMapToTheirKinds)
{
    X11RawInput input(true);
    RecordingSink sink;
    input.install(&sink);
    const auto *xi = xcb_get_extension_data(toolkitConnection(), &xcb_input_id);
    struct {
        xcb_input_raw_button_press_event_t head;
        std::uint32_t mask;
    } ev{};
    auto send = [&](std::uint16_t type, std::uint32_t detail, std::uint32_t mask, std::uint16_t source = 6) {
        ev.head.response_type = XCB_GE_GENERIC;
        ev.head.extension = xi->major_opcode;
        ev.head.event_type = type;
        ev.head.detail = detail;
        ev.head.sourceid = source;
        ev.head.valuators_len = 1;
        ev.mask = mask;
        sink.events.clear();
        EXPECT_FALSE(input.handleEvent(&ev)) << "the toolkit still sees every event";
        return sink.events.empty() ? -1 : static_cast<int>(sink.events.front().kind);
    };
    EXPECT_EQ(send(XCB_INPUT_RAW_MOTION, 0, 0b11), int(RawEventKind::Motion));
    EXPECT_EQ(send(XCB_INPUT_RAW_MOTION, 0, 0b1001), int(RawEventKind::Motion));
    EXPECT_EQ(send(XCB_INPUT_RAW_MOTION, 0, 0b1000), int(RawEventKind::Wheel)) << "smooth scrolling";
    EXPECT_EQ(send(XCB_INPUT_RAW_BUTTON_PRESS, 3, 0), int(RawEventKind::ButtonPress));
    EXPECT_EQ(send(XCB_INPUT_RAW_BUTTON_PRESS, 5, 0), int(RawEventKind::Wheel));
    EXPECT_EQ(send(XCB_INPUT_RAW_BUTTON_RELEASE, 3, 0), int(RawEventKind::ButtonRelease));
    EXPECT_EQ(send(XCB_INPUT_RAW_BUTTON_RELEASE, 6, 0), -1);
    EXPECT_EQ(send(XCB_INPUT_RAW_MOTION, 0, 0b11, 300), -1) << "beyond the server's device ids";
    EXPECT_EQ(send(XCB_INPUT_MOTION, 0, 0b11), -1) << "not a raw event";
    ev.head.extension = static_cast<std::uint8_t>(xi->major_opcode + 1);
    sink.events.clear();
    input.handleEvent(&ev);
    EXPECT_TRUE(sink.events.empty()) << "another extension's event";
}

TEST(SessionTest, TellsTheKindOfDisplay)
{
    EXPECT_EQ(detectSession(gServer->display().c_str(), nullptr, nullptr), SessionKind::X11);
    EXPECT_EQ(detectSession(gServer->display().c_str(), nullptr, "xcb"), SessionKind::X11);
    EXPECT_EQ(detectSession(gServer->display().c_str(), "wayland-0", "xcb:nograb"), SessionKind::X11);
    EXPECT_EQ(detectSession(gServer->display().c_str(), nullptr, "offscreen"), SessionKind::OtherPlatform);
    EXPECT_EQ(detectSession(nullptr, nullptr, nullptr), SessionKind::NoDisplay);
    EXPECT_EQ(detectSession("", "", nullptr), SessionKind::NoDisplay);
    EXPECT_EQ(detectSession(nullptr, "wayland-0", nullptr), SessionKind::WaylandOnly);
    EXPECT_EQ(detectSession(":65000", nullptr, nullptr), SessionKind::NoDisplay) << "unreachable display";

    EXPECT_TRUE(sessionMessage(SessionKind::X11).empty());
    EXPECT_NE(sessionMessage(SessionKind::Xwayland).find("cannot tell"), std::string::npos);
    EXPECT_NE(sessionMessage(SessionKind::OtherPlatform, "wayland").find("\"wayland\""), std::string::npos);
    for (SessionKind k : {SessionKind::Xwayland, SessionKind::WaylandOnly, SessionKind::NoDisplay})
        EXPECT_NE(sessionMessage(k).find("X11"), std::string::npos);
}

TEST(UdevDescriptionTest, OnlyInputNodesAreDescribed)
{
    EXPECT_FALSE(describeDeviceNode(""));
    EXPECT_FALSE(describeDeviceNode("/nonexistent/event0"));
    EXPECT_FALSE(describeDeviceNode("/dev/null")) << "a character device that is not an input device";
    EXPECT_EQ(busName(0x03), "USB");
    EXPECT_EQ(busName(0x05), "BLUETOOTH");
    EXPECT_EQ(busName(0x42), "BUS_42");
}
