#pragma once
// An Xvfb of the test's own, a window manager on it, and a second client that
// injects input per device through XTest and reads the pointer.
#include <string>

#include <QPoint>

#include "tiedchild.h"

struct _XDisplay; // NOLINT(bugprone-reserved-identifier): the name Xlib gives Display

namespace lumbrast::testing {

// Points this process's toolkit at the server, with no session bus (a failed
// connection leaks inside libdbus).
class XvfbServer {
public:
    XvfbServer();                                           // throws when Xvfb does not come up
    const std::string &display() const { return display_; } // ":N"

private:
    TiedChild child_;
    std::string display_;
};

// The test's environment asks for a window manager on the server.
bool windowManagerWanted();

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
    void click(int device, unsigned button = 1);
    void warp(int x, int y);          // without any device: no raw events
    void focus(unsigned long window); // as the user's choice
    QPoint pointer();

    // A hot-plugged mouse: a master pointer and its slave "<name> XTEST pointer".
    int addMaster(const std::string &name);
    void removeMaster(int masterId);

private:
    void motion(int device, bool relative, int x, int y);
    _XDisplay *dpy_;
};

// Moves the device and waits for the toolkit's motion there, which comes after
// the raw event of the same motion: by then that is handled too.
bool moveAndSettle(XInjector &inject, int device, QPoint at);
void syncToolkit(); // the server has handled all the toolkit sent so far

} // namespace lumbrast::testing
