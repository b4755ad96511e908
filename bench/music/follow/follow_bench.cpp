// From a game's cue to the first note of the style's answer, on the offline
// clock at cues spread over the beat. Goal: at most one beat plus 10 ms at
// the style's tempo. Also the time a set won costs the UI thread (the close
// and a fresh 1024-measure composition).
#include "moments.h"
#include "musicservice.h"
#include "transition.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace lumbrast::music;
using Clock = std::chrono::steady_clock;

int main() {
    const char *styles[] = {"COPPERFX", "HARBRLGT", "MISTVALE", "NEWAVTCH", "TINROBOT"};
    Loader loader;
    const ChordMapPtr map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM");
    std::printf("%-10s %7s %9s %9s %9s %11s\n", "style", "bpm", "limit ms", "worst ms", "mean ms",
                "set won ms");
    for (const char *name : styles) {
        const StylePtr style =
            loader.LoadStyle(std::string(LUMBRAST_MEDIA_DIR "/") + name + ".STY");
        Composer composer(7);
        const SegmentPtr main =
            composer.ComposeSegmentFromShape(style, 64, 1, 1, false, false, map);
        Performance perf;
        AudioParams params;
        params.output = AudioOutput::Offline;
        perf.InitAudio(params);
        std::uint64_t waiting = 0;
        std::int64_t heard = -1;
        perf.SetEventTap([&](const PlayedEvent &e) {
            if (e.kind == PlayedEvent::Kind::NoteOn && e.stateId == waiting && heard < 0)
                heard = e.sample;
        });
        main->SetRepeats(1000); // music under every cue
        perf.PlaySegmentEx(main, 0);
        std::vector<SegmentPtr> answers; // every moment answered by a motif, but tension
        for (Moment m :
             {Moment::Pair3, Moment::Pair2, Moment::Pair1, Moment::Miss, Moment::Timeout})
            if (const std::string motif = MomentMotif(*style->data(), m); !motif.empty())
                answers.push_back(style->GetMotif(motif));
        const double beatMs = 60000.0 / style->GetTempo();
        std::mt19937 rng(3);
        std::uniform_int_distribution<std::int64_t> gap(1, perf.sampleRate() * 3);
        double worst = 0, sum = 0;
        const int cues = 1000;
        for (int i = 0; i < cues; ++i) {
            perf.AdvanceOffline(gap(rng));
            const std::int64_t cue = perf.GetSampleTime();
            heard = -1;
            const SegmentPtr &motif = answers[static_cast<std::size_t>(i) % answers.size()];
            waiting = perf.PlaySegmentEx(motif, kPlaySecondary | kPlayBeat)->id();
            while (heard < 0)
                perf.AdvanceOffline(64);
            const double ms = 1000.0 * static_cast<double>(heard - cue) / perf.sampleRate();
            worst = std::max(worst, ms);
            sum += ms;
        }
        const auto t0 = Clock::now();
        const auto at = perf.PlayingPrimary(kPlayMeasure);
        ComposeTransition(style, map, at.segment, at.tick, TransitionKind::Cadence, 1);
        composer.ComposeSegmentFromShape(style, 1024, 1, 1, false, true, map);
        const double setWon = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        std::printf("%-10s %7.0f %9.1f %9.1f %9.1f %11.1f%s\n", name, style->GetTempo(),
                    beatMs + 10, worst, sum / cues, setWon, worst > beatMs + 10 ? "  OVER" : "");
    }
    return 0;
}
