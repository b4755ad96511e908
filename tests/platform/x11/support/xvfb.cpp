#include "xvfb.h"

#include <cstdlib>
#include <stdexcept>

#include <QGuiApplication>
#include <QMouseEvent>

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>

namespace lumbrast::testing {

// The server writes its display number once it accepts connections.
XvfbServer::XvfbServer()
    : child_({"Xvfb", "-displayfd", "9", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
              "-noreset"}),
      display_(":" + child_.readyLine("Xvfb did not start (is the xvfb package installed?)")) {
    static_assert(TiedChild::kReadyFd == 9);
    ::setenv("DISPLAY", display_.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

bool windowManagerWanted() {
    const char *wm = std::getenv("LUMBRAST_TEST_WINDOW_MANAGER");
    return wm && *wm;
}

XInjector::XInjector(const std::string &display)
    : dpy_(XOpenDisplay(display.empty() ? nullptr : display.c_str())) {
    int ev, err, major = 2, minor = 2;
    if (!dpy_ || !XTestQueryExtension(dpy_, &ev, &err, &major, &minor) ||
        XIQueryVersion(dpy_, &major, &minor) != Success)
        throw std::runtime_error("no X display with XTest and XInput 2: " + display);
}

XInjector::~XInjector() {
    XCloseDisplay(dpy_);
}

int XInjector::deviceId(const std::string &name) const {
    int n = 0, id = -1;
    XIDeviceInfo *info = XIQueryDevice(dpy_, XIAllDevices, &n);
    for (int i = 0; i < n; ++i)
        if (name == info[i].name)
            id = info[i].deviceid;
    XIFreeDeviceInfo(info);
    return id;
}

namespace {

template <typename Fake> void fakeOn(Display *dpy, int device, Fake fake) {
    XDevice *d = XOpenDevice(dpy, static_cast<XID>(device));
    if (!d)
        throw std::runtime_error("cannot open X device " + std::to_string(device));
    fake(d);
    XCloseDevice(dpy, d);
    XFlush(dpy);
}

} // namespace

void XInjector::motion(int device, bool relative, int x, int y) {
    int axes[2] = {x, y};
    fakeOn(dpy_, device, [&](XDevice *d) {
        XTestFakeDeviceMotionEvent(dpy_, d, relative, 0, axes, 2, CurrentTime);
    });
}

void XInjector::click(int device, unsigned button) {
    fakeOn(dpy_, device, [&](XDevice *d) {
        for (Bool press : {True, False})
            XTestFakeDeviceButtonEvent(dpy_, d, button, press, nullptr, 0, CurrentTime);
    });
}

void XInjector::warp(int x, int y) {
    XWarpPointer(dpy_, None, DefaultRootWindow(dpy_), 0, 0, 0, 0, x, y);
    XSync(dpy_, False);
}

void XInjector::focus(unsigned long window) {
    XSetInputFocus(dpy_, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy_, False);
}

QPoint XInjector::pointer() {
    Window root, child;
    int x = 0, y = 0, wx, wy;
    unsigned mask;
    XQueryPointer(dpy_, DefaultRootWindow(dpy_), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

int XInjector::addMaster(const std::string &name) {
    XIAddMasterInfo add{XIAddMaster, const_cast<char *>(name.c_str()), True, True};
    XIChangeHierarchy(dpy_, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&add), 1);
    XSync(dpy_, False);
    return deviceId(name + " pointer");
}

void XInjector::removeMaster(int masterId) {
    XIRemoveMasterInfo remove{XIRemoveMaster, masterId, XIFloating, 0, 0};
    XIChangeHierarchy(dpy_, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&remove), 1);
    XSync(dpy_, False);
}

bool moveAndSettle(XInjector &inject, int device, QPoint at) {
    struct Motions final : QObject {
        QPoint last;
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == QEvent::MouseMove)
                last = static_cast<QMouseEvent *>(e)->globalPosition().toPoint();
            return false;
        }
    } seen;
    qApp->installEventFilter(&seen);
    inject.moveTo(device, at.x(), at.y());
    return waitUntil([&] { return seen.last == at; });
}

void syncToolkit() {
    xcb_connection_t *conn =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
}

} // namespace lumbrast::testing
