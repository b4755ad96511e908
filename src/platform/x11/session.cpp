#include "platform/x11/session.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <QCoreApplication>
#include <wayland-client.h>
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

std::optional<SessionRequest> parseSessionRequest(std::string_view text) {
    if (text == "auto")
        return SessionRequest::Automatic;
    if (text == "x11")
        return SessionRequest::X11;
    if (text == "wayland")
        return SessionRequest::Wayland;
    return std::nullopt;
}

SessionKind detectSession(SessionRequest request) {
    return detectSession(request, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                         std::getenv("QT_QPA_PLATFORM"));
}

SessionKind detectSession(SessionRequest request, const char *display, const char *waylandDisplay,
                          const char *qpaPlatform) {
    if (request == SessionRequest::Automatic && qpaPlatform && *qpaPlatform) {
        // A platform name may carry options after a colon; "wayland-egl" is Wayland too.
        const std::string_view asked(qpaPlatform);
        const std::string_view name = asked.substr(0, asked.find(':'));
        if (name == "xcb")
            request = SessionRequest::X11;
        else if (name == "wayland" || name.starts_with("wayland-"))
            request = SessionRequest::Wayland;
        else
            return SessionKind::OtherPlatform;
    }
    const bool haveWayland = waylandDisplay && *waylandDisplay;
    if (request == SessionRequest::Automatic) {
        if (haveWayland)
            request = SessionRequest::Wayland;
        else if (display && *display)
            request = SessionRequest::X11;
        else
            return SessionKind::NoDisplay;
    }
    if (request == SessionRequest::Wayland) {
        wl_display *wl = wl_display_connect(haveWayland ? waylandDisplay : nullptr);
        if (!wl)
            return SessionKind::NoWaylandDisplay;
        wl_display_disconnect(wl);
        return SessionKind::Wayland;
    }

    if (!display || !*display)
        return SessionKind::NoDisplay;
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

QString sessionMessage(SessionKind kind, const char *qpaPlatform) {
    switch (kind) {
    case SessionKind::X11:
    case SessionKind::Wayland:
        return {};
    case SessionKind::Xwayland:
        return QCoreApplication::translate(
            "Session",
            "This desktop runs Wayland, whose X11 compatibility (Xwayland) reports all mice as "
            "one pointer, so Lumbrast cannot tell the players' mice apart there. Start it "
            "without \"--session x11\" and without QT_QPA_PLATFORM=xcb to play as a "
            "Wayland program.");
    case SessionKind::NoWaylandDisplay:
        return QCoreApplication::translate(
            "Session",
            "Lumbrast cannot reach the Wayland display (is WAYLAND_DISPLAY right?). Start it "
            "from the desktop session, or with \"--session x11\" on an X11 desktop.");
    case SessionKind::NoDisplay:
        return QCoreApplication::translate(
            "Session",
            "Lumbrast has no display to open on: neither a Wayland display (WAYLAND_DISPLAY) "
            "nor an X11 display (DISPLAY) can be reached. Start it from a desktop session.");
    case SessionKind::OtherPlatform:
        return QCoreApplication::translate(
                   "Session", "Lumbrast needs the X11 or the Wayland platform to tell the players' "
                              "mice apart, but QT_QPA_PLATFORM asks for \"%1\".")
            .arg(QString::fromLocal8Bit(qpaPlatform ? qpaPlatform : ""));
    }
    return {};
}

} // namespace lumbrast::platform::x11
