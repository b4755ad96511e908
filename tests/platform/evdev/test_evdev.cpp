#include <algorithm>
#include <cerrno>
#include <set>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>

#include "mockmice.h"
#include "platform/evdev/evdevrawinput.h"

using namespace lumbrast::platform;
using evdev::EvdevRawInput;
using mockmice::Device;

namespace {

// What the back end asked of the display server's cursor, in order.
struct Cursor final : CursorControl {
    std::string *calls;
    explicit Cursor(std::string *c) : calls(c) {}
    void attach(QWidget *) override { *calls += "attach "; }
    void warpCursor(QPoint) override { *calls += "warp "; }
    void confineCursor(QRect) override { *calls += "confine "; }
    void releaseCursor() override { *calls += "release"; }
};

struct Sink final : RawInputSink {
    std::vector<std::pair<DeviceHandle, RawEventKind>> seen;
    void rawInput(DeviceHandle device, RawEventKind kind) noexcept override {
        seen.emplace_back(device, kind);
    }
};

// Every node the back end opens, and the descriptors it got.
struct Opens {
    std::vector<std::string> paths;
    std::vector<int> fds;
    int refuse = 0; // errno to fail every open with
};

struct Rig {
    mockmice::Bed bed;
    Device left{.number = 3, .port = "1-2"};
    Device right{.number = 4,
                 .port = "1-3",
                 .vendor = "1bcf",
                 .product = "0005",
                 .uniq = "a4:c1:38:0e:22:5f"};
    Device keyboard{.number = 5,
                    .port = "1-4",
                    .name = "Keyboard",
                    .udevMouse = false,
                    .udevKeyboard = true,
                    .moves = false,
                    .keys = {KEY_A, KEY_B}};
    Device mouseAndKeyboard{.number = 6, .port = "1-5", .udevKeyboard = true};
    Device onlyKeys{.number = 7, .port = "1-6", .moves = false, .keys = {KEY_A}};
    std::string leftNode = bed.add(left), rightNode = bed.add(right);
    Opens opens;
    std::string cursorCalls;
    Sink sink;

    Rig() {
        bed.add(keyboard);
        bed.add(mouseAndKeyboard);
        bed.add(onlyKeys);
    }
    std::unique_ptr<EvdevRawInput> open() {
        return std::make_unique<EvdevRawInput>(std::make_unique<Cursor>(&cursorCalls),
                                               [this](const char *path, int flags) {
                                                   opens.paths.emplace_back(path);
                                                   if (opens.refuse) {
                                                       errno = opens.refuse;
                                                       return -1;
                                                   }
                                                   const int fd = ::open(path, flags);
                                                   opens.fds.push_back(fd);
                                                   return fd;
                                               });
    }
    static PointingDevice find(EvdevRawInput &raw, const std::string &port) {
        for (const PointingDevice &d : raw.devices())
            if (d.identification.ends_with(port))
                return d;
        return {};
    }
};

} // namespace

TEST(EvdevListing, MiceOnlyWithTheirNamesAndNoKeyboardIsEverOpened) {
    Rig rig;
    auto raw = rig.open();
    ASSERT_EQ(raw->devices().size(), 2u);
    const PointingDevice left = Rig::find(*raw, "1-2"), right = Rig::find(*raw, "1-3");
    EXPECT_EQ(left.type, "USB");
    EXPECT_EQ(left.identification, "046d:c077 port 1-2");
    EXPECT_EQ(left.description, "Logitech, Inc. M105 Optical Mouse");
    EXPECT_EQ(left.identity, "USB 046d:c077 path pci-0000:00:14.0-usb-0:2:1.0");
    EXPECT_EQ(right.identification, "1bcf:0005 port 1-3");
    EXPECT_EQ(right.identity, "USB 1bcf:0005 a4:c1:38:0e:22:5f"); // its own address, not the port
    EXPECT_TRUE(left.handle != 0 && right.handle != 0 && left.handle != right.handle);
    EXPECT_FALSE(left.systemMade || right.systemMade);

    // The keyboards were never opened; the mouse that reports only keys was
    // opened once for probing and closed at once.
    for (const std::string &path : rig.opens.paths)
        EXPECT_TRUE(path != "/dev/input/event5" && path != "/dev/input/event6") << path;
    EXPECT_EQ(std::count(rig.opens.paths.begin(), rig.opens.paths.end(), "/dev/input/event7"), 1);
    std::set<int> stillOpen;
    for (int fd : rig.opens.fds)
        if (::fcntl(fd, F_GETFD) != -1)
            stillOpen.insert(fd);
    EXPECT_EQ(stillOpen.size(), 2u);
    // A listing opens nothing twice and hands out the same handles.
    EXPECT_EQ(Rig::find(*raw, "1-2").handle, left.handle);
    EXPECT_EQ(rig.opens.paths.size(), 3u);
}

