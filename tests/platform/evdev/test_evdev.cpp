#include <cerrno>

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

namespace {

// Two mice, a keyboard that udev also calls a mouse (never to be opened) and a
// mouse that reports only keys; the raw events the back end tells.
struct Rig final : RawInputSink {
    mockmice::Bed bed;
    std::string l = bed.add({.number = 3, .port = "1-2"});
    std::string r = bed.add({.number = 4, .port = "1-3", .product = "0005", .uniq = "a4:c1:38"});
    std::vector<std::string> opened; // in order
    int refuse;                      // errno to fail every open with
    std::string told;                // "Lp" for a press of the left mouse
    std::unique_ptr<EvdevRawInput> raw;
    DeviceHandle hLeft = 0, hRight = 0;

    explicit Rig(int refuseWith = 0) : refuse(refuseWith) {
        bed.add({.number = 6, .port = "1-5", .udevKeyboard = true});
        bed.add({.number = 7, .port = "1-6", .keys = {KEY_A}});
        // No cursor control: the tests ask nothing of the display server's cursor.
        raw = std::make_unique<EvdevRawInput>(
            nullptr, [this](const char *path, int flags) { return open(path, flags); });
        hLeft = find("1-2").handle;
        hRight = find("1-3").handle;
    }
    int open(const char *path, int flags) {
        opened.emplace_back(path);
        errno = refuse;
        return refuse ? -1 : ::open(path, flags);
    }
    void rawInput(DeviceHandle device, RawEventKind kind) noexcept override {
        told += device == hLeft ? 'L' : device == hRight ? 'R' : '?';
        told += "mprw"[static_cast<int>(kind)]; // motion, press, release, wheel
        told += ' ';
    }
    PointingDevice find(const std::string &port) {
        for (const PointingDevice &d : raw->devices())
            if (d.identification.ends_with(port))
                return d;
        return {};
    }
};

} // namespace

// Mice are listed with their names, no keyboard is ever opened, and a mouse that
// comes back has its identity again.
TEST(EvdevListing, MiceOnlyWithTheirNamesComeAndGoWithUdev) {
    Rig rig;
    ASSERT_EQ(rig.raw->devices().size(), 2u);
    const PointingDevice left = rig.find("1-2"), right = rig.find("1-3");
    EXPECT_EQ(left.type + "|" + left.identification + "|" + left.description + "|" + left.identity,
              "USB|046d:c077 port 1-2|Logitech, Inc. M105 Optical Mouse|"
              "USB 046d:c077 path pci-0000:00:14.0-usb-0:2:1.0");
    EXPECT_EQ(right.identity, "USB 046d:0005 a4:c1:38"); // its own address, not the port
    EXPECT_TRUE(left.handle != 0 && right.handle != 0) << "0 is no mouse";

    // Listed again and again, nothing is opened twice; the keyboard never; the
    // mouse that reports only keys once, for probing.
    EXPECT_EQ(rig.opened, (std::vector<std::string>{"/dev/input/event3", "/dev/input/event4",
                                                    "/dev/input/event7"}));
    EXPECT_EQ(rig.find("1-2").handle, left.handle);

    // Mice come and go with udev.
    int changes = 0;
    rig.raw->watchDevices([&] { ++changes; });
    auto settle = [&](std::size_t open) {
        while (rig.raw->openCount() != open)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    rig.bed.unplug({.number = 3, .port = "1-2"});
    settle(1);
    EXPECT_EQ(rig.find("1-2").handle, 0u);

    // The same mouse in the same port under a new node: a new handle, the same identity.
    rig.bed.plug({.number = 9, .port = "1-2"});
    settle(2);
    const PointingDevice after = rig.find("1-2");
    EXPECT_TRUE(changes == 2 && after.handle != left.handle && after.identity == left.identity);
}

// Each mouse reports its own motion, buttons and wheel, and a click is judged by
// the mouse that made it before the widget sees it.
TEST(EvdevEvents, EachMouseReportsItsOwnEventsAndClicksAreJudgedFirst) {
    Rig rig;
    auto [bed, l, r] = std::tie(rig.bed, rig.l, rig.r); // references
    bed.report(l, {{EV_REL, REL_X, 3}});                // queued while unhooked: nobody's
    rig.raw->install(&rig);

    // One motion per frame however many axes moved; a zero move is no motion.
    bed.report(l, {{EV_REL, REL_X, 3}, {EV_REL, REL_Y, -1}});
    bed.report(l, {{EV_REL, REL_X, 0}});
    bed.report(r, {{EV_KEY, BTN_RIGHT, 1},
                   {EV_KEY, BTN_RIGHT, 2}, // autorepeat is no second press
                   {EV_REL, REL_WHEEL, -1},
                   {EV_REL, REL_WHEEL_HI_RES, -120}}); // the same notch again
    bed.report(r, {{EV_KEY, BTN_RIGHT, 0}});
    rig.raw->drainAll();

    QWidget widget;
    auto toolkit = [&](int down) {
        QMouseEvent event(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                          QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    };
    // The kernel queued each button event before the display server sent the
    // toolkit's own; the other mouse moved in between. No notifier has run: the
    // click is told again, last, for the mouse that made it.
    for (int down : {1, 0}) {
        bed.report(l, {{EV_KEY, BTN_LEFT, down}});
        bed.report(r, {{EV_REL, REL_X, 5}});
        toolkit(down);
    }
    // Alone, a press is told once; a toolkit press without a raw one repeats none.
    bed.report(l, {{EV_KEY, BTN_LEFT, 1}});
    toolkit(1);
    bed.report(r, {{EV_REL, REL_X, 5}});
    toolkit(1);
    EXPECT_EQ(rig.told, "Lm Rp Rw Rr Lp Rm Lp Lr Rm Lr Lp Rm ");
}

// The notice names every unreadable mouse once, with both fixes; a keyboard is no
// mouse to ask for, and a mouse that vanished before the open no permission problem.
TEST(EvdevPermission, UnreadableMiceAreNamedOnceWithBothFixes) {
    Rig rig(EACCES);
    std::vector<QString> notices;
    rig.raw->setNotice([&](const QString &text) { notices.push_back(text); });
    EXPECT_TRUE(rig.raw->devices().empty());
    rig.refuse = ENOENT;
    rig.bed.add({.number = 11, .port = "1-7"});
    rig.raw->devices();
    ASSERT_EQ(notices.size(), 1u);
    const QString &n = notices[0];
    EXPECT_TRUE(n.contains("/dev/input/event3") && n.contains("/dev/input/event4") &&
                n.contains("70-lumbrast-mice.rules") && n.contains("\"input\"") &&
                !n.contains("event6") && !n.contains("event11"));
}
