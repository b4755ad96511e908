#include "xvfb.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>

namespace lumbrast::testing {

namespace {

// A silent child that gets SIGTERM (which lets Xvfb remove its lock file) when
// the thread that forked it ends, however that ends.
pid_t spawn(std::initializer_list<const char *> args, const std::string &display = {}) {
    const pid_t parent = ::getpid(), pid = ::fork();
    if (pid != 0)
        return pid;
    // Checked after the request: a parent that died before it has already orphaned us.
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent)
        ::_exit(126);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (!display.empty())
        ::setenv("DISPLAY", display.c_str(), 1);
    std::vector<char *> argv;
    for (const char *a : args)
        argv.push_back(const_cast<char *>(a));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

void stop(pid_t pid, int signal = SIGTERM) {
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

XvfbServer::XvfbServer() {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("cannot start Xvfb");
    const std::string fd = std::to_string(fds[1]);
    pid_ = spawn({"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                  "tcp", "-noreset"});
    ::close(fds[1]);
    // The server writes its display number once it accepts connections.
    char number[16] = {};
    FILE *in = ::fdopen(fds[0], "r");
    const bool up = pid_ > 0 && std::fgets(number, sizeof number, in) && std::strchr(number, '\n');
    std::fclose(in);
    if (!up) {
        if (pid_ > 0)
            stop(pid_, SIGKILL);
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    display_ = ":" + std::string(number, std::strchr(number, '\n'));
}

XvfbServer::~XvfbServer() {
    stop(pid_);
}

void useDisplayOf(const XvfbServer &server) {
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

bool WindowManager::wanted() {
    const char *wm = std::getenv("LUMBRAST_TEST_WINDOW_MANAGER");
    return wm && *wm;
}

WindowManager::WindowManager(const std::string &display) {
    Display *dpy = XOpenDisplay(display.c_str());
    if (!dpy)
        throw std::runtime_error("no X display " + display + " for the window manager");
    const Window root = DefaultRootWindow(dpy);
    pid_ = spawn({"openbox", "--sm-disable"}, display);
    // It has to frame a window: one mapped while it still starts up may be let
    // go, so the probe is mapped again whenever the server goes quiet.
    const Window probe = XCreateSimpleWindow(dpy, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(dpy, probe, StructureNotifyMask);
    bool framed = false, ended = pid_ < 0;
    pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
    QElapsedTimer clock;
    clock.start();
    while (!framed && clock.elapsed() < 30000 &&
           !(ended = ended || ::waitpid(pid_, nullptr, WNOHANG) == pid_)) {
        XUnmapWindow(dpy, probe);
        XMapWindow(dpy, probe);
        XFlush(dpy);
        while (!framed && (XPending(dpy) || ::poll(&pfd, 1, 200) > 0)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            framed = ev.type == ReparentNotify && ev.xreparent.window == probe;
        }
    }
    XDestroyWindow(dpy, probe);
    XCloseDisplay(dpy);
    if (!framed) {
        if (!ended)
            stop(pid_, SIGKILL);
        throw std::runtime_error("openbox did not take over " + display +
                                 " (is the openbox package installed?)");
    }
}

WindowManager::~WindowManager() {
    stop(pid_);
}

XInjector::XInjector(const std::string &display)
    : dpy_(XOpenDisplay(display.empty() ? nullptr : display.c_str())) {
    int ev, err, major = 2, minor = 2;
    if (!dpy_ || !XTestQueryExtension(dpy_, &ev, &err, &major, &minor) ||
        XIQueryVersion(dpy_, &major, &minor) != Success)
        throw std::runtime_error("no X display with XTest and XInput 2: " + display);
}

XInjector::~XInjector() {
    for (auto [id, device] : devices_)
        if (device)
            XCloseDevice(dpy_, static_cast<XDevice *>(device));
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

void *XInjector::open(int device) {
    void *&opened = devices_[device];
    if (!opened && !(opened = XOpenDevice(dpy_, static_cast<XID>(device))))
        throw std::runtime_error("cannot open X device " + std::to_string(device));
    return opened;
}

void XInjector::motion(int device, bool relative, int x, int y) {
    int axes[2] = {x, y};
    XTestFakeDeviceMotionEvent(dpy_, static_cast<XDevice *>(open(device)), relative, 0, axes, 2,
                               CurrentTime);
    XFlush(dpy_);
}

bool XInjector::clickAt(int device, QPoint at) {
    // Without acceleration a relative motion moves exactly as far as asked.
    const Atom profile = XInternAtom(dpy_, "Device Accel Profile", True);
    if (profile != None) {
        std::int32_t none = -1;
        XIChangeProperty(dpy_, device, profile, XA_INTEGER, 32, PropModeReplace,
                         reinterpret_cast<unsigned char *>(&none), 1);
    }
    const QPoint from = pointer();
    moveBy(device, at.x() - from.x(), 0);
    moveBy(device, 0, at.y() - from.y());
    if (pointer() != at)
        return false;
    click(device);
    return true;
}

void XInjector::click(int device, int button) {
    for (Bool press : {True, False})
        XTestFakeDeviceButtonEvent(dpy_, static_cast<XDevice *>(open(device)),
                                   static_cast<unsigned>(button), press, nullptr, 0, CurrentTime);
    XFlush(dpy_);
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

bool waitUntil(const std::function<bool()> &condition, int timeoutMs) {
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
