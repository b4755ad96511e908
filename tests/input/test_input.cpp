#include <string>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "input/mouseinput.h"
#include "platform/desktop/fakes.h"
#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast;
using namespace lumbrast::input;
using platform::PointingDevice;
using platform::RawEventKind;

namespace {
// The controls the input logic works on, as the game window has them.
struct Panel {
    QWidget window;
    InputControls c{&window,
                    new QPushButton(".", &window),
                    new QTreeWidget(&window),
                    new QListWidget(&window),
                    {new QLabel(&window), new QLabel(&window)},
                    {new QLabel(&window), new QLabel(&window)}};
    InputState state;
    platform::SimulatedRawInput sim;
    platform::RecordingMessageBoxes boxes;
    std::vector<std::string> reported; // tags of failures reported
    MouseInput input{state, sim, boxes, [this](const std::exception &, std::string_view tag) {
                         reported.emplace_back(tag);
                     }};
    int enabled = 0;

    explicit Panel(std::vector<PointingDevice> mice = platform::SimulatedRawInput::twoMice())
        : sim(std::move(mice)) {
        window.resize(300, 200);
        c.cmdCursorPos->setGeometry(68, 77, 9, 13);
        setUpMiceList(c.lvwMice);
        input.attach(c);
        window.show();
        QApplication::setActiveWindow(&window); // raw input counts only for the active window
    }
    void bind(int player) {
        input.bindPlayer(player, [this] { ++enabled; });
    }
};
} // namespace

// A second hook warns and keeps the one; unhooking is idempotent.
TEST(Routing, OnlyAnotherMouseThanTheActiveOneSendsTheCursorHomeWhileHooked) {
    Panel p;
    p.input.Hook();
    p.input.Hook();
    EXPECT_EQ(p.boxes.boxes.at(0).text,
              "Don't hook it twice without unhooking, or you will be unable to unhook it.");
    const QPoint away = p.window.mapToGlobal(QPoint(250, 20));
    p.sim.move(23, away); // nobody active: devices are recorded, the cursor stays
    p.sim.move(17, away);

    p.state.hDeviceActive = 17;
    p.sim.move(17, away + QPoint(3, 0));
    p.sim.move(23, away);
    // 9 x 13 pixels: origin + 4.5 and + 6.5, the halves rounded to the even neighbour.
    const QPoint o = p.c.cmdCursorPos->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(std::pair(p.sim.cursorPos(), p.sim.warps()),
              std::pair(o + QPoint(o.x() % 2 ? 5 : 4, o.y() % 2 ? 7 : 6), 1));
    p.c.cmdCursorPos->move(p.c.cmdCursorPos->pos() + QPoint(1, 1)); // and the other parity
    EXPECT_EQ(RawMouseRouter::centreOf(p.c.cmdCursorPos),
              o + QPoint(o.x() % 2 ? 5 : 6, o.y() % 2 ? 7 : 8));

    // Every kind of event counts, by its own mouse.
    p.sim.rawEvent(23, RawEventKind::Wheel);
    p.sim.rawEvent(17, RawEventKind::ButtonPress);
    EXPECT_EQ(std::pair(p.sim.warps(), p.state.hDeviceLast), std::pair(2, 17u));

    // Behind another window (another program, or the game's own message box) no cursor goes
    // home, but the click that brings the window forward is told by its mouse.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    p.sim.rawEvent(23, RawEventKind::ButtonPress);
    EXPECT_EQ(std::pair(p.sim.warps(), p.state.hDeviceLast), std::pair(2, 23u));
    QApplication::setActiveWindow(&p.window);
    p.sim.rawEvent(23, RawEventKind::Motion);
    EXPECT_EQ(p.sim.warps(), 3);

    // Unhooked: raw input is no longer seen at all.
    p.input.UnHook();
    p.input.UnHook();
    p.sim.move(17, away);
    p.input.Hook(); // no warning after UnHook
    EXPECT_EQ(std::pair(p.state.hDeviceLast, p.boxes.boxes.size()), std::pair(23u, std::size_t{1}));
    InputState second; // the hook never outlives the input logic it calls into
    MouseInput{second, p.sim, p.boxes, nullptr}.Hook(); // and gone at the semicolon
    EXPECT_FALSE(p.sim.installed());
}

