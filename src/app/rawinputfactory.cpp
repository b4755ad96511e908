#include "app/rawinputfactory.h"

#include <cstdio>

#include <QMessageBox>

#include "platform/evdev/evdevrawinput.h"
#include "platform/sim/simulatedrawinput.h"
#include "platform/x11/x11rawinput.h"

namespace lumbrast::app {

namespace {

// Leaves the cursor to the display server: clicks are still told by mouse.
class NoCursorControl final : public platform::CursorControl {
public:
    void attach(QWidget *) override {}
    void warpCursor(QPoint) override {}
    void confineCursor(QRect) override {}
    void releaseCursor() override {}
};

} // namespace

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice) {
    if (choice.simulatedMice) {
        auto sim =
            std::make_unique<platform::SimulatedRawInput>(platform::SimulatedRawInput::twoMice());
        sim->attachRealPointer();
        return sim;
    }
    if (choice.evdev) {
        auto evdev =
            std::make_unique<platform::evdev::EvdevRawInput>(std::make_unique<NoCursorControl>());
        evdev->setNotice([](const QString &text) {
            std::fprintf(stderr, "lumbrast: %s\n", qPrintable(text));
            auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Lumbrast"), text);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false); // the game goes on with the mice it can read
            box->show();
        });
        return evdev;
    }
    return std::make_unique<platform::x11::X11RawInput>(choice.virtualMice);
}

} // namespace lumbrast::app
