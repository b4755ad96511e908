#include <string>
#include <vector>

#include <QPushButton>
#include <gtest/gtest.h>

#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast::platform;

namespace {
// Logs raw events into the same sequence as clicks.
struct Log final : RawInputSink {
    std::vector<std::string> seq;
    void rawInput(DeviceHandle d, RawEventKind k) noexcept override {
        seq.push_back("raw " + std::to_string(d) + " " + std::to_string(int(k)));
    }
};
} // namespace

// Raw events reach the sink before the toolkit's click, which lands under the
// cursor. (Where a sink sends the cursor home, the game's tests follow the click.)
TEST(SimulatedRawInput, RawEventComesFirstAndClickLandsUnderTheCursor) {
    QWidget window;
    QPushButton a("a", &window);
    a.setGeometry(10, 10, 90, 90);
    SimulatedRawInput sim(SimulatedRawInput::twoMice());
    Log log;
    QObject::connect(&a, &QPushButton::clicked, [&] { log.seq.emplace_back("click a"); });
    window.show();
    sim.registerWindow(&window);
    sim.install(&log);

    sim.click(17, &a);
    EXPECT_EQ(log.seq, (std::vector<std::string>{"raw 17 0", "raw 17 1", "raw 17 2", "click a"}));
    EXPECT_EQ(sim.cursorPos(), a.mapToGlobal(a.rect().center()));
}
