#pragma once
// A headless sway of the test's own, a virtual pointer moved as a device would
// move it, and a probe that sees where the pointer is on a surface.
#include <string>

#include <QPoint>
#include <QTemporaryDir>

#include "tiedchild.h"

struct wl_display;
struct wl_event_queue;
struct wl_seat;
struct wl_pointer;
struct wl_surface;
struct zwlr_virtual_pointer_v1;
class QWidget;

namespace lumbrast::testing {

// One 1024 x 768 output, which a window fills (tiled, without borders).
class SwayServer {
public:
    SwayServer(); // throws, saying why, when sway does not come up
    const std::string &socket() const { return socket_; } // absolute path of the display
    static constexpr int kWidth = 1024, kHeight = 768;

private:
    QTemporaryDir dir_; // goes after the compositor has ended
    std::string config_;
    TiedChild child_;
    std::string socket_;
};

// Points this process's toolkit at the compositor as a native Wayland client.
void useCompositor(const SwayServer &server);

// A pointer device of its own connection; each call returns once the compositor
// has handled it (and sent clients what it makes them see).
class VirtualPointer {
public:
    explicit VirtualPointer(const std::string &socket);
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer &) = delete;
    void moveBy(int dx, int dy);
    void moveTo(int x, int y); // in the output's layout
    void click();              // the left button, pressed and released

private:
    wl_display *display_;
    zwlr_virtual_pointer_v1 *pointer_ = nullptr;
};

// The surface of a shown top-level window; none before it has one.
wl_surface *surfaceOf(const QWidget &window);

// The pointer as a client on the toolkit's connection sees it.
class PointerProbe {
public:
    PointerProbe();
    ~PointerProbe();
    PointerProbe(const PointerProbe &) = delete;
    void sync(); // everything the compositor sent so far has arrived
    // Puts the pointer on the output's centre and runs the event loop until the
    // compositor shows the window there, under it.
    bool cameOver(const QWidget &window, VirtualPointer &pointer);
    bool over(const wl_surface *surface) const { return surface && focus_ == surface; }
    QPoint at() const { return at_; } // on the surface it is over

    // Hooks of the protocol's listeners.
    void entered(wl_surface *surface, QPoint at);
    void left() { focus_ = nullptr; }
    void moved(QPoint at) { at_ = at; }

private:
    wl_display *display_;
    wl_event_queue *queue_;
    wl_seat *seat_ = nullptr;
    wl_pointer *pointer_ = nullptr;
    const wl_surface *focus_ = nullptr;
    QPoint at_;
};

} // namespace lumbrast::testing
