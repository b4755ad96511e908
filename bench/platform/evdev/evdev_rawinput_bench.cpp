// Cost of one evdev event from the node through the back end and the routing,
// and of a press from the toolkit's event until the click is judged by the
// mouse that made it. The nodes are umockdev's, so a read costs a socket read
// through its preload library rather than a kernel evdev read.
#include <memory>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <benchmark/benchmark.h>
#include <linux/input.h>

#include "countingnew.h"
#include "input/inputstate.h"
#include "input/routing.h"
#include "mockmice.h"
#include "platform/evdev/evdevrawinput.h"

using namespace lumbrast::platform;

namespace {

struct NoCursor final : CursorControl {
    void attach(QWidget *) override {}
    void warpCursor(QPoint) override {}
    void confineCursor(QRect) override {}
    void releaseCursor() override {}
};

mockmice::Bed *gBed = nullptr;
evdev::EvdevRawInput *gInput = nullptr;
lumbrast::input::InputState *gState = nullptr;
std::string gLeft, gRight;

// Frames of motion queued in the node, then drained as the notifier would.
void BM_EvdevMotionFrame(benchmark::State &state) {
    constexpr int kBatch = 64;
    long allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kBatch; ++i) {
            gBed->send(gLeft, EV_REL, REL_X, (i & 1) ? 3 : -3);
            gBed->frame(gLeft);
        }
        const long before = gAllocations.load();
        state.ResumeTiming();
        gInput->drainAll();
        allocations += gAllocations.load() - before;
        benchmark::DoNotOptimize(gState->hDeviceLast);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["allocs/frame"] = benchmark::Counter(
        static_cast<double>(allocations) / static_cast<double>(state.iterations() * kBatch));
}
BENCHMARK(BM_EvdevMotionFrame);

// The toolkit delivers a press; the filter drains every mouse first, so the
// widget finds the click already told by the right mouse.
void BM_PressToJudgement(benchmark::State &state) {
    struct Table : QWidget {
        bool judged = false;
        void mousePressEvent(QMouseEvent *) override {
            judged = gState->hDeviceLast == gState->hDeviceActive;
        }
    } table;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    long wrong = 0;
    for (auto _ : state) {
        state.PauseTiming();
        gState->hDeviceLast = 0;
        gBed->send(gRight, EV_KEY, BTN_LEFT, 1);
        gBed->frame(gRight);
        gBed->send(gRight, EV_KEY, BTN_LEFT, 0);
        gBed->frame(gRight);
        state.ResumeTiming();
        QApplication::sendEvent(&table, &press);
        wrong += table.judged ? 0 : 1;
    }
    state.counters["misjudged"] = static_cast<double>(wrong);
}
BENCHMARK(BM_PressToJudgement);

} // namespace

int main(int argc, char **argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    mockmice::Bed bed;
    gLeft = bed.add({.number = 3, .port = "1-2"});
    gRight = bed.add({.number = 4, .port = "1-3"});
    evdev::EvdevRawInput input(std::make_unique<NoCursor>());
    lumbrast::input::InputState state;
    lumbrast::input::RawMouseRouter router(state, input);
    for (const PointingDevice &d : input.devices())
        if (d.identification.ends_with("1-3"))
            state.hDeviceActive = d.handle; // the right mouse plays
    gBed = &bed;
    gInput = &input;
    gState = &state;
    input.install(&router);

    benchmark::RunSpecifiedBenchmarks();
    input.remove();
    return 0;
}
