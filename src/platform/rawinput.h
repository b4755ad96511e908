#pragma once
// Raw mouse input: the narrow interface between the input logic and the system.
// One real implementation talks to the X server (XInput2, XFixes, udev); the
// simulated one is driven by tests with scripted mice.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QPoint>
#include <QRect>

class QWidget;

namespace lumbrast::platform {

using DeviceHandle = std::uint32_t;

struct PointingDevice {
    DeviceHandle handle = 0;    // never 0, never reused within one run
    std::string type;           // bus, e.g. "USB", "BLUETOOTH" (name part 0)
    std::string identification; // vendor and product (name part 1)
    std::string description;    // for people; may be empty
    bool systemMade = false;    // made by the system itself (virtual pointers): never listed
    // Names the physical mouse across reconnects: bus, vendor and product with
    // its serial, Bluetooth address or port. Empty when unknown; never matches then.
    std::string identity{};
};

enum class RawEventKind : std::uint8_t { Motion, ButtonPress, ButtonRelease, Wheel };

// Receives raw events on the UI thread, each before the toolkit's own mouse
// event for the same action. Must not allocate or throw.
class RawInputSink {
public:
    virtual void rawInput(DeviceHandle device, RawEventKind kind) noexcept = 0;

protected:
    ~RawInputSink() = default;
};

class RawInput {
public:
    virtual ~RawInput() = default;

    // Pointing devices present now, in the system's order, system-made ones included.
    virtual std::vector<PointingDevice> devices() = 0;

    // Lets the window receive raw input at all (discovery's registration step).
    virtual void registerWindow(QWidget *window) = 0;

    // Starts / stops delivering raw events to the sink. Both are idempotent.
    virtual void install(RawInputSink *sink) = 0;
    virtual void remove() = 0;
    virtual bool installed() const = 0;

    // Global positions and rectangles in Qt's logical coordinates (QWidget::mapToGlobal).
    virtual void warpCursor(QPoint global) = 0;
    virtual void confineCursor(QRect global) = 0;
    virtual void releaseCursor() = 0;

    // Calls back on the UI thread, never from within a sink call, after mice
    // came or went; an empty function stops the calls. A back end that cannot
    // tell never calls.
    virtual void watchDevices(const std::function<void()> &changed) { (void)changed; }
};

} // namespace lumbrast::platform
