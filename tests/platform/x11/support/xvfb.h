#pragma once
// An Xvfb of the test's own and a second client that injects input per device
// through XTest and reads the pointer.
#include <sys/types.h>

#include <functional>
#include <map>
#include <string>

#include <QPoint>

struct _XDisplay; // NOLINT(bugprone-reserved-identifier): the name Xlib gives Display

namespace lumbrast::testing {

// For a child about to exec: it gets SIGTERM when the thread that forked it
// ends, however that ends.
void endWithParent(pid_t parent);

// Ends with the thread that made it, even when that thread is killed.
class XvfbServer {
public:
    XvfbServer(); // throws when Xvfb does not come up
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    const std::string &display() const { return display_; } // ":N"
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Points this process's toolkit at the server: its display, the xcb platform,
// and no session bus (the test's display has none, and a failed connection
// leaks inside libdbus).
void useDisplayOf(const XvfbServer &server);

// A reparenting, click-to-focus window manager (openbox) on a display, tied
// to the thread that made it like the server.
class WindowManager {
public:
    explicit WindowManager(const std::string &display); // throws when it does not take over
    ~WindowManager();
    WindowManager(const WindowManager &) = delete;
    // Set by the test's environment: the tests that need a window manager run.
    static bool wanted();

private:
    pid_t pid_ = -1;
};

class XInjector {
public:
    explicit XInjector(const std::string &display = {}); // empty: $DISPLAY
    ~XInjector();
    XInjector(const XInjector &) = delete;
    static constexpr const char *kXvfbMouse = "Xvfb mouse";
    static constexpr const char *kXTestPointer = "Virtual core XTEST pointer";
    int deviceId(const std::string &name) const; // -1: no such device

    // Input of one device, as the device itself would send it.
    void moveBy(int device, int dx, int dy) { motion(device, true, dx, dy); }
    void moveTo(int device, int x, int y) { motion(device, false, x, y); }
    void click(int device, int button = 1);
    // Relative motion from where the pointer stands, one axis after the other,
    // as a hand would move it: the trap's barriers hold it (they let absolute
    // motion through). False when the pointer did not get there.
    bool reach(int device, QPoint at);
    // The shared pointer, moved without any device (no raw events) and read back.
    void warp(int x, int y);
    // Gives a window the keyboard focus, as the user's choice.
    void focus(unsigned long window);
    QPoint pointer();

    // A hot-plugged mouse: a master pointer and its slave "<name> XTEST pointer".
    int addMaster(const std::string &name);
    void removeMaster(int masterId);

    // Waits, without the toolkit's event loop, for the pointer to stand on a point.
    void watchPointer(bool on);
    bool waitForPointerAt(QPoint at, int timeoutMs);
    void discardEvents(); // those the server has sent so far

private:
    void motion(int device, bool relative, int x, int y);
    void *open(int device);
    _XDisplay *dpy_;
    std::map<int, void *> devices_;
};

// Moves the device to a point and waits for the toolkit's motion there, which
// comes after the raw event of the same motion: by then that is handled too.
bool moveAndSettle(XInjector &inject, int device, QPoint at);
// Waits for the server to have handled everything the toolkit sent so far.
void syncToolkit();
// Runs the event loop until the condition holds or the time runs out.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

} // namespace lumbrast::testing
