#include "platform/wayland/waylandcursorcontrol.h"

#include <algorithm>
#include <cstring>

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformwindow.h>

#include <wayland-client.h>

#include "pointer-constraints-unstable-v1-client-protocol.h"

namespace lumbrast::platform::wayland {

// Our own objects on the toolkit's connection, on a queue of their own so that
// the toolkit never dispatches them and we never dispatch the toolkit's.
struct WaylandCursorControl::Connection {
    wl_display *display = nullptr;
    wl_event_queue *queue = nullptr;
    wl_registry *registry = nullptr;
    wl_compositor *compositor = nullptr;
    wl_seat *seat = nullptr;
    std::uint32_t seatVersion = 0;
    wl_pointer *pointer = nullptr;
    zwp_pointer_constraints_v1 *constraints = nullptr;
    zwp_confined_pointer_v1 *confined = nullptr;
    bool hideConstraints = false;

    Connection(wl_display *d, bool hide) : display(d), hideConstraints(hide) {
        queue = wl_display_create_queue(display);
        // The registry, and all bound from it, on our queue from the start.
        auto *wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), queue);
        registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        wl_registry_add_listener(registry, &registryListener, this);
        roundtrip(); // the globals
        roundtrip(); // the seat's capabilities
    }

    ~Connection() {
        unconfine();
        releasePointer();
        if (seat)
            seatVersion >= WL_SEAT_RELEASE_SINCE_VERSION ? wl_seat_release(seat)
                                                         : wl_seat_destroy(seat);
        if (constraints)
            zwp_pointer_constraints_v1_destroy(constraints);
        if (compositor)
            wl_compositor_destroy(compositor);
        wl_registry_destroy(registry);
        wl_display_flush(display);
        wl_event_queue_destroy(queue);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void roundtrip() const { wl_display_roundtrip_queue(display, queue); }
    // Events the toolkit's reader already took in for us (a pointer that came or went).
    void catchUp() const { wl_display_dispatch_queue_pending(display, queue); }
    void flush() const { wl_display_flush(display); }

    void unconfine() {
        if (confined)
            zwp_confined_pointer_v1_destroy(confined);
        confined = nullptr;
    }
    void releasePointer() {
        if (pointer)
            seatVersion >= WL_POINTER_RELEASE_SINCE_VERSION ? wl_pointer_release(pointer)
                                                            : wl_pointer_destroy(pointer);
        pointer = nullptr;
    }

    static void global(void *data, wl_registry *registry, std::uint32_t name, const char *interface,
                       std::uint32_t version) {
        auto *c = static_cast<Connection *>(data);
        const auto is = [interface](const wl_interface &i) {
            return std::strcmp(interface, i.name) == 0;
        };
        if (is(wl_compositor_interface) && !c->compositor) {
            c->compositor = static_cast<wl_compositor *>(
                wl_registry_bind(registry, name, &wl_compositor_interface, 1));
        } else if (is(wl_seat_interface) && !c->seat) {
            c->seatVersion = std::min<std::uint32_t>(version, 5);
            c->seat = static_cast<wl_seat *>(
                wl_registry_bind(registry, name, &wl_seat_interface, c->seatVersion));
            wl_seat_add_listener(c->seat, &seatListener, c);
        } else if (is(zwp_pointer_constraints_v1_interface) && !c->constraints &&
                   !c->hideConstraints) {
            c->constraints = static_cast<zwp_pointer_constraints_v1 *>(
                wl_registry_bind(registry, name, &zwp_pointer_constraints_v1_interface, 1));
        }
    }
    static void globalRemove(void *, wl_registry *, std::uint32_t) {}
    static constexpr wl_registry_listener registryListener{&global, &globalRemove};

    static void capabilities(void *data, wl_seat *seat, std::uint32_t caps) {
        auto *c = static_cast<Connection *>(data);
        const bool hasPointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
        if (hasPointer && !c->pointer) {
            c->pointer = wl_seat_get_pointer(seat); // no listener: its events are dropped
        } else if (!hasPointer && c->pointer) {
            c->unconfine();
            c->releasePointer();
        }
    }
    static void seatName(void *, wl_seat *, const char *) {}
    static constexpr wl_seat_listener seatListener{&capabilities, &seatName};
};

