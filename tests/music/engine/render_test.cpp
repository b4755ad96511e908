// Offline rendering: real music, not silent, not clipping, repeatable.
#include "testdata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace lumbrast::music;

TEST(Render, ShippedStyleRendersAudibleUnclippedAndSampleExact) {
    Loader loader;
    SegmentPtr seg = Composer(5).ComposeSegmentFromShape(
        loader.LoadStyle(LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY"), 8, 3, 1, true, true,
        loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM"));
    std::string wav[2];
    RenderResult r[2];
    for (int i : {0, 1}) {
        auto path = std::filesystem::temp_directory_path() /
                    ("lumbrast_render_" + std::to_string(i) + ".wav");
        r[i] = RenderSegmentToWav(seg, path.string(), {}, 1.0);
        std::ostringstream bytes;
        bytes << std::ifstream(path, std::ios::binary).rdbuf();
        wav[i] = bytes.str();
        std::filesystem::remove(path);
    }
    // 8 measures of 4/4 at 76 bpm plus one second of tail.
    EXPECT_NEAR(static_cast<double>(r[0].frames), (8 * 4 * 60 * 44100 + 75) / 76 + 44100, 4096.0);
    EXPECT_GT(r[0].rms, 0.01);   // about -40 dBFS: clearly music
    EXPECT_LT(r[0].peak, 0.98f); // headroom, no clipping
    ASSERT_EQ(wav[0].size(), 44u + static_cast<std::size_t>(r[0].frames) * 4);
    EXPECT_EQ(wav[0].substr(0, 4), "RIFF");
    EXPECT_EQ(wav[0].substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(wav[0], wav[1]); // sample-exact: the same segment renders the same bytes
    EXPECT_THROW(RenderSegmentToWav(seg, "/nonexistent/dir/out.wav", {}, 0.0), MusicError);
}
