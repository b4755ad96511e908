// The master output measured as a listener's meter would: true peak and
// integrated loudness through libebur128.
#include "loudness.h"
#include "master.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace lumbrast::music;
using namespace lumbrast::music::tool;

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

enum Side { Left, Right, Both };

// Runs `seconds` of `wave` (sample index to value) on one or both sides through
// a limiter-only master bus and measures the output.
template <class Wave> Loudness limited(double seconds, Side side, Wave wave) {
    detail::MasterBus bus;
    bus.init(kRate);
    LoudnessMeter meter(kRate);
    std::vector<float> l(512), r(512);
    for (std::int64_t at = 0; at < static_cast<std::int64_t>(seconds * kRate); at += 512) {
        for (std::size_t i = 0; i < 512; ++i) {
            const float v = wave(at + static_cast<std::int64_t>(i));
            l[i] = side == Right ? 0.0f : v;
            r[i] = side == Left ? 0.0f : v;
        }
        bus.process(l.data(), r.data(), 512);
        meter.add(l.data(), r.data(), 512);
    }
    return meter.result();
}

} // namespace

TEST(MasterBus, LimiterHoldsFullScaleUnderMinusOneDbtp) {
    // A quarter of the sample rate, sampled 45 degrees off its crests: every
    // sample is full scale, the wave between them 3 dB above it.
    const Loudness crests = limited(2.0, Right, [](std::int64_t n) {
        return static_cast<float>(std::sqrt(2.0) * std::sin(kPi / 2 * n + kPi / 4));
    });
    // A full-scale square wave, and a burst that jumps out of silence.
    const Loudness square =
        limited(2.0, Left, [](std::int64_t n) { return (n / 22) % 2 ? 1.0f : -1.0f; });
    const Loudness burst = limited(2.0, Both, [](std::int64_t n) {
        return n % kRate < kRate / 2 ? 0.0f : static_cast<float>(std::sin(0.3 * n));
    });
    EXPECT_LE(std::max({crests.truePeakDb, square.truePeakDb, burst.truePeakDb}), -1.0);
}

TEST(MasterBus, FollowerBringsAStyleToItsTargetWithinOneLu) {
    std::ifstream in(LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    // The style's own target line, replaced by each target below.
    const auto at = text.find("\nloudness");
    ASSERT_NE(at, std::string::npos);
    const auto after = text.find('\n', at + 1);
    const auto path = std::filesystem::temp_directory_path() / "LUMBRAST_LOUDNESS.STY";
    auto map = Loader().LoadChordMap(LUMBRAST_MEDIA_DIR "/DORIANW.CDM");
    // A piece that grows louder, and one that grows quieter, each as a whole at its target.
    for (auto [target, shape] : {std::pair{-23.0, Shape::Rising}, {-30.0, Shape::Falling}}) {
        std::ofstream(path) << text.substr(0, at) << "\nloudness = " << target
                            << text.substr(after);
        StylePtr style = Loader().LoadStyle(path.string());
        SegmentPtr seg = Composer(3).ComposeSegmentFromShape(style, 32, static_cast<int>(shape), 1,
                                                             false, false, map);
        const Loudness l =
            MeasureRender(seg, style->GetBand(style->GetBandName(0))->CreateSegment(), {});
        EXPECT_NEAR(l.lufs, target, 1.0);
        EXPECT_LE(l.truePeakDb, -1.0);
    }
    std::filesystem::remove(path);
}
