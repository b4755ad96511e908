#include "mockmice.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

#include <linux/input.h>
#include <umockdev.h>
#include <unistd.h>

namespace mockmice {

namespace {

// A bit set of `bytes` bytes, in the hex the ioctl records hold.
std::string bits(qsizetype bytes, const std::vector<unsigned> &set) {
    QByteArray b(bytes, '\0');
    for (unsigned bit : set)
        b[bit / 8] = static_cast<char>(b.at(bit / 8) | (1 << (bit % 8)));
    return b.toHex().toUpper().toStdString();
}

void check(gboolean ok, const GError *error) {
    if (!ok)
        throw std::runtime_error(error ? error->message : "umockdev failed");
}

std::string usbPath(const Device &s) {
    return "/devices/pci0000:00/0000:00:14.0/usb1/" + s.port;
}

std::string inputPath(const Device &s) {
    return usbPath(s) + "/" + s.port + ":1.0/input/input" + std::to_string(s.number);
}

std::string syspath(const Device &s) {
    return "/sys" + inputPath(s) + "/event" + std::to_string(s.number);
}

} // namespace

Bed::Bed() : bed_(umockdev_testbed_new()) {
    if (!umockdev_in_mock_environment())
        throw std::runtime_error("run this test under umockdev-wrapper");
}

Bed::~Bed() {
    g_object_unref(bed_);
}

std::string Bed::add(const Device &s) {
    const std::string n = std::to_string(s.number);
    std::string node = "/dev/input/event" + n;
    const std::string usb = usbPath(s), input = inputPath(s);
    std::string text = "P: " + input + "/event" + n + "\nN: input/event" + n +
                       "\nE: DEVNAME=" + node +
                       "\nE: SUBSYSTEM=input\nE: ID_INPUT=1\nE: ID_BUS=usb\n" +
                       "E: ID_PATH=pci-0000:00:14.0-usb-0:" + s.port.substr(2) + ":1.0\n" +
                       "E: MAJOR=13\nE: MINOR=" + std::to_string(64 + s.number) +
                       "\nA: dev=13:" + std::to_string(64 + s.number) + "\nE: ID_INPUT_MOUSE=1\n";
    if (s.udevKeyboard)
        text += "E: ID_INPUT_KEYBOARD=1\nE: ID_INPUT_KEY=1\n";
    text += "\nP: " + input + "\nE: SUBSYSTEM=input\nA: name=Logi Mouse" +
            "\nA: id/bustype=0003\nA: id/vendor=" + s.vendor + "\nA: id/product=" + s.product +
            "\nA: uniq=" + s.uniq + "\n";
    if (ports_.insert(s.port).second) // a port's USB device stays when its mouse goes
        text +=
            "\nP: " + usb +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: ID_VENDOR_FROM_DATABASE=Logitech, Inc.\n"
            "E: ID_MODEL_FROM_DATABASE=M105 Optical Mouse\nA: idVendor=" +
            s.vendor + "\nA: idProduct=" + s.product + "\n";
    GError *error = nullptr;
    check(umockdev_testbed_add_from_string(bed_, text.c_str(), &error), error);

    // What libevdev asks when it opens the node, each answer of the size it asks.
    const std::string record = dir_.filePath(QString::fromStdString("event" + n)).toStdString();
    std::ofstream out(record);
    out << "@DEV " << node << "\nEVIOCGVERSION 0 01000100\nEVIOCGID 0 0300" << s.vendor.substr(2)
        << s.vendor.substr(0, 2) << s.product.substr(2) << s.product.substr(0, 2) << "1101\n"
        << "EVIOCGBIT(0) 8 " << bits(8, {EV_SYN, EV_KEY, EV_REL, EV_MSC}) << "\nEVIOCGNAME(0) 11 "
        << QByteArray("Logi Mouse").leftJustified(255, '\0').toHex().toUpper().toStdString()
        << "\nEVIOCGBIT(1) 96 " << bits(96, s.keys) << "\nEVIOCGBIT(2) 8 "
        << bits(8, {REL_X, REL_Y, REL_WHEEL, REL_WHEEL_HI_RES}) << "\nEVIOCGBIT(4) 8 "
        << bits(8, {MSC_SCAN}) << "\n";
    for (const char *none : {"EVIOCGPROP(0) 8", "EVIOCGBIT(3) 8", "EVIOCGBIT(5) 8",
                             "EVIOCGBIT(17) 8", "EVIOCGBIT(18) 8", "EVIOCGBIT(21) 16",
                             "EVIOCGKEY(0) 96", "EVIOCGLED(0) 8", "EVIOCGSW(0) 8"})
        out << none << ' ' << bits(std::stoi(std::strchr(none, ' ') + 1), {}) << '\n';
    out.close();
    check(umockdev_testbed_load_ioctl(bed_, node.c_str(), record.c_str(), &error), error);
    return node;
}

void Bed::plug(const Device &device) {
    add(device);
    umockdev_testbed_uevent(bed_, syspath(device).c_str(), "add");
}

void Bed::unplug(const Device &device) {
    const std::string path = syspath(device);
    umockdev_testbed_uevent(bed_, path.c_str(), "remove");
    umockdev_testbed_remove_device(bed_, path.c_str());
}

void Bed::send(const std::string &node, unsigned type, unsigned code, int value) {
    input_event ev{};
    ev.type = static_cast<__u16>(type);
    ev.code = static_cast<__u16>(code);
    ev.value = value;
    const int fd = umockdev_testbed_get_dev_fd(bed_, node.c_str());
    if (fd < 0 || ::write(fd, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
        throw std::runtime_error("cannot write an event into " + node);
}

void Bed::report(const std::string &node, std::initializer_list<std::array<int, 3>> events) {
    for (const auto &[type, code, value] : events)
        send(node, static_cast<unsigned>(type), static_cast<unsigned>(code), value);
    frame(node);
}

} // namespace mockmice
