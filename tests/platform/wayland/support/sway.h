#pragma once
// A headless sway of the test's own, a virtual pointer moved as a device would
// move it, and a probe that sees where the pointer is on a surface.
#include <string>

#include <QPoint>
#include <QTemporaryDir>

#include "tiedchild.h"

struct wl_display;
struct wl_event_queue;
struct wl_pointer;
struct wl_surface;
struct zwlr_virtual_pointer_v1;
class QWidget;

namespace lumbrast::testing {

// One 1024 x 768 output, which a window fills (tiled, without borders). The
// toolkit of this process is pointed at it as a native Wayland client.
class SwayServer {
public:
    SwayServer(); // throws, saying why, when sway does not come up
    static constexpr int kWidth = 1024, kHeight = 768;

private:
    QTemporaryDir dir_; // goes after the compositor has ended
    std::string config_;
    TiedChild child_;
};

// A pointer device of its own connection; each call returns once the compositor
// has handled it (and sent clients what it makes them see).
class VirtualPointer {
public:
    VirtualPointer();
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer &) = delete;
    void moveBy(int dx, int dy);
    void moveTo(int x, int y); // in the output's layout
    void click();              // the left button, pressed and released

private:
    void commit();
    wl_display *display_;
    zwlr_virtual_pointer_v1 *pointer_ = nullptr;
};
extern VirtualPointer *virtualPointer; // the one main() made

// The pointer as a client on the toolkit's connection sees it.
class PointerProbe {
public:
    PointerProbe();
    ~PointerProbe();
    PointerProbe(const PointerProbe &) = delete;
    void sync(); // everything the compositor sent so far has arrived
    // Puts the pointer on the output's centre and runs the event loop until the
    // compositor shows the window there, under it.
    bool cameOver(const QWidget &window);

    const wl_surface *focus = nullptr; // the surface it is over
    QPoint at;                         // on that surface

private:
    wl_display *display_;
    wl_event_queue *queue_;
    wl_pointer *pointer_ = nullptr;
};

} // namespace lumbrast::testing
