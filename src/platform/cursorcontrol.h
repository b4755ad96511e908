#pragma once
// Cursor return and confinement apart from telling mice apart. On Wayland the
// compositor owns the pointer, so these go through its pointer constraints.

#include <QPoint>
#include <QRect>

class QWidget;

namespace lumbrast::platform {

class CursorControl {
public:
    virtual ~CursorControl() = default;

    // The window whose surface the constraints act on.
    virtual void attach(QWidget *window) = 0;

    // Global positions and rectangles in Qt's logical coordinates, as RawInput takes them.
    virtual void warpCursor(QPoint global) = 0;
    virtual void confineCursor(QRect global) = 0;
    virtual void releaseCursor() = 0;
};

} // namespace lumbrast::platform
