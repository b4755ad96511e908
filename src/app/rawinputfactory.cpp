#include "app/rawinputfactory.h"

#include <cstdio>
#include <stdexcept>

#include <QMessageBox>

#include "platform/sim/simulatedrawinput.h"
#include "platform/wayland/waylandcursorcontrol.h"
#include "platform/x11/x11rawinput.h"

namespace lumbrast::app {

namespace {

// Said once and never in the way: the game plays on without it.
void showCursorNotice(const QString &text) {
    std::fprintf(stderr, "lumbrast: %s\n", qPrintable(text));
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Lumbrast"), text,
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice) {
    if (choice.simulatedMice) {
        auto sim =
            std::make_unique<platform::SimulatedRawInput>(platform::SimulatedRawInput::twoMice());
        sim->attachRealPointer();
        return sim;
    }
    if (choice.wayland)
        return makeWaylandRawInput();
    return std::make_unique<platform::x11::X11RawInput>(choice.virtualMice);
}

std::unique_ptr<platform::RawInput> makeWaylandRawInput() {
    auto cursor = std::make_unique<platform::wayland::WaylandCursorControl>(&showCursorNotice);
    (void)cursor;
    throw std::runtime_error(
        "This build of Lumbrast cannot tell mice apart on Wayland yet. Log in to an X11 (Xorg) "
        "session, or start it with \"--session x11\" where an X server runs.");
}

} // namespace lumbrast::app
