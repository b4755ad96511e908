// Offline rendering: real music, not silent, not clipping, repeatable, in
// each container, and refused before anything is written when it cannot fit.
#include "testdata.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using namespace lumbrast::music;

namespace {

struct Decoded {
    int format = 0;
    std::vector<float> samples; // interleaved stereo
};

Decoded decode(const std::filesystem::path &path) {
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    Decoded d;
    if (!f)
        return d;
    d.format = info.format & SF_FORMAT_TYPEMASK;
    d.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    d.samples.resize(static_cast<std::size_t>(sf_readf_float(f, d.samples.data(), info.frames)) *
                     static_cast<std::size_t>(info.channels));
    sf_close(f);
    return d;
}

} // namespace

TEST(Render, ShippedStyleRendersAudibleUnclippedAndSampleExactInEachFormat) {
    Loader loader;
    const StylePtr style = loader.LoadStyle(LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY");
    SegmentPtr seg = Composer(5).ComposeSegmentFromShape(
        style, 8, 3, 1, true, true, loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/EVENMAJ.CDM"));
    const auto dir =
        std::filesystem::temp_directory_path() / ("lumbrast_render_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<Decoded> out;
    std::vector<RenderResult> r;
    for (const char *name : {"a.wav", "b.WAV", "c.flac", "d.ogg", "band.wav"}) {
        const SegmentPtr band = std::string(name) == "band.wav"
                                    ? style->GetBand(style->GetBandName(0))->CreateSegment()
                                    : nullptr;
        r.push_back(RenderSegmentToWav(seg, (dir / name).string(), {}, 1.0, band));
        out.push_back(decode(dir / name));
        std::filesystem::remove(dir / name);
        SCOPED_TRACE(name);
        EXPECT_EQ(r.back().frames, r[0].frames);
    }
    // 8 measures of 4/4 at 76 bpm plus one second of tail.
    EXPECT_NEAR(static_cast<double>(r[0].frames), 8 * 4 * 60 * 44100 / 76.0 + 44100, 4096.0);
    EXPECT_GT(r[0].rms, 0.01);               // about -40 dBFS: clearly music
    EXPECT_LT(r[0].peak, 0.98f);             // headroom, no clipping
    EXPECT_EQ(out[0].format, SF_FORMAT_WAV); // a small WAV stays a plain one
    EXPECT_EQ(out[0].samples.size(), static_cast<std::size_t>(r[0].frames) * 2);
    double squares = 0; // every sample written where it belongs: the file's level is the render's
    for (const float v : out[0].samples)
        squares += static_cast<double>(v) * v;
    EXPECT_NEAR(std::sqrt(squares / static_cast<double>(out[0].samples.size())), r[0].rms,
                r[0].rms / 100);
    EXPECT_EQ(out[0].samples, out[1].samples); // the same segment renders the same sound
    EXPECT_EQ(out[2].format, SF_FORMAT_FLAC);
    EXPECT_EQ(out[2].samples, out[0].samples); // lossless
    EXPECT_EQ(out[3].format, SF_FORMAT_OGG);
    EXPECT_EQ(out[3].samples.size(), out[0].samples.size());
    // Composed music has no instruments of its own: the band sets them.
    EXPECT_NE(out[4].samples, out[0].samples);
    std::filesystem::remove_all(dir);
}

TEST(Render, WhatCannotBeWrittenIsRefusedAndLosesNothing) {
    SegmentPtr seg =
        Composer(1).ComposeSegmentFromShape(test::waltz(), 2, 1, 1, false, false, test::majorMap());
    const auto flac = std::filesystem::temp_directory_path() / "lumbrast_render_keep.flac";
    std::ofstream(flac) << "keep";
    // A pass is 6 beats at 120 bpm, 132300 frames; a FLAC stream counts at
    // most 2^36 - 1 samples, which 519421 passes fit and 519422 do not.
    seg->SetRepeats(519421);
    MusicError e = test::errorOf([&] { RenderSegmentToWav(seg, flac.string(), {}, 0.0); });
    EXPECT_EQ(e.code(), ErrorCode::WavWrite);
    EXPECT_NE(e.description().find("too long for a FLAC file"), std::string::npos) << e.what();
    EXPECT_EQ(std::filesystem::file_size(flac), 4u);
    seg->SetRepeats(519420); // fits: the refusal comes from the missing folder
    e = test::errorOf([&] { RenderSegmentToWav(seg, "/nonexistent/dir/out.flac", {}, 0.0); });
    EXPECT_NE(e.description().find("cannot write the file"), std::string::npos) << e.what();
    std::filesystem::remove(flac);
    seg->SetRepeats(0);
    for (const char *bad :
         {"/tmp/lumbrast_render.mp3", "/tmp/lumbrast.d/render", "/nonexistent/dir/out.wav"})
        EXPECT_EQ(test::errorOf([&] { RenderSegmentToWav(seg, bad, {}, 0.0); }).code(),
                  ErrorCode::WavWrite)
            << bad;
}

// A band's instruments reach the synthesiser: the same motif after another
// band sounds different, and a band at volume 0 silences its channel.
TEST(Render, TheBandChoosesTheInstruments) {
    StylePtr muted = Loader::ParseStyle(
        test::replaced(test::kWaltz, "program = 25", "program = 25, volume = 0"), "MUTED.STY");
    auto left = [](const StylePtr &style, const char *band) {
        Performance perf;
        AudioParams p;
        p.output = AudioOutput::Offline;
        perf.InitAudio(p);
        perf.PlaySegmentEx(style->GetBand(band)->CreateSegment(), 0x80);
        perf.PlaySegmentEx(style->GetMotif("Bell"), 0x80);
        std::vector<float> l(8192), r(8192);
        perf.RenderOffline(l.data(), r.data(), 8192);
        return std::pair(l, *std::max_element(l.begin(), l.end()));
    };
    const auto one = left(test::waltz(), "One"), two = left(test::waltz(), "Two");
    EXPECT_TRUE(one.second > 0.01f && two.second > 0.01f);
    EXPECT_NE(one.first, two.first);
    EXPECT_LT(left(muted, "Two").second, 0.001f);
}
