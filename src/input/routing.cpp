#include "input/routing.h"

#include <cmath>

namespace lumbrast::input {

void RawMouseRouter::rawInput(platform::DeviceHandle device, platform::RawEventKind) noexcept {
    if (window_ && !window_->isActiveWindow()) {
        // No cursor return behind another window; but the click that brings
        // this window forward arrives before the activation, and has to be
        // told by the mouse that made it.
        state_.hDeviceLast = device;
        return;
    }
    WindowProc(device);
}

void RawMouseRouter::WindowProc(platform::DeviceHandle device) noexcept {
    state_.hDeviceLast = device;
    if (state_.hDeviceLast != state_.hDeviceActive && state_.hDeviceActive != 0)
        MoveCursorToCursorPos();
}

QPoint RawMouseRouter::centreOf(const QWidget *widget) noexcept {
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    // nearbyint rounds halves to the even neighbour in the default mode.
    const double x = origin.x() + widget->width() / 2.0;
    const double y = origin.y() + widget->height() / 2.0;
    return {static_cast<int>(std::nearbyint(x)), static_cast<int>(std::nearbyint(y))};
}

void RawMouseRouter::MoveCursorToCursorPos() noexcept {
    if (!home_)
        return;
    try {
        raw_.warpCursor(centreOf(home_));
    } catch (...) {
        // A failed warp must never stop event processing.
    }
}

} // namespace lumbrast::input
