#pragma once
// The input subsystem's program-wide variables. The pairs rules read and write
// the device handles too, so this header is plain C++ with no Qt.

#include <cstdint>

namespace lumbrast::input {

// A device handle names one physical pointing device for the whole run; 0 means none.
using DeviceHandle = std::uint32_t;

// 16-bit truth value: true = -1, false = 0.
using Flag = std::int16_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

struct InputState {
    std::int16_t MiceCount = 0;
    DeviceHandle hDeviceLast = 0;      // written only by the raw input routing
    DeviceHandle hDevicePlayer_01 = 0; // written only by the binding
    DeviceHandle hDevicePlayer_02 = 0;
    DeviceHandle hDeviceActive = 0; // written only by the turn handling
    Flag IsHooked = kFalse;

    // The input part of SetPublicDefaults; IsHooked is left alone on purpose.
    void setDefaults() {
        MiceCount = 0;
        hDeviceLast = 0;
        hDevicePlayer_01 = 0;
        hDevicePlayer_02 = 0;
        hDeviceActive = 0;
    }
};

} // namespace lumbrast::input
