#pragma once
// An X server of the test's own (Xvfb on a free display number) and a second
// client that injects input per device through XTest and reads the pointer.

#include <sys/types.h>

#include <functional>
#include <string>

#include <QAbstractNativeEventFilter>
#include <QPoint>

struct _XDisplay;
struct xcb_connection_t;

namespace lumbrast::testing {

class XvfbServer {
public:
    explicit XvfbServer(int width = 1024, int height = 768);
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    const std::string &display() const { return display_; } // ":N"

private:
    pid_t pid_ = -1;
    std::string display_;
};

class XInjector {
public:
    explicit XInjector(const std::string &display);
    ~XInjector();
    XInjector(const XInjector &) = delete;
    XInjector &operator=(const XInjector &) = delete;

    // The X id of the slave device of that name, or -1.
    int deviceId(const std::string &name) const;
    static constexpr const char *kXvfbMouse = "Xvfb mouse";
    static constexpr const char *kXTestPointer = "Virtual core XTEST pointer";

    // Input of one device, as the device itself would send it.
    void moveBy(int device, int dx, int dy);
    void moveTo(int device, int x, int y);
    void button(int device, int button, bool press);
    void click(int device, int button = 1);

    // The shared pointer, moved without any device (no raw events) and read back.
    void warp(int x, int y);
    QPoint pointer();
    void sync();

    // Adds a master pointer and its XTest slave ("<name> XTEST pointer") /
    // removes it again: a hot-plugged mouse.
    int addMaster(const std::string &name);
    void removeMaster(int masterId);

    // Notes the root window's children coming and going from now on, and
    // waits until the given one is destroyed (false on timeout).
    void watchRootWindows(bool on);
    bool waitForDestroyed(unsigned long window, int timeoutMs);

    // Hears the pointer move over the bare root window (warps included) and
    // waits, without the toolkit's event loop, until it stands on a point.
    void watchPointer(bool on);
    bool waitForPointerAt(QPoint at, int timeoutMs);
    void discardEvents(); // those the server has sent so far

    _XDisplay *display() const { return dpy_; }

private:
    void *openDevice(int device);

    _XDisplay *dpy_ = nullptr;
    struct OpenDevice {
        int id;
        void *device;
    };
    OpenDevice open_[16]{};
    int openCount_ = 0;
};

// The toolkit's own XI2 motion events over its windows. Each comes after the
// raw event of the same motion, so once one is seen, that raw event has been
// handled too.
class ToolkitMotions final : public QAbstractNativeEventFilter {
public:
    ToolkitMotions();
    ~ToolkitMotions() override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    // Waits for a motion to this point of the screen (server pixels).
    bool waitFor(QPoint at, int timeoutMs = 5000);
    QPoint last() const { return last_; }

private:
    QPoint last_{-1, -1};
    int opcode_ = -1;
};

// Waits for the server to have handled everything the toolkit sent so far.
void syncToolkit();

// Runs the event loop until the condition holds or the time runs out.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

} // namespace lumbrast::testing
