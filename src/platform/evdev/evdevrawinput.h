#pragma once
// Raw mouse input straight from the kernel's evdev nodes, for sessions where
// the display server shows every mouse as one pointer. Mice are found and
// watched through udev, each node is read without grabbing it, and keyboards
// are never opened. The cursor itself belongs to the display server, so
// warping and confinement go to a CursorControl.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "platform/cursorcontrol.h"
#include "platform/rawinput.h"

namespace lumbrast::platform::evdev {

// Opens a device node as open(2) does; tests pass one that records every path.
using OpenNode = std::function<int(const char *path, int flags)>;

class EvdevRawInput final : public QObject, public RawInput {
public:
    explicit EvdevRawInput(std::unique_ptr<CursorControl> cursor, OpenNode open = {});
    ~EvdevRawInput() override;

    EvdevRawInput(const EvdevRawInput &) = delete;
    EvdevRawInput &operator=(const EvdevRawInput &) = delete;

    std::vector<PointingDevice> devices() override;
    void registerWindow(QWidget *window) override;
    void install(RawInputSink *sink) override;
    void remove() override;
    bool installed() const override { return sink_ != nullptr; }
    void warpCursor(QPoint global) override;
    void confineCursor(QRect global) override;
    void releaseCursor() override;

    // Reads every open mouse's queued events now. Runs before the toolkit
    // handles a press, so the press is judged by the mouse that made it.
    void drainAll() noexcept;

    // Mouse nodes that could not be opened for want of permission at the last
    // listing; empty when all could be read.
    const std::vector<std::string> &unreadable() const { return unreadable_; }

    // Mice open now.
    std::size_t openCount() const;

    CursorControl &cursorControl() { return *cursor_; }

private:
    struct Mouse;
    class PressFilter;

    void rescan();
    void addNode(const char *syspath);
    void removeNode(const std::string &syspath);
    void readMouse(Mouse &mouse) noexcept;
    void onMonitor();

    std::unique_ptr<CursorControl> cursor_;
    OpenNode open_;
    RawInputSink *sink_ = nullptr;
    std::vector<std::unique_ptr<Mouse>> mice_;
    std::vector<std::string> unreadable_;
    DeviceHandle nextHandle_ = 1;
    struct Udev;
    std::unique_ptr<Udev> udev_;
    std::unique_ptr<PressFilter> filter_;
};

} // namespace lumbrast::platform::evdev
