// Offline rendering: real music, not silent, not clipping, repeatable.
#include "testdata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace lumbrast::music;

namespace {
std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(Render, ShippedStyleRendersAudibleUnclippedAndSampleExact) {
  Loader loader;
  StylePtr style = loader.LoadStyle(LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY");
  ChordMapPtr map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM");
  auto dir = std::filesystem::temp_directory_path();
  auto a = dir / "lumbrast_render_a.wav";
  auto b = dir / "lumbrast_render_b.wav";
  SegmentPtr seg = Composer(5).ComposeSegmentFromShape(style, 8, 3, 1, true, true, map);
  RenderResult ra = RenderSegmentToWav(seg, a.string(), {}, 1.0);
  RenderResult rb = RenderSegmentToWav(seg, b.string(), {}, 1.0);

  // 8 measures of 4/4 at 76 bpm plus one second of tail, to the sample.
  const std::int64_t beats = 8 * 4;
  const std::int64_t expected = (beats * 60 * 44100 + 75) / 76 + 44100;
  EXPECT_NEAR(static_cast<double>(ra.frames), static_cast<double>(expected), 4096.0);
  EXPECT_GT(ra.rms, 0.01);    // about -40 dBFS: clearly music
  EXPECT_LT(ra.peak, 0.98f);  // headroom, no clipping
  std::string wa = slurp(a), wb = slurp(b);
  ASSERT_EQ(wa.size(), 44u + static_cast<std::size_t>(ra.frames) * 4);
  EXPECT_EQ(wa.substr(0, 4), "RIFF");
  EXPECT_EQ(wa.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(wa, wb);
  EXPECT_EQ(ra.frames, rb.frames);
  std::filesystem::remove(a);
  std::filesystem::remove(b);

  EXPECT_THROW(RenderSegmentToWav(seg, "/nonexistent/dir/out.wav", {}, 0.0), MusicError);
}
