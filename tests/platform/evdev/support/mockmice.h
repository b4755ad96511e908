#pragma once
// Mice made up with umockdev: sysfs entries, udev properties, the ioctls
// libevdev asks, and events. The binary runs under umockdev-wrapper.

#include <array>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include <QTemporaryDir>

struct _UMockdevTestbed;

namespace mockmice {

struct Device {
    int number = 0;     // eventN, inputN
    std::string port{}; // USB port path, e.g. "1-2"
    std::string vendor = "046d", product = "c077";
    std::string uniq{};                                 // serial or Bluetooth address
    bool udevKeyboard = false;                          // ID_INPUT_KEYBOARD besides ID_INPUT_MOUSE
    std::vector<unsigned> keys = {0x110, 0x111, 0x112}; // BTN_LEFT, RIGHT, MIDDLE
};

class Bed {
public:
    Bed();
    ~Bed(); // not copied: QTemporaryDir is not
    // Adds the device without telling udev's listeners; returns its node.
    std::string add(const Device &s);
    // Adds / removes with the uevent a real plug sends.
    void plug(const Device &device);
    void unplug(const Device &device);

    // One event into the node, as the kernel queues it for every reader.
    void send(const std::string &node, unsigned type, unsigned code, int value);
    void frame(const std::string &node) { send(node, 0, 0, 0); }
    // Events of one frame (type, code, value each), then the frame's end.
    void report(const std::string &node, std::initializer_list<std::array<int, 3>> events);

private:
    _UMockdevTestbed *bed_;
    QTemporaryDir dir_;
    std::set<std::string> ports_;
};

} // namespace mockmice
