// Offline rendering: real music, not silent, not clipping, repeatable, in
// each container, and refused before anything is written when it cannot fit.
#include "testdata.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>

#include <unistd.h>

using namespace lumbrast::music;
using namespace lumbrast::music::test;

TEST(Render, ShippedStyleRendersAudibleUnclippedAndSampleExactInEachFormat) {
    Loader loader;
    const StylePtr style = loader.LoadStyle(LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY");
    const SegmentPtr seg = Composer(5).ComposeSegmentFromShape(
        style, 8, 3, 1, true, true, loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM"));
    const SegmentPtr band = style->GetBand(style->GetBandName(0))->CreateSegment();
    const auto dir =
        std::filesystem::temp_directory_path() / ("lumbrast_render_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<RenderResult> r;
    std::vector<int> formats;
    std::vector<std::vector<float>> out; // each file's samples, interleaved
    for (const std::string name : {"a.wav", "b.WAV", "c.flac", "d.ogg", "band.wav"}) {
        r.push_back(RenderSegmentToWav(seg, (dir / name).string(), {}, 1.0,
                                       name == "band.wav" ? band : nullptr));
        SF_INFO info{};
        SNDFILE *f = sf_open((dir / name).c_str(), SFM_READ, &info);
        ASSERT_TRUE(f) << name;
        out.emplace_back(static_cast<std::size_t>(info.frames * info.channels));
        out.back().resize(static_cast<std::size_t>(
            sf_readf_float(f, out.back().data(), info.frames) * info.channels));
        sf_close(f);
        formats.push_back(info.format & SF_FORMAT_TYPEMASK);
        EXPECT_EQ(r.back().frames, r[0].frames) << name;
    }
    std::filesystem::remove_all(dir);
    // 8 measures of 4/4 at 76 bpm plus one second of tail.
    EXPECT_NEAR(static_cast<double>(r[0].frames), 8 * 4 * 60 * 44100 / 76.0 + 44100, 4096.0);
    // The master bus brings it to the style's -23 LUFS, about -26 dBFS here;
    // the instruments alone give -32.
    EXPECT_NEAR(20 * std::log10(r[0].rms), -26.0, 2.0);
    EXPECT_LT(r[0].peak, 0.98f); // headroom, no clipping
    const std::vector<float> &wav = out[0];
    ASSERT_EQ(wav.size(), static_cast<std::size_t>(r[0].frames) * 2);
    // Every sample written where it belongs: the file's level is the render's.
    const double squares = std::inner_product(wav.begin(), wav.end(), wav.begin(), 0.0);
    EXPECT_NEAR(std::sqrt(squares / static_cast<double>(wav.size())), r[0].rms, r[0].rms / 100);
    // A small WAV stays a plain one, the same segment renders the same sound,
    // FLAC is lossless, and the band sets the instruments composed music lacks.
    EXPECT_EQ(formats, (std::vector<int>{SF_FORMAT_WAV, SF_FORMAT_WAV, SF_FORMAT_FLAC,
                                         SF_FORMAT_OGG, SF_FORMAT_WAV}));
    EXPECT_TRUE(out[1] == wav && out[2] == wav && out[3].size() == wav.size() && out[4] != wav);
}

TEST(Render, WhatCannotBeWrittenIsRefusedAndLosesNothing) {
    SegmentPtr seg =
        Composer(1).ComposeSegmentFromShape(waltz(), 2, 1, 1, false, false, majorMap());
    const auto flac = std::filesystem::temp_directory_path() /
                      ("lumbrast_render_keep_" + std::to_string(::getpid()) + ".flac");
    std::ofstream(flac) << "keep";
    // A pass is 6 beats at 120 bpm, 132300 frames; a FLAC stream counts at
    // most 2^36 - 1 samples, which 519421 passes fit and 519422 do not.
    const std::tuple<std::string, std::uint32_t, const char *> refused[] = {
        {flac.string(), 519421, "too long for a FLAC file"},
        {"/nonexistent/dir/out.wav", 0, "cannot write the file"},
        {"/tmp/lumbrast_render.mp3", 0, ""}};
    for (const auto &[path, repeats, why] : refused) {
        seg->SetRepeats(repeats);
        const std::string &file = path; // clang 14 cannot capture a structured binding
        const MusicError e = errorOf([&] { RenderSegmentToWav(seg, file, {}, 0.0); });
        EXPECT_TRUE(e.code() == ErrorCode::WavWrite &&
                    e.description().find(why) != std::string::npos)
            << e.what();
    }
    EXPECT_EQ(std::filesystem::file_size(flac), 4u);
    std::filesystem::remove(flac);
}

// A band's programs and volume reach the synthesiser; a render writes all
// its frames and nothing around them.
TEST(Render, TheBandChoosesTheInstruments) {
    auto render = [](const StylePtr &style, const char *band) {
        Performance perf;
        AudioParams p;
        p.output = AudioOutput::Offline;
        perf.InitAudio(p);
        perf.PlaySegmentEx(style->GetBand(band)->CreateSegment(), 0x80);
        perf.PlaySegmentEx(style->GetMotif("Bell"), 0x80);
        const std::int64_t n = 10000; // more than two blocks, between guards
        std::vector<float> left(3 * n, 1.0f), right(3 * n, 1.0f);
        perf.RenderOffline(left.data() + n, right.data() + n, n);
        EXPECT_EQ(std::count(left.begin(), left.end(), 1.0f), 2 * n);
        EXPECT_EQ(std::count(right.begin(), right.end(), 1.0f), 2 * n);
        left.insert(left.end() - n, right.begin() + n, right.end() - n);
        const auto [lo, hi] = std::minmax_element(left.begin() + n, left.end() - n);
        return std::pair(std::vector<float>(left.begin() + n, left.end() - n), std::max(-*lo, *hi));
    };
    const auto one = render(waltz(), "One"), two = render(waltz(), "Two");
    EXPECT_TRUE(one.second > 0.01f && two.second > 0.01f);
    EXPECT_NE(one.first, two.first);
    const auto muted = replaced(kWaltz, "program = 25", "program = 25, volume = 0");
    EXPECT_LT(render(Loader::ParseStyle(muted, "MUTED.STY"), "Two").second, 0.001f);
}
