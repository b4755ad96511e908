#include "platform/x11/udevdescription.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <libudev.h>
#include <sys/stat.h>

namespace lumbrast::platform::x11 {

namespace {

std::string text(const char *s) {
    return s ? std::string(s) : std::string();
}

std::string upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string lower(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string property(udev_device *dev, const char *name) {
    return dev ? text(udev_device_get_property_value(dev, name)) : std::string();
}

std::string attribute(udev_device *dev, const char *name) {
    return dev ? text(udev_device_get_sysattr_value(dev, name)) : std::string();
}

// First non-empty of a property on the node and on its USB parent: udev puts
// the hardware database's names on the USB device.
std::string fromNodeOrUsb(udev_device *node, udev_device *usb, const char *name) {
    std::string value = property(node, name);
    return value.empty() ? property(usb, name) : value;
}

// Vendor and product as the kernel reports them for the input device, so
// every node of one mouse, and every reconnect, gives the same text.
std::string identityOf(udev_device *node, udev_device *input, const std::string &bus) {
    const std::string vendor = lower(attribute(input, "id/vendor"));
    const std::string product = lower(attribute(input, "id/product"));
    // "uniq" holds a Bluetooth address or a serial the device reports itself.
    std::string unique = attribute(input, "uniq");
    if (unique.empty())
        unique = property(node, "ID_SERIAL_SHORT");
    const std::string where = unique.empty() ? "path " + property(node, "ID_PATH") : unique;
    if (vendor.empty() && product.empty() && where == "path ")
        return {};
    return bus + " " + vendor + ":" + product + " " + where;
}

} // namespace

std::string busName(unsigned busType) {
    switch (busType) {
    case 0x01:
        return "PCI";
    case 0x03:
        return "USB";
    case 0x05:
        return "BLUETOOTH";
    case 0x06:
        return "VIRTUAL";
    case 0x10:
        return "ISA";
    case 0x11:
        return "I8042";
    case 0x18:
        return "I2C";
    case 0x19:
        return "HOST";
    case 0x1C:
        return "SPI";
    default: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "BUS_%02X", busType);
        return buf;
    }
    }
}

std::optional<NodeDescription> describeDeviceNode(const std::string &node) {
    struct stat st {};
    if (node.empty() || ::stat(node.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt;

    std::unique_ptr<udev, decltype(&udev_unref)> context(udev_new(), &udev_unref);
    if (!context)
        return std::nullopt;
    std::unique_ptr<udev_device, decltype(&udev_device_unref)> dev(
        udev_device_new_from_devnum(context.get(), 'c', st.st_rdev), &udev_device_unref);
    if (!dev)
        return std::nullopt;
    // Parents belong to their child and are released with it.
    udev_device *input = udev_device_get_parent_with_subsystem_devtype(dev.get(), "input", nullptr);
    if (!input)
        return std::nullopt;
    udev_device *usb =
        udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");

    NodeDescription d;
    d.type = upper(property(dev.get(), "ID_BUS"));
    if (d.type.empty()) {
        const std::string bus = attribute(input, "id/bustype");
        if (!bus.empty())
            d.type = busName(static_cast<unsigned>(std::strtoul(bus.c_str(), nullptr, 16)));
    }

    std::string vendor = attribute(usb, "idVendor"), product = attribute(usb, "idProduct");
    if (vendor.empty() || product.empty()) {
        vendor = attribute(input, "id/vendor");
        product = attribute(input, "id/product");
    }
    if (!vendor.empty() && !product.empty())
        d.identification = lower(vendor) + ":" + lower(product);
    // Two mice of one model differ only by the port they sit in.
    if (usb)
        d.identification +=
            (d.identification.empty() ? "port " : " port ") + text(udev_device_get_sysname(usb));

    d.identity = identityOf(dev.get(), input, d.type);

    const std::string vendorName = fromNodeOrUsb(dev.get(), usb, "ID_VENDOR_FROM_DATABASE");
    const std::string modelName = fromNodeOrUsb(dev.get(), usb, "ID_MODEL_FROM_DATABASE");
    if (!vendorName.empty() && !modelName.empty())
        d.description = vendorName + " " + modelName;
    else if (!attribute(usb, "manufacturer").empty() && !attribute(usb, "product").empty())
        d.description = attribute(usb, "manufacturer") + " " + attribute(usb, "product");
    else
        d.description = attribute(input, "name");
    return d;
}

} // namespace lumbrast::platform::x11
