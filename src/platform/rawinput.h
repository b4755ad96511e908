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
    RawInput() = default;
    virtual ~RawInput() = default;
    RawInput(const RawInput &) = delete; // each holds the system's devices
    RawInput &operator=(const RawInput &) = delete;

    // Pointing devices present now, in the system's order, system-made ones included.
    virtual std::vector<PointingDevice> devices() = 0;

    // Lets the window receive raw input at all (discovery's registration step);
    // nothing to do where raw input reaches every window of the program.
    virtual void registerWindow(QWidget *window) { (void)window; }

    // Starts / stops delivering raw events to the sink. Both are idempotent;
    // another sink replaces the first without a stop.
    void install(RawInputSink *sink) {
        if (!sink)
            return remove();
        if (!sink_)
            startDelivery();
        sink_ = sink;
    }
    void remove() {
        if (!sink_)
            return;
        sink_ = nullptr;
        stopDelivery();
    }
    bool installed() const { return sink_ != nullptr; }

    // Global positions and rectangles in Qt's logical coordinates (QWidget::mapToGlobal).
    virtual void warpCursor(QPoint global) = 0;
    virtual void confineCursor(QRect global) = 0;
    virtual void releaseCursor() = 0;

    // Calls back on the UI thread, never from within a sink call, after mice
    // came or went; an empty function stops the calls. A back end that cannot
    // tell never calls.
    void watchDevices(const std::function<void()> &changed) { changed_ = changed; }

protected:
    // Before the first sink is set / after the last one is gone.
    virtual void startDelivery() {}
    virtual void stopDelivery() {}
    RawInputSink *sink() const { return sink_; }
    bool watched() const { return static_cast<bool>(changed_); }
    void devicesChanged() const {
        if (changed_)
            changed_();
    }

private:
    RawInputSink *sink_ = nullptr;
    std::function<void()> changed_;
};

} // namespace lumbrast::platform
