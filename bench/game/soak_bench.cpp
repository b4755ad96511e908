// The long soak: 100,000 tables played by two random mice, invariants checked
// after every action. Run on demand: build/bench/game/bench_game_soak
#include <benchmark/benchmark.h>

#include "soak.h"

static void BM_Soak100kTables(benchmark::State &state) {
    std::uint64_t seed = 100;
    for (auto _ : state) {
        const auto r = lumbrast::game::soak::run(100000, seed++);
        if (r.violations != 0)
            state.SkipWithError(r.firstViolation.c_str());
        state.counters["clicks"] = static_cast<double>(r.clicks);
    }
}
BENCHMARK(BM_Soak100kTables)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
