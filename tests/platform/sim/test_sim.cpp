#include <optional>
#include <string>
#include <vector>

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast::platform;

namespace {
// Logs raw events into the same sequence as clicks, and can send the cursor away.
struct Log final : RawInputSink {
    std::vector<std::string> *seq = nullptr;
    SimulatedRawInput *sim = nullptr;
    std::optional<QPoint> sendTo;
    void rawInput(DeviceHandle d, RawEventKind k) noexcept override {
        seq->push_back("raw " + std::to_string(d) + " " + std::to_string(int(k)));
        if (sendTo)
            sim->warpCursor(*sendTo);
    }
};
} // namespace

// Raw events reach the sink before the toolkit's click, and the click lands
// where the cursor was when the button went down, even if the sink moved it.
TEST(SimulatedRawInput, RawEventComesFirstAndClickLandsUnderTheCursor) {
    QWidget window;
    window.resize(200, 100);
    QPushButton a("a", &window), b("b", &window);
    a.setGeometry(0, 0, 90, 90);
    b.setGeometry(100, 0, 90, 90);
    std::vector<std::string> seq;
    QObject::connect(&a, &QPushButton::clicked, [&] { seq.push_back("click a"); });
    QObject::connect(&b, &QPushButton::clicked, [&] { seq.push_back("click b"); });
    window.show();
    SimulatedRawInput sim(SimulatedRawInput::twoMice());
    sim.registerWindow(&window);
    Log log;
    log.seq = &seq;
    log.sim = &sim;
    sim.install(&log);

    sim.click(17, &a);
    EXPECT_EQ(seq, (std::vector<std::string>{"raw 17 0", "raw 17 1", "raw 17 2", "click a"}));
    EXPECT_EQ(sim.cursorPos(), a.mapToGlobal(a.rect().center()));

    seq.clear(); // a move that the sink sends home: the click lands on the home widget
    log.sendTo = a.mapToGlobal(QPoint(5, 5));
    sim.click(23, &b);
    EXPECT_EQ(seq.back(), "click a");
    EXPECT_EQ(sim.cursorPos(), *log.sendTo);
}
