#include "xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XI.h>
#include <X11/extensions/XI2.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace lumbrast::testing {

XvfbServer::XvfbServer(int width, int height)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::close(fds[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, STDOUT_FILENO);
            ::dup2(devnull, STDERR_FILENO);
        }
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                 "-nolisten", "tcp", "-noreset", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos) {
        if (::poll(&pfd, 1, 20000) <= 0)
            break;
        char buf[32];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        number.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

XvfbServer::~XvfbServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

XInjector::XInjector(const std::string &display)
{
    dpy_ = XOpenDisplay(display.c_str());
    if (!dpy_)
        throw std::runtime_error("cannot open display " + display);
    int ev, err, major, minor;
    if (!XTestQueryExtension(dpy_, &ev, &err, &major, &minor))
        throw std::runtime_error("no XTest on " + display);
    int xiMajor = 2, xiMinor = 2;
    if (XIQueryVersion(dpy_, &xiMajor, &xiMinor) != Success)
        throw std::runtime_error("no XInput 2 on " + display);
}

XInjector::~XInjector()
{
    for (int i = 0; i < openCount_; ++i)
        XCloseDevice(dpy_, static_cast<XDevice *>(open_[i].device));
    XCloseDisplay(dpy_);
}

int XInjector::deviceId(const std::string &name) const
{
    int n = 0;
    XIDeviceInfo *info = XIQueryDevice(dpy_, XIAllDevices, &n);
    int id = -1;
    for (int i = 0; i < n; ++i)
        if (name == info[i].name)
            id = info[i].deviceid;
    XIFreeDeviceInfo(info);
    return id;
}

void *XInjector::openDevice(int device)
{
    for (int i = 0; i < openCount_; ++i)
        if (open_[i].id == device)
            return open_[i].device;
    XDevice *dev = XOpenDevice(dpy_, static_cast<XID>(device));
    if (!dev)
        throw std::runtime_error("cannot open X device " + std::to_string(device));
    if (openCount_ < 16)
        open_[openCount_++] = {device, dev};
    return dev;
}

void XInjector::moveBy(int device, int dx, int dy)
{
    int axes[2] = {dx, dy};
    XTestFakeDeviceMotionEvent(dpy_, static_cast<XDevice *>(openDevice(device)), True, 0, axes, 2, CurrentTime);
    XFlush(dpy_);
}

void XInjector::moveTo(int device, int x, int y)
{
    int axes[2] = {x, y};
    XTestFakeDeviceMotionEvent(dpy_, static_cast<XDevice *>(openDevice(device)), False, 0, axes, 2, CurrentTime);
    XFlush(dpy_);
}

void XInjector::button(int device, int button, bool press)
{
    XTestFakeDeviceButtonEvent(dpy_, static_cast<XDevice *>(openDevice(device)), static_cast<unsigned>(button),
                               press ? True : False, nullptr, 0, CurrentTime);
    XFlush(dpy_);
}

void XInjector::click(int device, int b)
{
    button(device, b, true);
    button(device, b, false);
}

void XInjector::warp(int x, int y)
{
    XWarpPointer(dpy_, None, DefaultRootWindow(dpy_), 0, 0, 0, 0, x, y);
    XSync(dpy_, False);
}

QPoint XInjector::pointer()
{
    Window root, child;
    int rx = 0, ry = 0, wx, wy;
    unsigned mask;
    XQueryPointer(dpy_, DefaultRootWindow(dpy_), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return {rx, ry};
}

void XInjector::sync() { XSync(dpy_, False); }

int XInjector::addMaster(const std::string &name)
{
    XIAddMasterInfo add{};
    add.type = XIAddMaster;
    add.name = const_cast<char *>(name.c_str());
    add.send_core = True;
    add.enable = True;
    XIChangeHierarchy(dpy_, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&add), 1);
    XSync(dpy_, False);
    return deviceId(name + " pointer");
}

void XInjector::removeMaster(int masterId)
{
    XIRemoveMasterInfo remove{};
    remove.type = XIRemoveMaster;
    remove.deviceid = masterId;
    remove.return_mode = XIFloating;
    XIChangeHierarchy(dpy_, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&remove), 1);
    XSync(dpy_, False);
}

void XInjector::watchRootWindows(bool on)
{
    XSelectInput(dpy_, DefaultRootWindow(dpy_), on ? SubstructureNotifyMask : NoEventMask);
    XSync(dpy_, False);
}

bool XInjector::waitForDestroyed(unsigned long window, int timeoutMs)
{
    bool destroyed = false;
    return waitUntil(
        [&] {
            while (XPending(dpy_)) {
                XEvent ev;
                XNextEvent(dpy_, &ev);
                if (ev.type == DestroyNotify && ev.xdestroywindow.window == window)
                    destroyed = true;
            }
            return destroyed;
        },
        timeoutMs);
}

void XInjector::watchPointer(bool on)
{
    XSelectInput(dpy_, DefaultRootWindow(dpy_), on ? PointerMotionMask : NoEventMask);
    XSync(dpy_, False);
}

bool XInjector::waitForPointerAt(QPoint at, int timeoutMs)
{
    pollfd pfd{ConnectionNumber(dpy_), POLLIN, 0};
    for (;;) {
        while (XPending(dpy_)) {
            XEvent ev;
            XNextEvent(dpy_, &ev);
            if (ev.type == MotionNotify && ev.xmotion.x_root == at.x() && ev.xmotion.y_root == at.y())
                return true;
        }
        if (::poll(&pfd, 1, timeoutMs) <= 0)
            return false;
    }
}

void XInjector::discardEvents()
{
    XSync(dpy_, True);
}

ToolkitMotions::ToolkitMotions()
{
    auto *conn = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    opcode_ = xcb_get_extension_data(conn, &xcb_input_id)->major_opcode;
    qGuiApp->installNativeEventFilter(this);
}

ToolkitMotions::~ToolkitMotions() { qGuiApp->removeNativeEventFilter(this); }

bool ToolkitMotions::nativeEventFilter(const QByteArray &, void *message, qintptr *)
{
    const auto *ev = static_cast<const xcb_ge_generic_event_t *>(message);
    if ((ev->response_type & 0x7f) == XCB_GE_GENERIC && ev->extension == opcode_
        && ev->event_type == XCB_INPUT_MOTION) {
        const auto *m = static_cast<const xcb_input_motion_event_t *>(message);
        last_ = QPoint(m->root_x >> 16, m->root_y >> 16);
    }
    return false;
}

bool ToolkitMotions::waitFor(QPoint at, int timeoutMs)
{
    return waitUntil([&] { return last_ == at; }, timeoutMs);
}

void syncToolkit()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *conn = x11->connection();
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // bounds each wait for events
    wake.start(20);
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace lumbrast::testing
