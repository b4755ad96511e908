// Raw events per second through the routing, with and without sending the
// cursor home, and the heap allocations per event (the goal is none).
// Run with QT_QPA_PLATFORM=offscreen.
#include <atomic>
#include <cstdlib>
#include <new>

#include <QApplication>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include "input/routing.h"
#include "platform/sim/simulatedrawinput.h"

static std::atomic<bool> g_counting{false};
static std::atomic<long> g_allocations{0};
void *operator new(std::size_t n) {
    if (g_counting)
        ++g_allocations;
    if (void *p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}

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
    g_allocations = 0;
    g_counting = true;
    for (auto _ : state)
        sim.rawEvent(mouse, lumbrast::platform::RawEventKind::Motion);
    g_counting = false;
    state.SetItemsProcessed(state.iterations());
    state.counters["allocations/event"] =
        static_cast<double>(g_allocations) / static_cast<double>(state.iterations());
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
