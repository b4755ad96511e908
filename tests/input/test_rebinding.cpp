#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QWidget>
#include <gtest/gtest.h>

#include "input/mouseinput.h"
#include "platform/desktop/fakes.h"
#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast;
using namespace lumbrast::input;
using platform::PointingDevice;
using platform::RawEventKind;

namespace {
const std::string kLeft = "USB 046d:c077 path pci-0000:00:14.0-usb-0:2:1.0";
const std::string kRight = "BLUETOOTH 1bcf:0005 a4:c1:38:0e:22:5f";

PointingDevice mouse(DeviceHandle handle, const std::string &identity) {
    return {handle, "USB", "046d:c077", "Mouse", false, identity};
}
} // namespace

// Players bound on any back end keep their mouse across a reconnect, and only their own mouse.
TEST(Rebinding, AMouseThatComesBackKeepsItsPlayerAndNoOtherMouseInheritsIt) {
    QWidget window;
    QLabel *hdev[2] = {new QLabel(&window), new QLabel(&window)};
    QLabel *desc[2] = {new QLabel(&window), new QLabel(&window)};
    InputState state;
    platform::SimulatedRawInput sim({mouse(17, kLeft), mouse(23, kRight), mouse(29, "")});
    platform::RecordingMessageBoxes boxes;
    MouseInput input(state, sim, boxes, [](const std::exception &, std::string_view) {});
    input.attach({&window,
                  new QWidget(&window),
                  new QTreeWidget(&window),
                  new QListWidget(&window),
                  {hdev[0], hdev[1]},
                  {desc[0], desc[1]}});
    input.DiscoverMice();
    input.Hook();
    for (auto [player, handle] : {std::pair{1, 17u}, {2, 23u}}) {
        sim.rawEvent(handle, RawEventKind::ButtonPress);
        input.bindPlayer(player, [] {});
    }
    state.hDeviceActive = state.hDeviceLast = 17;

    // While the mouse is there, a twin of its identity takes nothing.
    sim.plug(mouse(31, kLeft));
    sim.unplug(31);
    sim.unplug(17);
    // The same model in another port is another mouse.
    sim.plug(mouse(37, "USB 046d:c077 path pci-0000:00:14.0-usb-0:3:1.0"));
    EXPECT_EQ(state.hDevicePlayer_01, 17u);
    sim.plug(mouse(41, kLeft));
    EXPECT_EQ(state.hDevicePlayer_01, 41u);
    EXPECT_TRUE(state.hDeviceActive == 41u && state.hDeviceLast == 41u);
    EXPECT_EQ(hdev[0]->text(), "41");
    sim.unplug(23);
    sim.plug(mouse(47, kRight));
    EXPECT_EQ(state.hDevicePlayer_02, 47u);

    // A mouse never listed, or without an identity, is never recognised.
    for (DeviceHandle unknown : {53u, 29u}) {
        sim.rawEvent(unknown, RawEventKind::ButtonPress);
        input.bindPlayer(2, [] {});
        sim.unplug(unknown);
        sim.plug(mouse(unknown + 100, ""));
        sim.plug(mouse(unknown + 200, kRight));
        EXPECT_EQ(state.hDevicePlayer_02, unknown);
    }
    // Nor does a new game's unbound player take a mouse back.
    state.setDefaults();
    sim.unplug(41);
    sim.plug(mouse(59, kLeft));
    EXPECT_EQ(state.hDevicePlayer_01, 0u);
}
