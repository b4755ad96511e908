#pragma once
// Cursor return and confinement on Wayland through the compositor's pointer
// constraints: a confined pointer stands for the barriers, and a pointer locked
// with a position hint, then unlocked, for the warp.

#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include "platform/cursorcontrol.h"

namespace lumbrast::platform::wayland {

struct CursorControlOptions {
    bool hideConstraints = false; // behave as on a compositor without the protocol
};

class WaylandCursorControl final : public CursorControl {
    Q_DECLARE_TR_FUNCTIONS(WaylandCursorControl)

public:
    // Told once, in plain words, that this desktop cannot move the cursor for us.
    using Notice = std::function<void(const QString &text)>;
    using Options = CursorControlOptions;
    explicit WaylandCursorControl(Notice notice, Options options = {});
    ~WaylandCursorControl() override;
    WaylandCursorControl(const WaylandCursorControl &) = delete;
    WaylandCursorControl &operator=(const WaylandCursorControl &) = delete;

    void attach(QWidget *window) override;
    void warpCursor(QPoint global) override;
    void confineCursor(QRect global) override;
    void releaseCursor() override;

    // The compositor offers pointer constraints; known once attached.
    bool constrains() const;
    // A global logical position as a position on the attached window's surface.
    QPoint toSurface(QPoint global) const;

private:
    struct Connection;
    void confineSurface();

    Notice notice_;
    Options options_;
    QPointer<QWidget> window_;
    std::unique_ptr<Connection> wl_;
    QRect confinedTo_; // surface coordinates; empty when free
    bool told_ = false;
};

} // namespace lumbrast::platform::wayland
