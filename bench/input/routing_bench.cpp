// Raw events per second through the routing, with and without sending the
// cursor home. Run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include "input/routing.h"
#include "platform/sim/simulatedrawinput.h"

namespace {
void routing(benchmark::State &state, bool otherMouse) {
    QWidget window;
    auto *home = new QPushButton(".", &window);
    home->setGeometry(68, 77, 9, 13);
    window.show();
    lumbrast::input::InputState in;
    lumbrast::platform::SimulatedRawInput sim;
    lumbrast::input::RawMouseRouter router(in, sim);
    router.setCursorHome(home);
    sim.install(&router);
    in.hDeviceActive = 17;
    const lumbrast::platform::DeviceHandle mouse = otherMouse ? 23 : 17;
    for (auto _ : state)
        sim.rawEvent(mouse, lumbrast::platform::RawEventKind::Motion);
    state.SetItemsProcessed(state.iterations());
}
void ActiveMouse(benchmark::State &s) {
    routing(s, false);
}
void OtherMouseSentHome(benchmark::State &s) {
    routing(s, true);
}
BENCHMARK(ActiveMouse);
BENCHMARK(OtherMouseSentHome);
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
