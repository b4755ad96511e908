// lumbrast-music as an author meets it: help, info, render and errors.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

TEST(MusicTool, HelpInfoAndUsageErrors) {
    auto [status, help] = run("--help");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(has(help, "render STYLE CHORDMAP --shape NAME --measures N"));
    for (const auto &[args, exit] : {std::pair("render --help", 0), {"", 2}, {"frobnicate", 2}})
        EXPECT_EQ(run(args).first, exit) << args;
    auto bad = run("render " + media + "NEWAVTCH.STY " + media +
                   "EVENMAJ.CDM --shape WOBBLY --measures 4 --output x.wav");
    EXPECT_TRUE(bad.first == 2 && has(bad.second, "--shape")) << bad.second;
    for (const auto &[file, line] :
         {std::pair("HARBRLGT.STY", "Dance on the Pier: groove 64-100, normal"),
          {"HARBRLGT.STY", "Tempo:      104 bpm"},
          {"NIGHTMIN.CDM", "Key:        A minor"},
          {"NIGHTMIN.CDM", "cadence iv V i"}}) {
        auto info = run(std::string("info ") + media + file);
        EXPECT_TRUE(info.first == 0 && has(info.second, line)) << line << "\n" << info.second;
    }
}

TEST(MusicTool, FileErrorsInCompilerFormAndNonZeroExit) {
    auto path = std::filesystem::temp_directory_path() / "LUMBRAST_TOOL_BAD.STY";
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
