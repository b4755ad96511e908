#include "platform/x11/session.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace lumbrast::platform::x11 {

namespace {

bool startsWith(const char *s, std::size_t len, const char *prefix) {
    const std::size_t n = std::strlen(prefix);
    return len >= n && std::strncmp(s, prefix, n) == 0;
}

// Xwayland announces itself by an extension of its own; older ones only by
// the names of their input devices.
bool isXwayland(xcb_connection_t *conn) {
    const char name[] = "XWAYLAND";
    std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)> ext(
        xcb_query_extension_reply(conn, xcb_query_extension(conn, sizeof name - 1, name), nullptr),
        &std::free);
    if (ext && ext->present)
        return true;

    std::unique_ptr<xcb_input_xi_query_version_reply_t, decltype(&std::free)> version(
        xcb_input_xi_query_version_reply(conn, xcb_input_xi_query_version(conn, 2, 0), nullptr),
        &std::free);
    if (!version)
        return false;
    std::unique_ptr<xcb_input_xi_query_device_reply_t, decltype(&std::free)> devices(
        xcb_input_xi_query_device_reply(conn, xcb_input_xi_query_device(conn, XCB_INPUT_DEVICE_ALL),
                                        nullptr),
        &std::free);
    if (!devices)
        return false;
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem;
         xcb_input_xi_device_info_next(&it))
        if (startsWith(xcb_input_xi_device_info_name(it.data), it.data->name_len, "xwayland-"))
            return true;
    return false;
}

} // namespace

SessionKind detectSession() {
    return detectSession(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                         std::getenv("QT_QPA_PLATFORM"));
}

SessionKind detectSession(const char *display, const char *waylandDisplay,
                          const char *qpaPlatform) {
    if (qpaPlatform && *qpaPlatform) {
        // "xcb" may carry options after a colon.
        const char *colon = std::strchr(qpaPlatform, ':');
        const std::size_t len =
            colon ? static_cast<std::size_t>(colon - qpaPlatform) : std::strlen(qpaPlatform);
        if (len != 3 || std::strncmp(qpaPlatform, "xcb", 3) != 0)
            return SessionKind::OtherPlatform;
    }
    if (!display || !*display)
        return waylandDisplay && *waylandDisplay ? SessionKind::WaylandOnly
                                                 : SessionKind::NoDisplay;

    xcb_connection_t *conn = xcb_connect(display, nullptr);
    if (!conn || xcb_connection_has_error(conn)) {
        if (conn)
            xcb_disconnect(conn);
        return SessionKind::NoDisplay;
    }
    const bool xwayland = isXwayland(conn);
    xcb_disconnect(conn);
    return xwayland ? SessionKind::Xwayland : SessionKind::X11;
}

std::string sessionMessage(SessionKind kind, const char *qpaPlatform) {
    switch (kind) {
    case SessionKind::X11:
        return {};
    case SessionKind::Xwayland:
        return "This desktop runs Wayland, whose X11 compatibility (Xwayland) reports all mice as "
               "one "
               "pointer, so Lumbrast cannot tell the players' mice apart. Log in to an X11 (Xorg) "
               "session to play.";
    case SessionKind::WaylandOnly:
        return "Lumbrast needs an X11 display to tell the players' mice apart, and this Wayland "
               "session offers none. Log in to an X11 (Xorg) session to play.";
    case SessionKind::NoDisplay:
        return "Lumbrast has no display to open on: it needs an X11 display to tell the players' "
               "mice apart (is DISPLAY set?). Start it from an X11 desktop session.";
    case SessionKind::OtherPlatform:
        return std::string("Lumbrast needs the X11 platform to tell the players' mice apart, but "
                           "QT_QPA_PLATFORM asks for \"") +
               (qpaPlatform ? qpaPlatform : "") + "\".";
    }
    return {};
}

} // namespace lumbrast::platform::x11
