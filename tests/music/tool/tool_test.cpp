// lumbrast-music as an author meets it: help, info, render and errors.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::string media = LUMBRAST_MEDIA_DIR "/";

// Exit status and stdout with stderr.
std::pair<int, std::string> run(const std::string &args) {
    std::string out, cmd = std::string(LUMBRAST_MUSIC_TOOL) + " " + args + " 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return {-1, out};
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    int st = pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

bool has(const std::string &out, const std::string &what) {
    return out.find(what) != std::string::npos;
}

} // namespace

TEST(MusicTool, HelpAndUsageErrors) {
    auto [status, help] = run("--help");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(has(help, "render STYLE CHORDMAP --shape NAME --measures N"));
    for (const auto &[args, exit] : {std::pair("render --help", 0), {"", 2}, {"frobnicate", 2}})
        EXPECT_EQ(run(args).first, exit) << args;
    auto bad = run("render " + media + "NEWAVTCH.STY " + media +
                   "EVENMAJ.CDM --shape WOBBLY --measures 4 --output x.wav");
    EXPECT_EQ(bad.first, 2);
    EXPECT_TRUE(has(bad.second, "--shape"));
}

TEST(MusicTool, InfoDescribesStylesAndChordMaps) {
    auto [status, style] = run("info " + media + "HARBRLGT.STY");
    ASSERT_EQ(status, 0) << style;
    for (const char *line : {"Tempo:      104 bpm", "3/4", "Bands (2)", "Fiddle Turn",
                             "Dance on the Pier: groove 64-100, normal"})
        EXPECT_TRUE(has(style, line)) << line << "\n" << style;
    auto map = run("info " + media + "NIGHTMIN.CDM");
    ASSERT_EQ(map.first, 0) << map.second;
    for (const char *line : {"Key:        A minor", "V = E 7", "cadence iv V i"})
        EXPECT_TRUE(has(map.second, line)) << line << "\n" << map.second;
}

TEST(MusicTool, FileErrorsInCompilerFormAndNonZeroExit) {
    auto path = std::filesystem::temp_directory_path() / "LUMBRAST_TOOL_BAD.STY";
    std::ofstream(path) << "[style]\nname = \"Bad\"\ntempo = 90\ntime_signature = [4, 4]\n"
                           "[[pattern]]\nname = \"p\"\ngroove = [1, 100]\n[[pattern.part]]\n"
                           "channel = 10\nnotes = [\"1.1 kick 1 90\", \"1.5 kick 1 90\"]\n";
    auto info = run("info " + path.string());
    EXPECT_EQ(info.first, 1);
    EXPECT_EQ(info.second.rfind(path.string() + ":10:28: beat 5 lies outside the measure", 0), 0u)
        << info.second;
    std::ofstream(path) << "[style]\nname = \"Bad\"\ntempo = 90\nloudness = -3\n"
                           "time_signature = [4, 4]\n";
    auto loud = run("info " + path.string());
    EXPECT_EQ(loud.first, 1);
    EXPECT_EQ(loud.second.rfind(path.string() + ":4:12: 'loudness' is -3, must be -40 to -6", 0),
              0u)
        << loud.second;
    auto missing = run("info /nonexistent/NOPE.STY");
    EXPECT_EQ(missing.first, 1);
    EXPECT_TRUE(has(missing.second, "/nonexistent/NOPE.STY: cannot open the file"))
        << missing.second;
    EXPECT_EQ(run("render " + path.string() + " " + media +
                  "EVENMAJ.CDM --shape LEVEL --measures 2 --output /tmp/x.wav")
                  .first,
              1);
    std::filesystem::remove(path);
}

TEST(MusicTool, RenderWritesAWavFileOfTheComposition) {
    auto wav = std::filesystem::temp_directory_path() / "lumbrast_tool_render.wav";
    auto [status, out] = run("render " + media + "TINROBOT.STY " + media +
                             "SUNDAYMX.CDM --shape song --measures 4 --activity 0"
                             " --intro --end --seed 9 --plan --output " +
                             wav.string());
    ASSERT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "   1  groove") && has(out, "4 measures") && !has(out, "limited")) << out;
    // 4 measures at 116 bpm plus 2 s of tail, 16-bit stereo at 44.1 kHz.
    EXPECT_NEAR(static_cast<double>(std::filesystem::file_size(wav)),
                44 + (16 * 60.0 / 116 + 2) * 44100 * 4, 4096 * 4);
    std::filesystem::remove(wav);
}

// Refused before anything is rendered or written: an unknown format, and
// music longer than the format can count (32767 measures at 1 bpm).
TEST(MusicTool, RenderRefusesWhatTheFormatCannotHold) {
    const auto dir = std::filesystem::temp_directory_path();
    std::ifstream in(media + "TINROBOT.STY");
    std::string style((std::istreambuf_iterator<char>(in)), {});
    ASSERT_NE(style.find("tempo = 116"), std::string::npos);
    style.replace(style.find("tempo = 116"), 11, "tempo = 1");
    std::ofstream(dir / "LUMBRAST_SLOW.STY") << style;
    const std::string args = "render " + (dir / "LUMBRAST_SLOW.STY").string() + " " + media +
                             "SUNDAYMX.CDM --shape level --measures 32767 --output ";
    auto [status, out] = run(args + (dir / "lumbrast_long.flac").string());
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(has(out, "too long for a FLAC file")) << out;
    EXPECT_FALSE(std::filesystem::exists(dir / "lumbrast_long.flac"));
    auto mp3 = run(args + (dir / "lumbrast_long.mp3").string());
    EXPECT_EQ(mp3.first, 1);
    EXPECT_TRUE(has(mp3.second, ".wav, .flac or .ogg")) << mp3.second;
    std::filesystem::remove(dir / "LUMBRAST_SLOW.STY");
}
