// How long the game waits for its music: the style player's whole start-up
// (lists, synthesiser, first choice and the four compositions it makes) until
// the music plays. The goal is well under half a second.
//
//   build/bench/music/window/musicwindow_bench
//
// Offline: the composing and loading alone. Silent: with the synthesiser and
// its SoundFont on the real-time clock, as on a machine without sound.

#include "music/window/musicpublic.h"
#include "music/window/musicwindowhost.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace lumbrast::musicwindow;

class SilentBoxes final : public MessageBoxes {
public:
    void show(QWidget *, const QString &, BoxIcon, const QString &) override {}
};

void StartUp(benchmark::State &state, lumbrast::music::AudioOutput output) {
    QWidget game;
    MusicWindowEnv env;
    env.messages = std::make_shared<SilentBoxes>();
    env.mediaFolder = QStringLiteral(LUMBRAST_MEDIA_SOURCE);
    env.audio.output = output;
    for (auto _ : state) {
        modMusicPublic::SetPublicDefaults();
        MusicWindowHost host(&game, env);
        frmStylesDX9 *w = host.load();
        if (!w || !w->Perf->IsPlaying(w->MainSegment)) {
            state.SkipWithError("the music did not start");
            break;
        }
        state.PauseTiming();
        host.exit();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

BENCHMARK_CAPTURE(StartUp, Offline, lumbrast::music::AudioOutput::Offline)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(StartUp, Silent, lumbrast::music::AudioOutput::RealTimeSilent)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
