#pragma once
// A RawInput back end whose mice are scripted: "mouse 17 moves onto piece 2",
// "mouse 17 clicks". Every scripted action first reports the raw event to the
// installed sink and then delivers the toolkit's own mouse event at the place
// where the cursor was when the action happened, the order a real server keeps.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "platform/rawinput.h"

namespace lumbrast::platform {

class SimulatedRawInput final : public QObject, public RawInput {
public:
    explicit SimulatedRawInput(std::vector<PointingDevice> mice = {});
    ~SimulatedRawInput() override;

    // Two ordinary mice, handles 17 and 23, plus one system-made pointer.
    static std::vector<PointingDevice> twoMice();

    // ---- Plugging: each tells the watcher, as a real back end does ----
    void plug(PointingDevice device);
    void unplug(DeviceHandle handle);

    // ---- RawInput ----
    std::vector<PointingDevice> devices() override { return devices_; }
    void registerWindow(QWidget *window) override;
    void warpCursor(QPoint global) override;
    void confineCursor(QRect global) override;
    void releaseCursor() override;

    // ---- Script ----
    // The raw event alone; the path a real back end runs for every event.
    void rawEvent(DeviceHandle mouse, RawEventKind kind) noexcept;
    // The mouse moves the cursor to a global point / onto a widget's centre.
    void move(DeviceHandle mouse, QPoint global);
    void move(DeviceHandle mouse, QWidget *onto);
    // A left click where the cursor is now, without moving.
    void clickHere(DeviceHandle mouse);
    // Moves onto the widget, then clicks: the click lands wherever the cursor
    // is after the move (the cursor home, if the move sent it there).
    void click(DeviceHandle mouse, QWidget *on);

    // ---- What the back end was asked to do ----
    QPoint cursorPos() const { return cursor_; }
    bool confined() const { return confined_; }
    QRect confinement() const { return confinement_; }
    int warps() const { return warps_; }
    int registrations() const { return registrations_; }
    QWidget *registeredWindow() const { return window_; }

    // Lets the real pointer stand in for the scripted mice when trying the
    // game without two mice: its moves and clicks report raw input from the
    // first mouse, or from the second one while Shift is held.
    void attachRealPointer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *widgetAt(QPoint global) const;
    void sendMouse(QWidget *target, int type, QPoint global, bool leftDown);
    DeviceHandle realPointerDevice(bool second) const;

    std::vector<PointingDevice> devices_;
    QPointer<QWidget> window_;
    QPoint cursor_;
    QRect confinement_;
    bool confined_ = false;
    bool realPointer_ = false;
    int warps_ = 0;
    int registrations_ = 0;
};

} // namespace lumbrast::platform
