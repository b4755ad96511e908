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
#include <QString>

#include "platform/cursorcontrol.h"
#include "platform/rawinput.h"

namespace lumbrast::platform::evdev {

// Opens a device node as open(2) does; tests pass one that records every path.
using OpenNode = std::function<int(const char *path, int flags)>;

class EvdevRawInput final : public QObject, public RawInput {
public:
    explicit EvdevRawInput(std::unique_ptr<CursorControl> cursor, OpenNode open = {});
    ~EvdevRawInput() override;

    std::vector<PointingDevice> devices() override;
    void registerWindow(QWidget *window) override;
    void warpCursor(QPoint global) override;
    void confineCursor(QRect global) override;
    void releaseCursor() override;

    // Told once per mouse that cannot be read for want of permission: the
    // devices and the two ways to let the program read them.
    void setNotice(std::function<void(const QString &)> notice) { notice_ = std::move(notice); }
    static QString permissionMessage(const std::vector<std::string> &nodes);

    // Reads every open mouse's queued events now.
    void drainAll() noexcept;

    // Runs as the toolkit delivers a button press (or release), before any
    // widget sees it: the kernel queued the mouse's own event before the
    // display server sent the toolkit's, so after reading every queue the
    // sink's latest event is that mouse's, even if another one moved since.
    void judgeButton(bool press) noexcept;

    // Mouse nodes that could not be opened for want of permission, so far.
    const std::vector<std::string> &unreadable() const { return unreadable_; }

    // Mice open now.
    std::size_t openCount() const;

    CursorControl &cursorControl() { return *cursor_; }

private:
    struct Mouse;
    class ButtonFilter;

    void startDelivery() override;
    void rescan();
    // Both say whether the list of mice changed.
    bool addNode(const char *syspath);
    bool removeNode(const std::string &syspath);
    void tellUnreadable();
    void readMouse(Mouse &mouse) noexcept;
    void deliver(DeviceHandle device, RawEventKind kind) noexcept;
    void onMonitor();

    std::unique_ptr<CursorControl> cursor_;
    OpenNode open_;
    DeviceHandle lastDelivered_ = 0;
    DeviceHandle unjudged_[2] = {0, 0}; // latest raw press and release the toolkit has not had
    std::vector<std::unique_ptr<Mouse>> mice_;
    std::vector<std::string> unreadable_;
    std::vector<std::string> refused_; // probed once and found no mouse
    std::size_t told_ = 0;             // unreadable nodes already in a notice
    std::function<void(const QString &)> notice_;
    DeviceHandle nextHandle_ = 1;
    struct Udev;
    std::unique_ptr<Udev> udev_;
    std::unique_ptr<ButtonFilter> filter_;
};

} // namespace lumbrast::platform::evdev
