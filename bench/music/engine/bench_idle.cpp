// CPU while music plays in real time, against FluidSynth alone playing the
// same music from its MIDI export, both paced by the clock in periods of 256
// frames as a device asks for them. Goal: the engine costs no more than the
// synthesiser does on its own.
//   bench_music_idle [STYLE [CHORDMAP [SECONDS]]]
#include "midiexport.h"
#include "musicservice.h"

#include <fluidsynth.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace lumbrast::music;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

constexpr int kPeriod = 256; // frames the device asks for at a time

// Calls `period` once per device period for `seconds`, waiting in between as a
// sound card's clock would; gives the CPU time used meanwhile.
template <class Period> double paced(double seconds, int rate, Period period) {
    const double before = cpuSeconds();
    const auto start = Clock::now();
    const auto periods = static_cast<long>(seconds * rate / kPeriod);
    for (long i = 0; i < periods; ++i) {
        period();
        std::this_thread::sleep_until(
            start + std::chrono::duration<double>(static_cast<double>(i + 1) * kPeriod / rate));
    }
    return cpuSeconds() - before;
}

// The engine as a device drives it: sequencer, synthesiser and master output
// for each period.
double engineCpu(const StylePtr &style, const SegmentPtr &seg, double seconds) {
    Performance perf;
    AudioParams params;
    params.output = AudioOutput::Offline;
    perf.InitAudio(params);
    seg->Download(perf.GetDefaultAudioPath());
    if (style->GetBandCount() > 0)
        perf.PlaySegmentEx(style->GetBand(style->GetBandName(0))->CreateSegment(), kPlaySecondary,
                           0);
    perf.PlaySegmentEx(seg, 0);
    std::vector<float> left(kPeriod), right(kPeriod);
    const double used = paced(seconds, params.sampleRate,
                              [&] { perf.RenderOffline(left.data(), right.data(), kPeriod); });
    perf.CloseDown();
    return used;
}

// The engine with no device: its own clock thread, no synthesis.
double silentCpu(const SegmentPtr &seg, double seconds) {
    Performance perf;
    AudioParams params;
    params.output = AudioOutput::RealTimeSilent;
    perf.InitAudio(params);
    const double before = cpuSeconds();
    perf.PlaySegmentEx(seg, 0);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double used = cpuSeconds() - before;
    perf.CloseDown();
    return used;
}

// FluidSynth's own player on the MIDI export, paced the same way.
double fluidCpu(const std::string &midi, double seconds, int rate) {
    fluid_settings_t *settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", rate);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_synth_t *synth = new_fluid_synth(settings);
    if (fluid_synth_sfload(synth, kDefaultSoundFont, 1) == FLUID_FAILED)
        std::fprintf(stderr, "cannot load %s\n", kDefaultSoundFont);
    fluid_player_t *player = new_fluid_player(synth);
    fluid_player_add(player, midi.c_str());
    fluid_player_play(player);
    constexpr int kPeriod = 256;
    std::vector<float> left(kPeriod), right(kPeriod);
    const double before = cpuSeconds();
    const auto start = Clock::now();
    const auto periods = static_cast<long>(seconds * rate / kPeriod);
    for (long i = 0; i < periods; ++i) {
        fluid_synth_write_float(synth, kPeriod, left.data(), 0, 1, right.data(), 0, 1);
        std::this_thread::sleep_until(
            start + std::chrono::duration<double>(static_cast<double>(i + 1) * kPeriod / rate));
    }
    const double used = cpuSeconds() - before;
    fluid_player_stop(player);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return used;
}

} // namespace

int main(int argc, char **argv) {
    const std::string media = LUMBRAST_MEDIA_DIR;
    const std::string styleFile = argc > 1 && *argv[1] ? argv[1] : media + "/NEWAVTCH.STY";
    const std::string mapFile = argc > 2 && *argv[2] ? argv[2] : media + "/EVENMAJ.CDM";
    const double seconds = argc > 3 ? std::atof(argv[3]) : 20.0;
    Loader loader;
    StylePtr style = loader.LoadStyle(styleFile);
    SegmentPtr seg = Composer(1).ComposeSegmentFromShape(style, 1024, 1, 1, false, false,
                                                         loader.LoadChordMap(mapFile));
    const auto midi = std::filesystem::temp_directory_path() / "lumbrast_bench_idle.mid";
    tool::WriteMidiFile(*seg, midi.string());
    const double engine = engineCpu(style, seg, seconds);
    const double silent = silentCpu(seg, seconds);
    const double fluid = fluidCpu(midi.string(), seconds, AudioParams{}.sampleRate);
    std::filesystem::remove(midi);
    std::printf("%s, %.0f s in real time\n", style->name().c_str(), seconds);
    std::printf("engine:          %6.3f s CPU  %5.1f %% of a core\n", engine,
                100 * engine / seconds);
    std::printf("FluidSynth alone: %5.3f s CPU  %5.1f %% of a core\n", fluid,
                100 * fluid / seconds);
    std::printf("engine / FluidSynth: %.2f\n", fluid > 0 ? engine / fluid : 0.0);
    std::printf("engine with no device (its own clock, no synthesis): %.3f s CPU\n", silent);
    return 0;
}
