#include <string>
#include <vector>

#include <QPushButton>
#include <gtest/gtest.h>

#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast::platform;

namespace {
// Logs raw events into the same sequence as clicks, and can send the cursor away.
struct Log final : RawInputSink {
    std::vector<std::string> seq;
    SimulatedRawInput *sim = nullptr;
    QPoint sendTo;
    void rawInput(DeviceHandle d, RawEventKind k) noexcept override {
        seq.push_back("raw " + std::to_string(d) + " " + std::to_string(int(k)));
        if (!sendTo.isNull())
            sim->warpCursor(sendTo);
    }
};
} // namespace

// Raw events reach the sink before the toolkit's click, and the click lands
// where the cursor was when the button went down, even if the sink moved it.
TEST(SimulatedRawInput, RawEventComesFirstAndClickLandsUnderTheCursor) {
    QWidget window;
    QPushButton a("a", &window), b("b", &window);
    a.setGeometry(0, 0, 90, 90);
    b.setGeometry(100, 0, 90, 90);
    SimulatedRawInput sim(SimulatedRawInput::twoMice());
    Log log;
    log.sim = &sim;
    QObject::connect(&a, &QPushButton::clicked, [&] { log.seq.emplace_back("click a"); });
    window.show();
    sim.registerWindow(&window);
    sim.install(&log);

    sim.click(17, &a);
    EXPECT_EQ(log.seq, (std::vector<std::string>{"raw 17 0", "raw 17 1", "raw 17 2", "click a"}));
    EXPECT_EQ(sim.cursorPos(), a.mapToGlobal(a.rect().center()));

    log.sendTo = a.mapToGlobal(QPoint(5, 5)); // a move that the sink sends home
    sim.click(23, &b);
    EXPECT_EQ(log.seq.back(), "click a");
    EXPECT_EQ(sim.cursorPos(), log.sendTo);
}
