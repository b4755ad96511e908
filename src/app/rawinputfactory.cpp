#include "app/rawinputfactory.h"

#include "platform/sim/simulatedrawinput.h"
#include "platform/x11/x11rawinput.h"

namespace lumbrast::app {

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice) {
    if (choice.simulatedMice) {
        auto sim =
            std::make_unique<platform::SimulatedRawInput>(platform::SimulatedRawInput::twoMice());
        sim->attachRealPointer();
        return sim;
    }
    return std::make_unique<platform::x11::X11RawInput>(choice.virtualMice);
}

} // namespace lumbrast::app
