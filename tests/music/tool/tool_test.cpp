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

// Each answer with its exit status: 2 for a wrong command line, 1 for a file that
// cannot be read or written, named in compiler form where a line is at fault.
TEST(MusicTool, HelpInfoAndAMessageForEveryMistake) {
    const auto path = std::filesystem::temp_directory_path() / "LUMBRAST_TOOL_BAD.STY";
    std::ofstream(path) << "[style]\nname = \"Bad\"\ntempo = 90\nloudness = -3\n"
                           "time_signature = [4, 4]\n";
    const std::string bad = path.string(), style = media + "NEWAVTCH.STY " + media + "EVENMAJ.CDM";
    const struct {
        std::string args;
        int exit;
        std::string says;
    } cases[] = {
        {"--help", 0, "render STYLE CHORDMAP --shape NAME --measures N"},
        {"frobnicate", 2, ""},
        {"render " + style + " --shape WOBBLY --measures 4 --output x.wav", 2, "--shape"},
        {"info " + media + "HARBRLGT.STY", 0, "Dance on the Pier: groove 64-100, normal"},
        {"info " + media + "NIGHTMIN.CDM", 0, "Key:        A minor"},
        {"info " + bad, 1, bad + ":4:12: 'loudness' is -3, must be -40 to -6"},
        {"info /nonexistent/NOPE.STY", 1, "/nonexistent/NOPE.STY: cannot open the file"},
        {"render " + bad + " " + media + "EVENMAJ.CDM --shape LEVEL --measures 2 --output x.wav", 1,
         bad},
        {"render " + style + " --shape LEVEL --measures 2 --output /nonexistent/x.mid", 1,
         "cannot write the MIDI file"},
    };
    for (const auto &c : cases) {
        const auto [status, out] = run(c.args);
        EXPECT_TRUE(status == c.exit && has(out, c.says)) << c.args << "\n" << out;
    }
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
