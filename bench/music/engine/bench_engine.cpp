// Composer and offline renderer speed. Goals: 1024 measures composed in
// under 50 ms; offline rendering at least 100 times faster than real time.
#include "engine.h"
#include "musicservice.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <vector>

using namespace lumbrast::music;

namespace {

std::vector<std::string> styles() {
    std::vector<std::string> out;
    for (const auto &e : std::filesystem::directory_iterator(LUMBRAST_MEDIA_DIR))
        if (e.path().extension() == ".STY")
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

void Compose1024(benchmark::State &state) {
    Loader loader;
    auto style = loader.LoadStyle(styles()[static_cast<std::size_t>(state.range(0))]);
    auto map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM");
    Composer composer(1);
    std::size_t events = 0;
    for (auto _ : state) {
        auto seg = composer.ComposeSegmentFromShape(style, 1024, static_cast<int>(Shape::Song), 1,
                                                    true, true, map);
        events = seg->data() ? 1 : 0;
        benchmark::DoNotOptimize(seg);
    }
    (void)events;
    state.SetLabel(style->name());
}
BENCHMARK(Compose1024)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Seconds of music rendered per second of wall time, on one core.
void RenderOffline(benchmark::State &state) {
    Loader loader;
    auto style = loader.LoadStyle(styles()[static_cast<std::size_t>(state.range(0))]);
    auto map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/NIGHTMIN.CDM");
    auto seg = Composer(2).ComposeSegmentFromShape(style, 64, static_cast<int>(Shape::Loud), 1,
                                                   false, false, map);
    Performance perf;
    AudioParams p;
    p.output = AudioOutput::Offline;
    perf.InitAudio(p);
    perf.PlaySegmentEx(seg, 0);
    constexpr int kBlock = 4096;
    std::vector<float> l(kBlock), r(kBlock);
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (!perf.IsPlaying(seg))
            perf.PlaySegmentEx(seg, 0);
        perf.RenderOffline(l.data(), r.data(), kBlock);
        frames += kBlock;
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / p.sampleRate, benchmark::Counter::kIsRate);
    state.SetLabel(style->name());
}
BENCHMARK(RenderOffline)->DenseRange(0, 4)->MinTime(3.0)->Unit(benchmark::kMillisecond);

// Without a sound device: the work one clock step does after the process
// stood still for 5 s, which is how long a UI call may wait behind it.
// Goal: under 5 ms.
void SilentClockAfterStall(benchmark::State &state) {
    Loader loader;
    auto style = loader.LoadStyle(styles()[0]);
    auto map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/NIGHTMIN.CDM");
    std::atomic<std::int64_t> micros{0};
    Performance perf;
    perf.engine()->setClock([&] { return micros.load(); });
    AudioParams p;
    p.output = AudioOutput::RealTimeSilent;
    perf.InitAudio(p);
    auto seg = Composer(2).ComposeSegmentFromShape(style, 64, 3, 0, false, false, map);
    seg->SetRepeats(1'000'000); // music under every step
    perf.PlaySegmentEx(seg, 0);
    for (auto _ : state) {
        micros += 5'000'000;
        perf.engine()->clockStep();
    }
    perf.CloseDown();
}
BENCHMARK(SilentClockAfterStall)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
