#pragma once
// Raw mouse input from the X server through XInput2, on the toolkit's own xcb
// connection: raw events carry the physical (slave) device that produced them
// and arrive on that connection before the toolkit's own events of the same
// action. Cursor return is a warp of the shared pointer; confinement is four
// XFixes pointer barriers, which the server drops with the connection.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/rawinput.h"

struct xcb_connection_t;
class QObject;

namespace lumbrast::platform::x11 {

// Thrown when the toolkit does not run on an X server with XInput 2.
class X11Unavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No window to register: the hook selects the raw events on the root window,
// and they reach the program whichever of its windows is in front (the first
// click on a window that was not in front is attributed too).
class X11RawInput final : public RawInput {
public:
    // Needs a QGuiApplication on the xcb platform. With virtualMice the
    // server's XTest pointers count as mice, so scripted input can play.
    explicit X11RawInput(bool virtualMice = false);
    ~X11RawInput() override;

    std::vector<PointingDevice> devices() override;
    void warpCursor(QPoint global) override;
    void confineCursor(QRect global) override;
    void releaseCursor() override;

    bool confined() const { return barriers_[0] != 0; }
    bool virtualMice() const { return virtualMice_; }

    // The handle that stands for an X device id right now (0: none yet).
    DeviceHandle handleOfXDevice(int xDeviceId) const noexcept;

    // One event as the toolkit's native filter hands it over; false lets the
    // toolkit go on with it. Public for the benchmark.
    bool handleEvent(const void *xcbEvent) noexcept;

    // Logical global coordinates to the server's pixels (high-DPI scaling).
    static QPoint toNative(QPoint global);
    static QRect toNative(QRect global);

private:
    class Filter;

    void startDelivery() override;
    void stopDelivery() override;

    DeviceHandle handleFor(std::uint16_t xDeviceId) noexcept;
    void forget(std::uint16_t xDeviceId) noexcept;
    void selectRaw(bool on);
    // Returns the mask before the change; throws when the server refuses an addition.
    std::uint32_t changeSelection(std::uint16_t deviceId, std::uint32_t add, std::uint32_t drop);
    void onHierarchy(const void *event) noexcept;

    static constexpr std::size_t kMaxXDevices = 256; // the server's own limit

    xcb_connection_t *conn_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint8_t xiOpcode_ = 0;
    bool barriersAvailable_ = false;
    bool virtualMice_ = false;
    std::uint32_t atomDeviceNode_ = 0;
    std::uint32_t atomXTest_ = 0;

    bool inEvent_ = false;
    std::uint32_t priorMasterMask_ = 0; // our client's raw bits before install
    std::uint32_t priorAllMask_ = 0;    // our client's hierarchy bit before us
    std::array<std::uint32_t, 4> barriers_{};

    // X reuses device ids; our handles are never reused within a run.
    std::array<DeviceHandle, kMaxXDevices> handleOfId_{};
    std::array<std::string, kMaxXDevices> identityOfId_{};
    DeviceHandle nextHandle_ = 1;

    std::unique_ptr<Filter> filter_;
    std::unique_ptr<QObject> changes_; // carries the queued calls; they die with it
};

} // namespace lumbrast::platform::x11
