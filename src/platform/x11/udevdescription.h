#pragma once
// What people and the mouse list see of a device node: its bus, vendor and
// product, and a readable name, as udev and sysfs know them.

#include <optional>
#include <string>

namespace lumbrast::platform::x11 {

struct NodeDescription {
    std::string type;           // the bus: "USB", "BLUETOOTH", "I8042" ...
    std::string identification; // "046d:c077", with the USB port when there is one
    std::string description;    // vendor and model names, or the kernel's device name
    // The same mouse after a reconnect under a new node: bus, vendor and
    // product, then its serial or Bluetooth address, else its port path.
    std::string identity;
};

// Looks up an input device node such as /dev/input/event5; nothing when the
// node is not an input device udev knows.
std::optional<NodeDescription> describeDeviceNode(const std::string &node);

// The kernel's bus type number (linux/input.h BUS_*) as a short upper-case name.
std::string busName(unsigned busType);

} // namespace lumbrast::platform::x11
