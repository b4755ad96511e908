#include "app/rawinputfactory.h"

#include "platform/sim/simulatedrawinput.h"

namespace lumbrast::app {

std::unique_ptr<platform::RawInput> makeRawInput(const RawInputChoice &choice)
{
    if (choice.simulatedMice) {
        auto sim = std::make_unique<platform::SimulatedRawInput>(platform::SimulatedRawInput::twoMice());
        sim->attachRealPointer();
        return sim;
    }
    // The X server's back end belongs here. Without one, no mouse can be told
    // apart from another: a back end without devices makes the window refuse.
    return std::make_unique<platform::SimulatedRawInput>();
}

} // namespace lumbrast::app
