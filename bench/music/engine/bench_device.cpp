// Play-to-first-note latency on a real audio device, and resident memory
// with the default SoundFont. Goal: first note within 50 ms.
#include "musicservice.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

using namespace lumbrast::music;
using Clock = std::chrono::steady_clock;

namespace {

long rssKiB() {
    std::ifstream in("/proc/self/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            return value;
        }
        in.ignore(1 << 16, '\n');
    }
    return -1;
}

} // namespace

int main() {
    Loader loader;
    auto style = loader.LoadStyle(LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY");
    auto map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM");
    auto seg = Composer(1).ComposeSegmentFromShape(style, 1024, 1, 1, true, true, map);

    const long before = rssKiB();
    {
        Performance offline;
        AudioParams p;
        p.output = AudioOutput::Offline;
        offline.InitAudio(p);
        std::printf("resident memory: %ld KiB before the performance, %ld KiB with the default "
                    "SoundFont loaded"
                    " (+%ld KiB)\n",
                    before, rssKiB(), rssKiB() - before);
    }

    Performance perf;
    AudioParams p;
    p.output = AudioOutput::Device;
    try {
        perf.InitAudio(p);
    } catch (const MusicError &e) {
        std::printf("play-to-first-note: no audio device (%s)\n", e.what());
        return 0;
    }
    std::printf("audio driver: %s, period %d frames at %d Hz\n", perf.audioDriver().c_str(),
                p.periodFrames, p.sampleRate);
    std::atomic<bool> heard{false};
    Clock::time_point first;
    perf.SetEventTap([&](const PlayedEvent &e) {
        // The segment's first message (its band, at the same sample as a note
        // written on beat 1) marks when the synthesiser starts to play it.
        (void)e;
        if (!heard.exchange(true))
            first = Clock::now();
    });
    double total = 0, worst = 0;
    const int runs = 20;
    for (int i = 0; i < runs; ++i) {
        perf.SetEventTap(nullptr);
        heard = false;
        perf.SetEventTap([&](const PlayedEvent &e) {
            (void)e;
            if (!heard.exchange(true))
                first = Clock::now();
        });
        auto t0 = Clock::now();
        perf.PlaySegmentEx(seg, 0);
        while (!heard)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        double ms = std::chrono::duration<double, std::milli>(first - t0).count();
        total += ms;
        worst = std::max(worst, ms);
        perf.StopEx(seg);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double buffered = 1000.0 * p.periodFrames * 2 / p.sampleRate;
    std::printf(
        "play-to-first-note (synth receives the note): mean %.1f ms, worst %.1f ms over %d runs;"
        " plus about %.1f ms of device buffering\n",
        total / runs, worst, runs, buffered);
    perf.CloseDown();
    return 0;
}
