#pragma once
// Picks the raw input back end the program runs on.

#include <memory>

#include "platform/rawinput.h"

namespace lumbrast::app {

struct RawInputChoice {
    // Two scripted mice stand in for real ones; the real pointer plays both.
    bool simulatedMice = false;
    // The X server's virtual test pointers (XTest) count as mice.
    bool virtualMice = false;
    // Mice read from the kernel's evdev nodes instead of the X server.
    bool evdev = false;
    // A native Wayland client: mice read from evdev, the cursor through the compositor.
    bool wayland = false;
};

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice);

} // namespace lumbrast::app