namespace {

wl_surface *surfaceOf(QWidget *widget) {
    QWindow *window = widget ? widget->window()->windowHandle() : nullptr;
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    if (!window || !window->handle() || !native)
        return nullptr;
    return static_cast<wl_surface *>(native->nativeResourceForWindow("surface", window));
}

} // namespace

WaylandCursorControl::WaylandCursorControl(Notice notice, Options options)
    : notice_(std::move(notice)), options_(options) {}

WaylandCursorControl::~WaylandCursorControl() {
    // The toolkit's connection ends with the application; ours cannot outlive it.
    if (!QGuiApplication::instance())
        (void)wl_.release();
}

void WaylandCursorControl::attach(QWidget *window) {
    window_ = window;
    if (!wl_) {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        auto *display =
            native ? static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"))
                   : nullptr;
        if (display)
            wl_ = std::make_unique<Connection>(display, options_.hideConstraints);
    }
    if (!constrains() && !told_) {
        told_ = true;
        if (notice_)
            notice_(tr("This desktop does not let programs move or hold the mouse cursor, so the "
                       "cursor is not put back on the table when the other player's mouse moves, "
                       "and it is not kept inside the game window. The game plays on as usual: "
                       "each click still counts for the mouse that made it."));
    }
}

bool WaylandCursorControl::constrains() const {
    return wl_ && wl_->constraints && wl_->compositor;
}

QPoint WaylandCursorControl::toSurface(QPoint global) const {
    QWindow *window = window_ ? window_->window()->windowHandle() : nullptr;
    if (!window)
        return global;
    // Logical to surface units: the toolkit's own scale factor; the output's scale
    // is the buffer's business. Client-side decorations are part of the surface.
    const qreal factor =
        window->handle() ? window->devicePixelRatio() / window->handle()->devicePixelRatio() : 1.0;
    const QMargins frame = window->frameMargins();
    const QPointF local = QPointF(window->mapFromGlobal(global)) * factor;
    return local.toPoint() + QPoint(frame.left(), frame.top());
}

void WaylandCursorControl::warpCursor(QPoint global) {
    wl_surface *surface = surfaceOf(window_);
    if (!constrains() || !surface)
        return;
    wl_->catchUp();
    if (!wl_->pointer)
        return;
    const QPoint at = toSurface(global);
    // One constraint per surface at a time: the confinement steps aside for the lock.
    wl_->unconfine();
    zwp_locked_pointer_v1 *lock =
        zwp_pointer_constraints_v1_lock_pointer(wl_->constraints, surface, wl_->pointer, nullptr,
                                                ZWP_POINTER_CONSTRAINTS_V1_LIFETIME_ONESHOT);
    zwp_locked_pointer_v1_set_cursor_position_hint(lock, wl_fixed_from_int(at.x()),
                                                   wl_fixed_from_int(at.y()));
    wl_surface_commit(surface); // the hint is surface state
    // Ending an active lock puts the cursor at the hint.
    zwp_locked_pointer_v1_destroy(lock);
    confineSurface();
}

void WaylandCursorControl::confineCursor(QRect global) {
    const QPoint topLeft = toSurface(global.topLeft());
    const QPoint bottomRight =
        toSurface(global.topLeft() + QPoint(global.width(), global.height()));
    confinedTo_ = QRect(topLeft, bottomRight - QPoint(1, 1));
    if (!constrains())
        return;
    wl_->catchUp();
    wl_->unconfine();
    confineSurface();
}

void WaylandCursorControl::releaseCursor() {
    confinedTo_ = QRect();
    if (!constrains())
        return;
    wl_->unconfine();
    wl_->flush();
}

void WaylandCursorControl::confineSurface() {
    wl_surface *surface = surfaceOf(window_);
    if (surface && wl_->pointer && !confinedTo_.isEmpty()) {
        wl_region *region = wl_compositor_create_region(wl_->compositor);
        wl_region_add(region, confinedTo_.x(), confinedTo_.y(), confinedTo_.width(),
                      confinedTo_.height());
        wl_->confined = zwp_pointer_constraints_v1_confine_pointer(
            wl_->constraints, surface, wl_->pointer, region,
            ZWP_POINTER_CONSTRAINTS_V1_LIFETIME_PERSISTENT);
        wl_region_destroy(region);
    }
    wl_->flush();
}

} // namespace lumbrast::platform::wayland
