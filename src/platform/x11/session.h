#pragma once
// Which kind of display session the program runs in: only a real X server
// tells the mice apart.

#include <string>

namespace lumbrast::platform::x11 {

enum class SessionKind {
    X11,           // a real X server: the mice can be told apart
    Xwayland,      // X clients under Wayland: all mice come as one pointer
    WaylandOnly,   // Wayland without an X display for the toolkit
    NoDisplay,     // no display at all, or it cannot be reached
    OtherPlatform, // the toolkit was told to use another platform
};

// From the environment (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM) and, when
// there is an X display, a short connection of its own to look at it. Call it
// before the application object exists.
SessionKind detectSession();
SessionKind detectSession(const char *display, const char *waylandDisplay, const char *qpaPlatform);

// The one message for a session that cannot play; empty for X11.
std::string sessionMessage(SessionKind kind, const char *qpaPlatform = nullptr);

} // namespace lumbrast::platform::x11
