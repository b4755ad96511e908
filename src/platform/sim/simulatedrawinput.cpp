#include "platform/sim/simulatedrawinput.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace lumbrast::platform {

SimulatedRawInput::SimulatedRawInput(std::vector<PointingDevice> mice)
    : devices_(std::move(mice)) {}

SimulatedRawInput::~SimulatedRawInput() {
    if (realPointer_ && qApp)
        qApp->removeEventFilter(this);
}

std::vector<PointingDevice> SimulatedRawInput::twoMice() {
    return {
        {17, "USB", "VID_046D&PID_C077", "Optical USB Mouse", false},
        {9, "VIRTUAL", "CORE_POINTER", "Virtual core pointer", true},
        {23, "USB", "VID_1BCF&PID_0005", "Wireless Mouse", false},
    };
}

void SimulatedRawInput::plug(PointingDevice device) {
    devices_.push_back(std::move(device));
    devicesChanged();
}

void SimulatedRawInput::unplug(DeviceHandle handle) {
    std::erase_if(devices_, [handle](const PointingDevice &d) { return d.handle == handle; });
    devicesChanged();
}

void SimulatedRawInput::registerWindow(QWidget *window) {
    window_ = window;
    ++registrations_;
}

void SimulatedRawInput::warpCursor(QPoint global) {
    cursor_ = global;
    ++warps_;
    if (realPointer_)
        QCursor::setPos(global);
}

void SimulatedRawInput::confineCursor(QRect global) {
    confinement_ = global;
    confined_ = true;
}

void SimulatedRawInput::releaseCursor() {
    confined_ = false;
    confinement_ = {};
}

void SimulatedRawInput::rawEvent(DeviceHandle mouse, RawEventKind kind) noexcept {
    if (installed())
        sink()->rawInput(mouse, kind);
}

QWidget *SimulatedRawInput::widgetAt(QPoint global) const {
    if (QWidget *modal = QApplication::activeModalWidget()) {
        QWidget *w = modal->childAt(modal->mapFromGlobal(global));
        if (w || modal->rect().contains(modal->mapFromGlobal(global)))
            return w ? w : modal;
        return nullptr; // the modal box takes no clicks elsewhere
    }
    if (window_ && window_->isVisible()) {
        const QPoint local = window_->mapFromGlobal(global);
        if (QWidget *w = window_->childAt(local))
            return w;
        if (window_->rect().contains(local))
            return window_.data();
    }
    return QApplication::widgetAt(global);
}

void SimulatedRawInput::sendMouse(QWidget *target, int type, QPoint global, bool leftDown) {
    if (!target)
        return;
    const auto evType = static_cast<QEvent::Type>(type);
    const Qt::MouseButton button = evType == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = leftDown ? Qt::LeftButton : Qt::NoButton;
    const QPointF local = target->mapFromGlobal(QPointF(global));
    QMouseEvent event(evType, local, local, QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void SimulatedRawInput::move(DeviceHandle mouse, QPoint global) {
    if (confined_) {
        global.setX(std::clamp(global.x(), confinement_.left(), confinement_.right()));
        global.setY(std::clamp(global.y(), confinement_.top(), confinement_.bottom()));
    }
    // The server moves the pointer, reports the raw motion, then the toolkit
    // sees the motion where the pointer went, even if the sink sent it home.
    QWidget *target = widgetAt(global);
    cursor_ = global;
    rawEvent(mouse, RawEventKind::Motion);
    sendMouse(target, QEvent::MouseMove, global, false);
}

void SimulatedRawInput::move(DeviceHandle mouse, QWidget *onto) {
    move(mouse, onto->mapToGlobal(onto->rect().center()));
}

void SimulatedRawInput::clickHere(DeviceHandle mouse) {
    const QPoint at = cursor_;
    QPointer<QWidget> target = widgetAt(at);
    rawEvent(mouse, RawEventKind::ButtonPress);
    sendMouse(target, QEvent::MouseButtonPress, at, true);
    rawEvent(mouse, RawEventKind::ButtonRelease);
    sendMouse(target, QEvent::MouseButtonRelease, at, false);
}

void SimulatedRawInput::click(DeviceHandle mouse, QWidget *on) {
    move(mouse, on);
    clickHere(mouse);
}

DeviceHandle SimulatedRawInput::realPointerDevice(bool second) const {
    DeviceHandle first = 0, other = 0;
    for (const PointingDevice &d : devices_) {
        if (d.systemMade)
            continue;
        if (!first)
            first = d.handle;
        else if (!other)
            other = d.handle;
    }
    return second && other ? other : first;
}

void SimulatedRawInput::attachRealPointer() {
    if (realPointer_)
        return;
    realPointer_ = true;
    qApp->installEventFilter(this);
}

bool SimulatedRawInput::eventFilter(QObject *watched, QEvent *event) {
    // Each real pointer event reaches the top-level QWindow once, before any widget.
    const QEvent::Type type = event->type();
    if (qobject_cast<QWindow *>(watched) &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseMove)) {
        const auto *me = static_cast<QMouseEvent *>(event);
        cursor_ = me->globalPosition().toPoint();
        const RawEventKind kind = type == QEvent::MouseButtonPress     ? RawEventKind::ButtonPress
                                  : type == QEvent::MouseButtonRelease ? RawEventKind::ButtonRelease
                                                                       : RawEventKind::Motion;
        rawEvent(realPointerDevice(me->modifiers() & Qt::ShiftModifier), kind);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lumbrast::platform
