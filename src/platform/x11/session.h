#pragma once
// Which kind of display session the program runs in, and so which back end
// tells the mice apart: XInput 2 on a real X server, evdev under Wayland.

#include <optional>
#include <string_view>

#include <QString>

namespace lumbrast::platform::x11 {

enum class SessionKind {
    X11,              // a real X server: XInput 2 tells the mice apart
    Wayland,          // a Wayland compositor: a native client, evdev tells the mice apart
    Xwayland,         // X11 asked for, but under Wayland, where all mice come as one pointer
    NoWaylandDisplay, // Wayland asked for, but its display cannot be reached
    NoDisplay,        // no display at all, or the X display cannot be reached
    OtherPlatform,    // the toolkit was told to use a platform of neither kind
};

enum class SessionRequest { Automatic, X11, Wayland };

// "auto", "x11" or "wayland", as the command line gives it; nothing for anything else.
std::optional<SessionRequest> parseSessionRequest(std::string_view text);

// From the environment (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM) and a short
// connection of its own to the display it picks. A request from the command
// line beats QT_QPA_PLATFORM. Call it before the application object exists.
SessionKind detectSession(SessionRequest request = SessionRequest::Automatic);
SessionKind detectSession(SessionRequest request, const char *display, const char *waylandDisplay,
                          const char *qpaPlatform);

// The one message for a session that cannot play, in the user's language when
// a translator is installed; empty for X11 and Wayland.
QString sessionMessage(SessionKind kind, const char *qpaPlatform = nullptr);

} // namespace lumbrast::platform::x11
