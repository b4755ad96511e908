#include "sway.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace lumbrast::testing {

namespace {

// sway refuses to run as root; the tests then hand it to this user.
constexpr uid_t kNobody = 65534;

// Its configuration, in a folder that sway's user owns.
std::string configure(const QTemporaryDir &folder) {
    if (!folder.isValid())
        throw std::runtime_error("cannot make a runtime folder for sway");
    const std::string dir = folder.path().toStdString();
    std::string config = dir + "/config";
    std::ofstream(config) << "xwayland disable\n"
                             "output HEADLESS-1 resolution "
                          << SwayServer::kWidth << "x" << SwayServer::kHeight
                          << " position 0 0\n"
                             "default_border none\n"
                             // without a seat's configuration no constraint acts
                             "seat * pointer_constraint enable\n"
                             // sway's children inherit the ready pipe
                             "exec echo \"$WAYLAND_DISPLAY\" >&"
                          << TiedChild::kReadyFd << "\n";
    if (::geteuid() == 0 &&
        (::chown(dir.c_str(), kNobody, kNobody) != 0 || ::chmod(config.c_str(), 0644) != 0))
        throw std::runtime_error("cannot hand the runtime folder to sway's user");
    return config;
}

// The first global of an interface, bound on the queue given.
template <typename T>
T *bindFirst(wl_display *display, wl_event_queue *queue, const wl_interface &interface) {
    struct Found {
        const wl_interface *interface;
        void *proxy = nullptr;
    } found{&interface};
    static constexpr wl_registry_listener listener{
        [](void *data, wl_registry *registry, std::uint32_t name, const char *iface,
           std::uint32_t) {
            auto *f = static_cast<Found *>(data);
            if (!f->proxy && std::strcmp(iface, f->interface->name) == 0)
                f->proxy = wl_registry_bind(registry, name, f->interface, 1);
        },
        [](void *, wl_registry *, std::uint32_t) {}};
    auto *wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), queue);
    wl_registry *registry = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_registry_add_listener(registry, &listener, &found);
    wl_display_roundtrip_queue(display, queue);
    wl_registry_destroy(registry);
    return static_cast<T *>(found.proxy);
}

} // namespace

// The line comes once the compositor runs its configuration's commands.
SwayServer::SwayServer()
    : dir_(QDir::tempPath() + "/lumbrast-sway-XXXXXX"), config_(configure(dir_)),
      child_({"sway", "-c", config_.c_str()}, [this] {
          if (::geteuid() == 0 &&
              (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
              ::_exit(125);
          const QByteArray dir = dir_.path().toLocal8Bit();
          ::clearenv();
          ::setenv("PATH", "/usr/bin:/bin", 1);
          ::setenv("HOME", dir.constData(), 1);
          ::setenv("XDG_RUNTIME_DIR", dir.constData(), 1);
          ::setenv("WLR_BACKENDS", "headless", 1);
          ::setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
          ::setenv("WLR_RENDERER", "pixman", 1);
      }) {
    const std::string socket =
        dir_.path().toStdString() + "/" +
        child_.readyLine("sway did not start (is the sway package installed?)");
    ::setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

namespace {

SwayServer &of(void *data) {
    return *static_cast<SwayServer *>(data);
}

// Version 1 of the pointer: enter, leave, motion, button, axis.
const wl_pointer_listener listener{
    [](void *p, wl_pointer *, std::uint32_t, wl_surface *surface, wl_fixed_t x, wl_fixed_t y) {
        of(p).focus = surface;
        of(p).at = QPoint(wl_fixed_to_int(x), wl_fixed_to_int(y));
    },
    [](void *p, wl_pointer *, std::uint32_t, wl_surface *) { of(p).focus = nullptr; },
    [](void *p, wl_pointer *, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        of(p).at = QPoint(wl_fixed_to_int(x), wl_fixed_to_int(y));
    },
    [](void *, wl_pointer *, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void *, wl_pointer *, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr};

} // namespace

void SwayServer::watchPointer() {
    toolkit_ = static_cast<wl_display *>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    queue_ = wl_display_create_queue(toolkit_);
    auto *manager = bindFirst<zwlr_virtual_pointer_manager_v1>(
        toolkit_, queue_, zwlr_virtual_pointer_manager_v1_interface);
    wl_seat *seat = bindFirst<wl_seat>(toolkit_, queue_, wl_seat_interface);
    if (!manager || !seat)
        throw std::runtime_error("the compositor offers no virtual pointer or no seat");
    device_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    seen_ = wl_seat_get_pointer(seat); // the pointer device gave the seat one
    wl_seat_destroy(seat);
    wl_pointer_add_listener(seen_, &listener, this);
    wl_display_roundtrip_queue(toolkit_, queue_);
}

void SwayServer::unwatchPointer() {
    zwlr_virtual_pointer_v1_destroy(device_);
    wl_pointer_destroy(seen_);
    wl_event_queue_destroy(queue_);
}

QPoint SwayServer::moveBy(int dx, int dy) {
    zwlr_virtual_pointer_v1_motion(device_, 0, wl_fixed_from_int(dx), wl_fixed_from_int(dy));
    zwlr_virtual_pointer_v1_frame(device_);
    wl_display_roundtrip_queue(toolkit_, queue_);
    return at;
}

bool SwayServer::cameOver(const QWidget &window) {
    return waitUntil([&] {
        zwlr_virtual_pointer_v1_motion_absolute(device_, 0, kWidth / 2, kHeight / 2, kWidth,
                                                kHeight);
        moveBy(0, 0); // the frame, and both connections caught up
        QWindow *handle = window.windowHandle();
        return handle && handle->handle() && focus &&
               focus == QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                            "surface", handle);
    });
}

} // namespace lumbrast::testing
