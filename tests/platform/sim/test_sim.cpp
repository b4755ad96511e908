#include <string>

#include <QPushButton>
#include <gtest/gtest.h>

#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast::platform;

// Raw events reach the sink before the toolkit's click, which lands under the
// cursor. (Where a sink sends the cursor home, the game's tests follow the click.)
TEST(SimulatedRawInput, RawEventComesFirstAndClickLandsUnderTheCursor) {
    struct Log final : RawInputSink {
        std::string seq;
        void rawInput(DeviceHandle d, RawEventKind k) noexcept override {
            seq += std::to_string(d) + ":" + std::to_string(int(k)) + " ";
        }
    } log;
    QWidget window;
    QPushButton a("a", &window);
    SimulatedRawInput sim(SimulatedRawInput::twoMice());
    QObject::connect(&a, &QPushButton::clicked, [&] { log.seq += "click a"; });
    window.show();
    sim.registerWindow(&window);
    sim.install(&log);

    sim.click(17, &a);
    EXPECT_EQ(log.seq, "17:0 17:1 17:2 click a");
    EXPECT_EQ(sim.cursorPos(), a.mapToGlobal(a.rect().center()));
}
