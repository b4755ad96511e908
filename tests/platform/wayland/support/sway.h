#pragma once
// A headless sway of the test's own and a pointer device on it.
#include <string>

#include <QPoint>
#include <QTemporaryDir>
#include <wayland-client.h>

#include "tiedchild.h"

struct zwlr_virtual_pointer_v1;
class QWidget;

namespace lumbrast::testing {

// One 1024 x 768 output, which a window fills (tiled, without borders), and a
// pointer device on its seat, seen as a client on the toolkit's connection sees it.
class SwayServer {
public:
    SwayServer(); // throws, saying why, when sway does not come up
    static constexpr int kWidth = 1024, kHeight = 768;

    void watchPointer();           // once the application is up
    void unwatchPointer();         // before it goes
    QPoint moveBy(int dx, int dy); // where it is then, as the toolkit's connection has it
    // Puts the pointer on the output's centre and runs the event loop until the
    // compositor shows the window there, under it.
    bool cameOver(const QWidget &window);

    const wl_surface *focus = nullptr; // the surface the pointer is over
    QPoint at;                         // on that surface

private:
    QTemporaryDir dir_; // goes after the compositor has ended
    std::string config_;
    TiedChild child_;
    wl_display *toolkit_ = nullptr;
    zwlr_virtual_pointer_v1 *device_ = nullptr;
    wl_event_queue *queue_ = nullptr;
    wl_pointer *seen_ = nullptr;
};

} // namespace lumbrast::testing