TEST(Binding, RealMiceAreListedAndEachPlayerBindsTheClickingMouse) {
    Panel p;
    p.sim.plug(
        {0xFFFFFFF0u, "USB", "VID_0001&PID_0002", std::string("Trackball\0junk", 14), false});
    p.input.DiscoverMice();
    ASSERT_EQ(p.c.lstMouseCollection->count(), 3);
    // Large handles read as signed numbers in both lists; text stops at NUL.
    EXPECT_EQ(p.c.lstMouseCollection->item(2)->text(),
              "-16\tTrackball\tUSB\tVID_0001&PID_0002\tTrackball");
    ASSERT_EQ(p.c.lvwMice->topLevelItemCount(), 3);
    const QTreeWidgetItem *row = p.c.lvwMice->topLevelItem(2);
    EXPECT_EQ(row->text(0) + row->text(1) + row->text(2) + row->text(3),
              "-16TrackballUSBVID_0001&PID_0002");
    EXPECT_EQ(StripAtNull(QString::fromLatin1("\0x", 2)), "");
    EXPECT_TRUE(p.state.MiceCount == 3 && p.sim.registeredWindow() == &p.window);
    EXPECT_TRUE(!p.c.lvwMice->rootIsDecorated() && p.c.lvwMice->uniformRowHeights()); // a flat list
    const QHeaderView *h = p.c.lvwMice->header(); // widths from twips
    EXPECT_EQ(QList({h->sectionSize(0), h->sectionSize(1), h->sectionSize(2), h->sectionSize(3)}),
              QList({98, 275, 99, 299}));

    p.input.Hook();
    p.sim.move(23, p.c.cmdCursorPos);
    p.bind(1);
    EXPECT_TRUE(p.state.hDevicePlayer_01 == 23u && p.c.lblDevDesc[0]->text() == "Wireless Mouse" &&
                p.enabled == 0); // one player alone does not start the game
    p.sim.move(17, p.c.cmdCursorPos);
    p.bind(2);
    EXPECT_EQ(p.c.lblDevDesc[1]->text() + QString::number(p.enabled), "Optical USB Mouse1");
    // A refresh rebuilds the lists from what is plugged in now. Rebinding to the same mouse is
    // accepted; an unknown device keeps the old description.
    p.sim.unplug(23);
    p.input.DiscoverMice();
    EXPECT_TRUE(p.c.lvwMice->topLevelItemCount() == 2 && p.c.lstMouseCollection->count() == 2 &&
                p.state.MiceCount == 2);
    p.sim.rawEvent(23, RawEventKind::ButtonPress);
    p.bind(2);
    EXPECT_EQ(p.c.lblDevhDevice[1]->text() + p.c.lblDevDesc[1]->text() + QString::number(p.enabled),
              "23Optical USB Mouse2");

    // A failure of the game's side is reported with the binding player's tag.
    auto failing = [] { throw std::runtime_error("controls gone"); };
    p.sim.rawEvent(17, RawEventKind::ButtonPress);
    p.input.bindPlayer(1, failing);
    p.input.bindPlayer(2, failing);
    EXPECT_EQ(p.reported, (std::vector<std::string>{"sub: 05", "sub: 06"}));
}

// Players bound on any back end keep their mouse across a reconnect, and only their own mouse.
TEST(Binding, AMouseThatComesBackKeepsItsPlayerAndNoOtherMouseInheritsIt) {
    const std::string left = "USB 046d:c077 path pci-0000:00:14.0-usb-0:2:1.0";
    const std::string right = "BLUETOOTH 1bcf:0005 a4:c1:38:0e:22:5f";
    auto mouse = [](DeviceHandle handle, const std::string &identity) {
        return PointingDevice{handle, "USB", "046d:c077", "Mouse", false, identity};
    };
    Panel p({mouse(17, left), mouse(23, right), mouse(29, "")});
    p.input.DiscoverMice();
    p.input.Hook();
    for (auto [player, handle] : {std::pair{1, 17u}, {2, 23u}}) {
        p.sim.rawEvent(handle, RawEventKind::ButtonPress);
        p.bind(player);
    }
    p.state.hDeviceActive = p.state.hDeviceLast = 17;

    p.sim.plug(mouse(31, left)); // while the mouse is there, a twin of its identity takes nothing
    p.sim.unplug(31);
    p.sim.unplug(17);
    // The same model in another port is another mouse.
    p.sim.plug(mouse(37, "USB 046d:c077 path pci-0000:00:14.0-usb-0:3:1.0"));
    EXPECT_EQ(p.state.hDevicePlayer_01, 17u);
    p.sim.plug(mouse(41, left));
    EXPECT_TRUE(p.state.hDevicePlayer_01 == 41u && p.state.hDeviceActive == 41u &&
                p.state.hDeviceLast == 41u && p.c.lblDevhDevice[0]->text() == "41");
    p.sim.unplug(23);
    p.sim.plug(mouse(47, right));
    EXPECT_EQ(p.state.hDevicePlayer_02, 47u);

    // A mouse never listed, or without an identity, is never recognised.
    for (DeviceHandle unknown : {53u, 29u}) {
        p.sim.rawEvent(unknown, RawEventKind::ButtonPress);
        p.bind(2);
        p.sim.unplug(unknown);
        p.sim.plug(mouse(unknown + 100, ""));
        p.sim.plug(mouse(unknown + 200, right));
        EXPECT_EQ(p.state.hDevicePlayer_02, unknown);
    }
    // Nor does a new game's unbound player take a mouse back.
    p.state.setDefaults();
    p.sim.unplug(41);
    p.sim.plug(mouse(59, left));
    EXPECT_EQ(p.state.hDevicePlayer_01, 0u);
}

TEST(Confinement, TheTrapReachesEveryOpenWindowOfTheProgramUntilItCloses) {
    Panel p;
    p.window.move(200, 150);
    p.input.ConfineCursorForm();
    const QRect game = p.window.frameGeometry();
    ASSERT_EQ(p.sim.confinement(), game);
    auto settle = [] {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    };
    QDialog about(&p.window); // wider than the game window, reaching past its right
    about.setGeometry(game.left() + 100, game.top() + 20, 494, 120);
    about.show();
    settle();
    EXPECT_EQ(p.sim.confinement(), game | about.frameGeometry());
    about.hide();
    settle();
    EXPECT_EQ(p.sim.confinement(), game) << "the game window's trap comes back";

    p.input.ReleaseCursorForm();
    about.show();
    settle();
    EXPECT_FALSE(p.sim.confined()) << "a released pointer stays free";
}
