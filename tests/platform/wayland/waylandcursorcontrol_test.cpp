// Cursor return and confinement through pointer constraints under a headless
// sway of the test's own, seen by a client pointer on the toolkit's connection
// while a virtual pointer pushes.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <gtest/gtest.h>
#include <wayland-client.h>

#include "platform/wayland/waylandcursorcontrol.h"
#include "platform/x11/session.h"
#include "tiedchild.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

using namespace lumbrast::testing;
using lumbrast::platform::wayland::WaylandCursorControl;

constexpr int kWidth = 1024, kHeight = 768; // the one output, which a window fills
constexpr uid_t kNobody = 65534;            // sway refuses root; it runs as this user then

// Its configuration, in a folder that sway's user owns.
std::string configure(const QTemporaryDir &folder) {
    if (!folder.isValid())
        throw std::runtime_error("cannot make a runtime folder for sway");
    const std::string dir = folder.path().toStdString();
    std::string config = dir + "/config";
    std::ofstream(config) << "xwayland disable\n"
                             "output HEADLESS-1 resolution "
                          << kWidth << "x" << kHeight
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

// Headless, tiling windows without borders; ready once it runs its configuration.
struct Sway {
    QTemporaryDir dir{QDir::tempPath() + "/lumbrast-sway-XXXXXX"}; // outlives the child
    std::string config = configure(dir);
    TiedChild child{{"sway", "-c", config.c_str()}, [this] {
                        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 ||
                                                 ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                            ::_exit(125);
                        const QByteArray folder = dir.path().toLocal8Bit();
                        ::clearenv();
                        ::setenv("PATH", "/usr/bin:/bin", 1);
                        ::setenv("XDG_RUNTIME_DIR", folder.constData(), 1);
                        ::setenv("WLR_BACKENDS", "headless", 1);
                        ::setenv("WLR_RENDERER", "pixman", 1);
                    }};
    Sway() {
        const std::string socket =
            dir.path().toStdString() + "/" +
            child.readyLine("sway did not start (is the sway package installed?)");
        ::setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "wayland", 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }
};

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

// A pointer device on the seat, and the pointer as a client on the toolkit's
// connection sees it, on a queue of its own; made once the application is up.
struct Pointer {
    wl_display *toolkit = static_cast<wl_display *>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    wl_event_queue *queue = wl_display_create_queue(toolkit);
    zwlr_virtual_pointer_v1 *device = nullptr;
    wl_pointer *seen = nullptr;
    const wl_surface *focus = nullptr; // the surface it is over
    QPoint at;                         // on that surface

    Pointer() {
        auto *manager = bindFirst<zwlr_virtual_pointer_manager_v1>(
            toolkit, queue, zwlr_virtual_pointer_manager_v1_interface);
        wl_seat *seat = bindFirst<wl_seat>(toolkit, queue, wl_seat_interface);
        if (!manager || !seat)
            throw std::runtime_error("the compositor offers no virtual pointer or no seat");
        device = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
        zwlr_virtual_pointer_manager_v1_destroy(manager);
        seen = wl_seat_get_pointer(seat); // the pointer device gave the seat one
        wl_seat_destroy(seat);
        wl_pointer_add_listener(seen, &listener, this);
        wl_display_roundtrip_queue(toolkit, queue);
    }
    ~Pointer() {
        zwlr_virtual_pointer_v1_destroy(device);
        wl_pointer_destroy(seen);
        wl_event_queue_destroy(queue);
    }
    Pointer(const Pointer &) = delete;

    // Where it is once the toolkit's connection has what the compositor sent.
    QPoint moveBy(int dx, int dy) {
        zwlr_virtual_pointer_v1_motion(device, 0, wl_fixed_from_int(dx), wl_fixed_from_int(dy));
        zwlr_virtual_pointer_v1_frame(device);
        wl_display_roundtrip_queue(toolkit, queue);
        return at;
    }
    // Puts it on the output's centre until the compositor shows the window there.
    bool cameOver(const QWidget &window) {
        return waitUntil([&] {
            zwlr_virtual_pointer_v1_motion_absolute(device, 0, kWidth / 2, kHeight / 2, kWidth,
                                                    kHeight);
            moveBy(0, 0);
            QWindow *handle = window.windowHandle();
            return handle && handle->handle() && focus &&
                   focus == QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                                "surface", handle);
        });
    }

    static const wl_pointer_listener listener;
};
Pointer *pointer = nullptr; // the one main() made

