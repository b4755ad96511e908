#pragma once
// WindowProc: every raw mouse event of the hooked game window passes here.

#include <QPointer>
#include <QWidget>

#include "input/inputstate.h"
#include "platform/rawinput.h"

namespace lumbrast::input {

class RawMouseRouter final : public platform::RawInputSink {
public:
    RawMouseRouter(InputState &state, platform::RawInput &raw) : state_(state), raw_(raw) {}

    // cmdCursorPos: the cursor home on the table.
    void setCursorHome(QWidget *cmdCursorPos) { home_ = cmdCursorPos; }
    // Raw input counts only while this window is the active one, so a game in
    // the background (or behind its own message box) never moves the cursor.
    void setWindow(QWidget *window) { window_ = window; }

    // The toolkit handles its own event for the same action after this returns,
    // so nothing is held back. Records the device; another mouse than the
    // active one sends the cursor home. Allocates nothing.
    void rawInput(platform::DeviceHandle device, platform::RawEventKind kind) noexcept override;
    void WindowProc(platform::DeviceHandle device) noexcept;

    void MoveCursorToCursorPos() noexcept;

    // Centre of a widget in global coordinates, halves rounded to even.
    static QPoint centreOf(const QWidget *widget) noexcept;

private:
    InputState &state_;
    platform::RawInput &raw_;
    QPointer<QWidget> home_;
    QPointer<QWidget> window_;
};

} // namespace lumbrast::input
