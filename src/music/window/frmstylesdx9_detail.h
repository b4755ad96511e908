#pragma once
// Small helpers shared by the style player's source files.

#include "music/window/frmstylesdx9.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace lumbrast::musicwindow::detail {

[[noreturn]] void invalidValue();

template <class T> T &need(const std::shared_ptr<T> &p) {
    if (!p)
        throw WindowError(kErrNoObject, "Object variable not set");
    return *p;
}

std::int32_t checkedAdd(std::int32_t a, std::int32_t b);

// The length box's number: rounded half to even; a pasted value beyond 16
// bits counts as the largest the box can hold.
std::int16_t lengthFromText(const QString &text);

// The stored shape index as a number; Overflow when it does not fit.
std::int16_t shapeIndex(const QString &text);

} // namespace lumbrast::musicwindow::detail
