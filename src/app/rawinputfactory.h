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
    // A native Wayland client: mice told apart by their input devices.
    bool wayland = false;
};

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice);

// The Wayland back end: mice from their input devices, the cursor through the
// compositor's pointer constraints.
std::unique_ptr<platform::RawInput> makeWaylandRawInput();

} // namespace lumbrast::app
