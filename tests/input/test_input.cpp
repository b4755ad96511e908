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
    QPushButton *cmdCursorPos = new QPushButton(".", &window);
    QTreeWidget *lvwMice = new QTreeWidget(&window);
    QListWidget *lstMouseCollection = new QListWidget(&window);
    QLabel *hdev[2] = {new QLabel("hDevice", &window), new QLabel("hDevice", &window)};
    QLabel *desc[2] = {new QLabel("Mice - Device Description", &window),
                       new QLabel("Mice - Device Description", &window)};
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
        cmdCursorPos->setGeometry(68, 77, 9, 13);
        setUpMiceList(lvwMice);
        input.attach({&window,
                      cmdCursorPos,
                      lvwMice,
                      lstMouseCollection,
                      {hdev[0], hdev[1]},
                      {desc[0], desc[1]}});
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
    ASSERT_EQ(p.boxes.boxes.size(), 1u);
    EXPECT_EQ(std::tie(p.boxes.boxes[0].text, p.boxes.boxes[0].icon),
              std::tuple("Don't hook it twice without unhooking, or you will be unable to "
                         "unhook it.",
                         platform::BoxIcon::None));
    const QPoint away = p.window.mapToGlobal(QPoint(250, 20));
    p.sim.move(23, away); // nobody active: devices are recorded, the cursor stays
    p.sim.move(17, away);

    p.state.hDeviceActive = 17;
    p.sim.move(17, away + QPoint(3, 0));
    p.sim.move(23, away);
    // 9 x 13 pixels: origin + 4.5 and + 6.5, the halves rounded to the even neighbour,
    // on odd and on even origins.
    auto centre = [&] {
        const QPoint o = p.cmdCursorPos->mapToGlobal(QPoint(0, 0));
        return QPoint(o.x() % 2 ? o.x() + 5 : o.x() + 4, o.y() % 2 ? o.y() + 7 : o.y() + 6);
    };
    EXPECT_EQ(p.sim.cursorPos(), centre());
    EXPECT_EQ(p.sim.warps(), 1);
    p.cmdCursorPos->move(p.cmdCursorPos->pos() + QPoint(1, 1));
    EXPECT_EQ(RawMouseRouter::centreOf(p.cmdCursorPos), centre());

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
    EXPECT_EQ(p.state.hDeviceLast, 23u);
    p.input.Hook();
    EXPECT_EQ(p.boxes.boxes.size(), 1u); // no warning after UnHook

    InputState second; // input logic that never hooked removes nothing; a hooked one its hook
    { MouseInput idle{second, p.sim, p.boxes, {}}; }
    EXPECT_TRUE(p.sim.installed());
    {
        MouseInput hooked{second, p.sim, p.boxes, {}};
        hooked.Hook();
    }
    EXPECT_FALSE(p.sim.installed());
}

TEST(Binding, RealMiceAreListedAndEachPlayerBindsTheClickingMouse) {
    Panel p;
    p.sim.plug(
        {0xFFFFFFF0u, "USB", "VID_0001&PID_0002", std::string("Trackball\0junk", 14), false});
    p.input.DiscoverMice();
    ASSERT_EQ(p.lstMouseCollection->count(), 3);
    EXPECT_EQ(p.lstMouseCollection->item(0)->text(),
              "17\tOptical USB Mouse\tUSB\tVID_046D&PID_C077\tOptical USB Mouse");
    // Large handles read as signed numbers in both lists; text stops at NUL.
    EXPECT_EQ(p.lstMouseCollection->item(2)->text(),
              "-16\tTrackball\tUSB\tVID_0001&PID_0002\tTrackball");
    ASSERT_EQ(p.lvwMice->topLevelItemCount(), 3);
    const QTreeWidgetItem *row = p.lvwMice->topLevelItem(2);
    EXPECT_EQ(row->text(0) + row->text(1) + row->text(2) + row->text(3),
              "-16TrackballUSBVID_0001&PID_0002");
    EXPECT_EQ(StripAtNull(QString::fromLatin1("\0x", 2)), "");
    EXPECT_TRUE(p.state.MiceCount == 3 && p.sim.registeredWindow() == &p.window);
    EXPECT_TRUE(!p.lvwMice->rootIsDecorated() && p.lvwMice->uniformRowHeights()); // a flat list
    const QHeaderView *header = p.lvwMice->header(); // widths from twips
    EXPECT_EQ(QList<int>({header->sectionSize(0), header->sectionSize(1), header->sectionSize(2),
                          header->sectionSize(3)}),
              QList<int>({98, 275, 99, 299}));

    p.input.Hook();
    p.bind(1); // before any raw input: device 0, description kept, nothing enabled
    EXPECT_EQ(p.hdev[0]->text() + p.desc[0]->text(), "0Mice - Device Description");
    p.sim.move(23, p.cmdCursorPos);
    p.bind(1);
    EXPECT_TRUE(p.state.hDevicePlayer_01 == 23u && p.desc[0]->text() == "Wireless Mouse");
    EXPECT_EQ(p.enabled, 0) << "one player alone does not start the game";
    p.sim.move(17, p.cmdCursorPos);
    p.bind(2);
    EXPECT_EQ(p.desc[1]->text(), "Optical USB Mouse");
    EXPECT_EQ(p.enabled, 1);
    // A refresh rebuilds the lists from what is plugged in now. Rebinding to the same mouse is
    // accepted; an unknown device keeps the old description.
    p.sim.unplug(23);
    p.input.DiscoverMice();
    EXPECT_TRUE(p.lvwMice->topLevelItemCount() == 2 && p.lstMouseCollection->count() == 2 &&
                p.state.MiceCount == 2);
    p.sim.rawEvent(23, RawEventKind::ButtonPress);
    p.bind(2);
    EXPECT_EQ(p.hdev[1]->text() + p.desc[1]->text(), "23Optical USB Mouse");
    EXPECT_EQ(p.enabled, 2);

    // A large handle is found by its signed text; player 2 alone starts nothing.
    p.state.hDevicePlayer_01 = 0;
    p.sim.rawEvent(0xFFFFFFF0u, RawEventKind::ButtonPress);
    p.bind(2);
    EXPECT_TRUE(p.desc[1]->text() == "Trackball" && p.enabled == 2 && p.reported.empty());

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
                p.state.hDeviceLast == 41u && p.hdev[0]->text() == "41");
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
    QWidget popup(nullptr, Qt::Popup); // a menu: no close box to reach
    popup.setGeometry(0, 0, 20, 20);
    popup.show();
    settle();
    EXPECT_EQ(p.sim.confinement(), game | about.frameGeometry());
    about.move(game.left() - 50, game.top());
    settle();
    EXPECT_EQ(p.sim.confinement(), game | about.frameGeometry()) << "it follows the window";
    about.hide();
    settle();
    EXPECT_EQ(p.sim.confinement(), game) << "the game window's trap comes back";

    p.input.ReleaseCursorForm();
    about.show();
    settle();
    EXPECT_FALSE(p.sim.confined()) << "a released pointer stays free";
}
