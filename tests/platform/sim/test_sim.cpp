#include <string>
#include <vector>

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast::platform;

namespace {
// Logs raw events and clicks in one sequence, and can send the cursor away.
struct Log final : RawInputSink {
    std::vector<std::string> *seq = nullptr;
    SimulatedRawInput *sim = nullptr;
    QPoint sendTo;
    bool warp = false;
    void rawInput(DeviceHandle d, RawEventKind k) noexcept override
    {
        seq->push_back("raw " + std::to_string(d) + " " + std::to_string(int(k)));
        if (warp)
            sim->warpCursor(sendTo);
    }
};

struct Table {
    QWidget window;
    QPushButton *a = new QPushButton("a", &window);
    QPushButton *b = new QPushButton("b", &window);
    std::vector<std::string> seq;
    Table()
    {
        window.resize(200, 100);
        a->setGeometry(0, 0, 90, 90);
        b->setGeometry(100, 0, 90, 90);
        QObject::connect(a, &QPushButton::clicked, [this] { seq.push_back("click a"); });
        QObject::connect(b, &QPushButton::clicked, [this] { seq.push_back("click b"); });
        window.show();
    }
};
} // namespace

// Raw events reach the sink before the toolkit's click, and the click lands
// where the cursor was when the button went down, even if the sink moved it.
TEST(SimulatedRawInput, RawEventComesFirstAndClickLandsUnderTheCursor)
{
    Table t;
    SimulatedRawInput sim(SimulatedRawInput::twoMice());
    sim.registerWindow(&t.window);
    Log log;
    log.seq = &t.seq;
    log.sim = &sim;
    sim.install(&log);

    sim.click(17, t.a);
    EXPECT_EQ(t.seq, (std::vector<std::string>{"raw 17 0", "raw 17 1", "raw 17 2", "click a"}));
    EXPECT_EQ(sim.cursorPos(), t.a->mapToGlobal(t.a->rect().center()));

    // A move that the sink sends home: the click then lands on the home widget.
    t.seq.clear();
    log.warp = true;
    log.sendTo = t.a->mapToGlobal(QPoint(5, 5));
    sim.click(23, t.b);
    EXPECT_EQ(t.seq.back(), "click a");
    EXPECT_EQ(sim.cursorPos(), log.sendTo);

    // Uninstalled: the toolkit still gets its click, the sink nothing.
    t.seq.clear();
    log.warp = false;
    sim.remove();
    sim.click(23, t.b);
    EXPECT_EQ(t.seq, (std::vector<std::string>{"click b"}));
}
