#include "app/rawinputfactory.h"

#include <cstdio>

#include <QMessageBox>

#include "platform/evdev/evdevrawinput.h"
#include "platform/sim/simulatedrawinput.h"
#include "platform/wayland/waylandcursorcontrol.h"
#include "platform/x11/x11rawinput.h"

namespace lumbrast::app {

namespace {

// Said once and never in the way: the game goes on without what it tells.
void showNotice(const QString &text) {
    std::fprintf(stderr, "lumbrast: %s\n", qPrintable(text));
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Lumbrast"), text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

// Leaves the cursor to the display server: clicks are still told by mouse.
class NoCursorControl final : public platform::CursorControl {
public:
    void attach(QWidget *) override {}
    void warpCursor(QPoint) override {}
    void confineCursor(QRect) override {}
    void releaseCursor() override {}
};

std::unique_ptr<platform::RawInput> evdevWith(std::unique_ptr<platform::CursorControl> cursor) {
    auto evdev = std::make_unique<platform::evdev::EvdevRawInput>(std::move(cursor));
    evdev->setNotice(&showNotice);
    return evdev;
}

} // namespace

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice) {
    if (choice.simulatedMice) {
        auto sim =
            std::make_unique<platform::SimulatedRawInput>(platform::SimulatedRawInput::twoMice());
        sim->attachRealPointer();
        return sim;
    }
    // On Wayland the compositor owns the cursor: its pointer constraints move and hold it.
    if (choice.wayland)
        return evdevWith(std::make_unique<platform::wayland::WaylandCursorControl>(&showNotice));
    if (choice.evdev)
        return evdevWith(std::make_unique<NoCursorControl>());
    return std::make_unique<platform::x11::X11RawInput>(choice.virtualMice);
}

} // namespace lumbrast::app