// Version 1 of the pointer: enter, leave, motion, button, axis.
const wl_pointer_listener Pointer::listener{
    [](void *p, wl_pointer *, std::uint32_t, wl_surface *surface, wl_fixed_t x, wl_fixed_t y) {
        static_cast<Pointer *>(p)->focus = surface;
        static_cast<Pointer *>(p)->at = QPoint(wl_fixed_to_int(x), wl_fixed_to_int(y));
    },
    [](void *p, wl_pointer *, std::uint32_t, wl_surface *) {
        static_cast<Pointer *>(p)->focus = nullptr;
    },
    [](void *p, wl_pointer *, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        static_cast<Pointer *>(p)->at = QPoint(wl_fixed_to_int(x), wl_fixed_to_int(y));
    },
    [](void *, wl_pointer *, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void *, wl_pointer *, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr};

constexpr int kFar = 2000; // beyond any edge of the output
constexpr int kStep = 100; // past the box below, yet on the window at whatever size it has then

// Where a point of the window, in its logical coordinates, lies on its surface.
QPoint surfacePoint(const QWidget &window, QPoint local) {
    const QMargins frame = window.windowHandle()->frameMargins();
    return local * window.devicePixelRatio() + QPoint(frame.left(), frame.top());
}

// The window opens at the output's top left corner; the pointer starts on the
// output's centre, which is on the window.
TEST(CursorTest, ConfinedAndReturnedAsTheCompositorAllowsAndFreeWithoutTheProtocol) {
    QWidget window;
    window.show();
    ASSERT_TRUE(pointer->cameOver(window));
    // A rectangle around the pointer, in the window's logical coordinates.
    const QRect box(pointer->at / window.devicePixelRatio() - QPoint(20, 15), QSize(40, 30));
    const QRect global = box.translated(window.mapToGlobal(QPoint(0, 0)));
    std::vector<QString> notices;
    auto notice = [&](const QString &text) { notices.push_back(text); };

    std::optional<WaylandCursorControl> control(notice);
    control->attach(&window);
    EXPECT_TRUE(control->constrains() && notices.empty());

    control->confineCursor(global);
    const QPoint low = surfacePoint(window, box.topLeft());
    const QPoint high = surfacePoint(window, box.bottomRight() + QPoint(1, 1)) - QPoint(1, 1);
    EXPECT_EQ(pointer->moveBy(kFar, kFar), high);
    EXPECT_EQ(pointer->moveBy(-kFar, -kFar), low);

    const QPoint home = box.topLeft() + QPoint(20, 10);
    control->warpCursor(window.mapToGlobal(home));
    EXPECT_EQ(pointer->moveBy(1, 1), surfacePoint(window, home) + QPoint(1, 1));
    EXPECT_EQ(pointer->moveBy(kFar, 0).x(), high.x()) << "confined again after the return";

    control->releaseCursor();
    EXPECT_EQ(pointer->moveBy(-kStep, 0).x(), high.x() - kStep) << "released, it goes on";
    pointer->moveBy(kStep, 0);
    control->confineCursor(global);
    control.reset(); // lets the pointer go too

    // Where the compositor offers no constraints: said once, and the pointer stays free.
    WaylandCursorControl bare(notice, {.hideConstraints = true});
    bare.attach(&window);
    bare.attach(&window); // discovery again
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices.front().contains(QStringLiteral("game plays on")) && !bare.constrains());
    bare.confineCursor(global);
    const QPoint from = pointer->at;
    EXPECT_EQ(pointer->moveBy(kStep, 0).x(), from.x() + kStep);
}

// What only a Wayland display shows; the X11 side is tested under Xvfb.
TEST(SessionTest, AWaylandDisplayMakesAWaylandSessionUnlessTheCommandLineSaysOtherwise) {
    using namespace lumbrast::platform::x11;
    using enum SessionKind;
    constexpr auto automatic = SessionRequest::Automatic;
    const char *socket = std::getenv("WAYLAND_DISPLAY");
    EXPECT_EQ(detectSession(automatic, ":0", socket, nullptr), Wayland) << "Xwayland beside it";
    EXPECT_EQ(detectSession(automatic, nullptr, socket, "wayland-egl"), Wayland);
    EXPECT_EQ(detectSession(SessionRequest::X11, nullptr, socket, nullptr), NoDisplay);
    EXPECT_EQ(detectSession(automatic, nullptr, nullptr, nullptr), NoDisplay);
    EXPECT_EQ(detectSession(automatic, nullptr, "/nonexistent/wl-9", nullptr), NoWaylandDisplay);
    EXPECT_TRUE(sessionMessage(NoWaylandDisplay).contains(QStringLiteral("WAYLAND_DISPLAY")));
    EXPECT_EQ(parseSessionRequest("wayland"), SessionRequest::Wayland);
}

} // namespace

// One headless sway for the whole binary: the toolkit connects to a display once
// per process, so the compositor has to exist before the application object.
// A compositor that does not start ends the run, saying why.
int main(int argc, char **argv) { // NOLINT(bugprone-exception-escape)
    ::testing::InitGoogleTest(&argc, argv);
    Sway sway; // throws, saying why, when sway does not start
    QApplication app(argc, argv);
    Pointer device;
    pointer = &device;
    return RUN_ALL_TESTS();
}