TEST(EvdevEvents, EachMouseReportsItsOwnMotionButtonsAndWheel) {
    Rig rig;
    auto raw = rig.open();
    const DeviceHandle left = Rig::find(*raw, "1-2").handle, right = Rig::find(*raw, "1-3").handle;
    rig.bed.send(rig.leftNode, EV_REL, REL_X, 3); // queued while unhooked: nobody's
    rig.bed.frame(rig.leftNode);
    raw->install(&rig.sink);
    raw->drainAll();
    EXPECT_TRUE(rig.sink.seen.empty());

    // One motion per frame however many axes moved; a zero move is no motion.
    rig.bed.send(rig.leftNode, EV_REL, REL_X, 3);
    rig.bed.send(rig.leftNode, EV_REL, REL_Y, -1);
    rig.bed.frame(rig.leftNode);
    rig.bed.send(rig.leftNode, EV_REL, REL_X, 0);
    rig.bed.frame(rig.leftNode);
    rig.bed.send(rig.rightNode, EV_KEY, BTN_RIGHT, 1);
    rig.bed.send(rig.rightNode, EV_KEY, BTN_RIGHT, 2); // autorepeat is no second press
    rig.bed.send(rig.rightNode, EV_REL, REL_WHEEL, -1);
    rig.bed.send(rig.rightNode, EV_REL, REL_WHEEL_HI_RES, -120); // the same notch again
    rig.bed.frame(rig.rightNode);
    rig.bed.send(rig.rightNode, EV_KEY, BTN_RIGHT, 0);
    rig.bed.frame(rig.rightNode);
    raw->drainAll();
    using K = RawEventKind;
    const std::vector<std::pair<DeviceHandle, K>> want = {
        {left, K::Motion}, {right, K::ButtonPress}, {right, K::Wheel}, {right, K::ButtonRelease}};
    EXPECT_EQ(rig.sink.seen, want);

    // Unhooked, events are read and dropped.
    raw->remove();
    rig.bed.send(rig.leftNode, EV_KEY, BTN_LEFT, 1);
    rig.bed.frame(rig.leftNode);
    raw->drainAll();
    EXPECT_EQ(rig.sink.seen.size(), want.size());

    // The cursor is the display server's: every request goes to it.
    QWidget window;
    raw->registerWindow(&window);
    raw->warpCursor({});
    raw->confineCursor({});
    raw->releaseCursor();
    EXPECT_EQ(rig.cursorCalls, "attach warp confine release");
}

TEST(EvdevEvents, AClickIsJudgedByTheMouseThatMadeItBeforeTheWidgetSeesIt) {
    Rig rig;
    auto raw = rig.open();
    const DeviceHandle left = Rig::find(*raw, "1-2").handle;
    raw->install(&rig.sink);
    struct Probe : QWidget {
        Sink *sink = nullptr;
        std::vector<std::pair<DeviceHandle, RawEventKind>> judged;
        void mousePressEvent(QMouseEvent *) override { judged.push_back(sink->seen.back()); }
        void mouseReleaseEvent(QMouseEvent *) override { judged.push_back(sink->seen.back()); }
    } probe;
    probe.sink = &rig.sink;

    auto toolkit = [&](int down) {
        QMouseEvent event(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                          QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&probe, &event);
    };
    // The kernel queued each button event before the display server sent the
    // toolkit's own; the other mouse moved in between. No notifier has run.
    for (int down : {1, 0}) {
        rig.bed.send(rig.leftNode, EV_KEY, BTN_LEFT, down);
        rig.bed.frame(rig.leftNode);
        rig.bed.send(rig.rightNode, EV_REL, REL_X, 5);
        rig.bed.frame(rig.rightNode);
        toolkit(down);
    }
    using K = RawEventKind;
    const std::vector<std::pair<DeviceHandle, K>> want = {{left, K::ButtonPress},
                                                          {left, K::ButtonRelease}};
    EXPECT_EQ(probe.judged, want);
    // With nothing after it, a press is told once.
    const std::size_t told = rig.sink.seen.size();
    rig.bed.send(rig.leftNode, EV_KEY, BTN_LEFT, 1);
    rig.bed.frame(rig.leftNode);
    toolkit(1);
    EXPECT_EQ(rig.sink.seen.size(), told + 1);
    // A toolkit press without a raw press of its own repeats no earlier one.
    rig.bed.send(rig.rightNode, EV_REL, REL_X, 5);
    rig.bed.frame(rig.rightNode);
    toolkit(1);
    toolkit(0);
    EXPECT_EQ(rig.sink.seen.size(), told + 2);
    // Unhooked, a press read before is told to nobody.
    rig.bed.send(rig.leftNode, EV_KEY, BTN_LEFT, 1);
    rig.bed.frame(rig.leftNode);
    raw->drainAll();
    raw->remove();
    toolkit(1);
    EXPECT_EQ(rig.sink.seen.size(), told + 3);
}

TEST(EvdevHotPlug, MiceComeAndGoWithUdevAndComeBackWithTheirIdentity) {
    Rig rig;
    auto raw = rig.open();
    int changes = 0;
    raw->watchDevices([&] { ++changes; });
    const PointingDevice before = Rig::find(*raw, "1-2");

    rig.bed.unplug(rig.left);
    while (raw->openCount() != 1)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Rig::find(*raw, "1-2").handle, 0u);

    // The same mouse in the same port under a new node: a new handle, the same identity.
    Device again = rig.left;
    again.number = 9;
    rig.bed.plug(again);
    while (raw->openCount() != 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(changes, 2);
    const PointingDevice after = Rig::find(*raw, "1-2");
    EXPECT_NE(after.handle, before.handle);
    EXPECT_EQ(after.identity, before.identity);
}

TEST(EvdevPermission, UnreadableMiceAreNamedOnceWithBothFixes) {
    Rig rig;
    rig.opens.refuse = EACCES;
    auto raw = rig.open();
    std::vector<QString> notices;
    raw->setNotice([&](const QString &text) { notices.push_back(text); });
    EXPECT_TRUE(raw->devices().empty());
    raw->devices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].contains("/dev/input/event3") &&
                notices[0].contains("/dev/input/event4"));
    EXPECT_TRUE(notices[0].contains("70-lumbrast-mice.rules") && notices[0].contains("\"input\""));
    EXPECT_FALSE(notices[0].contains("event5")) << "a keyboard is no mouse to ask for";

    // A mouse that vanished between the listing and the open is no permission problem.
    rig.opens.refuse = ENOENT;
    Device late{.number = 11, .port = "1-7"};
    rig.bed.add(late);
    raw->devices();
    EXPECT_EQ(notices.size(), 1u);
}
