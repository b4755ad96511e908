// lumbrast-music as an author meets it: help, info, render and errors.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Result {
  int status;
  std::string out;  // stdout and stderr together
};

Result run(const std::string& args) {
  std::string cmd = std::string(LUMBRAST_MUSIC_TOOL) + " " + args + " 2>&1";
  Result r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

const std::string media = LUMBRAST_MEDIA_DIR;

}  // namespace

TEST(MusicTool, HelpAndUsageErrors) {
  Result help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("render STYLE CHORDMAP --shape NAME --measures N"), std::string::npos);
  EXPECT_EQ(run("render --help").status, 0);
  Result none = run("");
  EXPECT_EQ(none.status, 2);
  Result bad = run("render " + media + "/NEWAVTCH.STY " + media + "/EVENMAJ.CDM --shape WOBBLY --measures 4 --output x.wav");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.out.find("--shape"), std::string::npos);
  EXPECT_EQ(run("frobnicate").status, 2);
}

TEST(MusicTool, InfoDescribesStylesAndChordMaps) {
  Result style = run("info " + media + "/HARBRLGT.STY");
  ASSERT_EQ(style.status, 0) << style.out;
  EXPECT_NE(style.out.find("Tempo:      104 bpm"), std::string::npos) << style.out;
  EXPECT_NE(style.out.find("3/4"), std::string::npos);
  EXPECT_NE(style.out.find("Bands (2)"), std::string::npos);
  EXPECT_NE(style.out.find("Fiddle Turn"), std::string::npos);
  EXPECT_NE(style.out.find("Dance on the Pier: groove 64-100, normal"), std::string::npos);
  Result map = run("info " + media + "/NIGHTMIN.CDM");
  ASSERT_EQ(map.status, 0) << map.out;
  EXPECT_NE(map.out.find("Key:        A minor"), std::string::npos) << map.out;
  EXPECT_NE(map.out.find("V = E 7"), std::string::npos) << map.out;
  EXPECT_NE(map.out.find("cadence iv V i"), std::string::npos) << map.out;
}

TEST(MusicTool, FileErrorsInCompilerFormAndNonZeroExit) {
  auto path = std::filesystem::temp_directory_path() / "LUMBRAST_TOOL_BAD.STY";
  {
    std::ofstream out(path);
    out << "[style]\nname = \"Bad\"\ntempo = 90\ntime_signature = [4, 4]\n\n[[pattern]]\nname = \"p\"\n"
           "groove = [1, 100]\n  [[pattern.part]]\n  channel = 10\n  notes = [\"1.1 kick 1 90\", \"1.5 kick 1 90\"]\n";
  }
  Result r = run("info " + path.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind(path.string() + ":11:30: beat 5 lies outside the measure of 4 beats", 0), 0u) << r.out;
  Result missing = run("info /nonexistent/NOPE.STY");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("/nonexistent/NOPE.STY: cannot open the file"), std::string::npos) << missing.out;
  Result render = run("render " + path.string() + " " + media + "/EVENMAJ.CDM --shape LEVEL --measures 2 --output /tmp/x.wav");
  EXPECT_EQ(render.status, 1);
  std::filesystem::remove(path);
}

TEST(MusicTool, RenderWritesAWavFileOfTheComposition) {
  auto wav = std::filesystem::temp_directory_path() / "lumbrast_tool_render.wav";
  Result r = run("render " + media + "/TINROBOT.STY " + media + "/SUNDAYMX.CDM --shape song --measures 4 --activity 0"
              " --intro --end --seed 9 --plan --output " + wav.string());
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("   1  groove"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("4 measures"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("clipped"), std::string::npos) << r.out;
  // 4 measures at 116 bpm plus 2 s of tail, 16-bit stereo at 44.1 kHz.
  const double seconds = 16 * 60.0 / 116 + 2;
  EXPECT_NEAR(static_cast<double>(std::filesystem::file_size(wav)), 44 + seconds * 44100 * 4, 4096 * 4);
  std::filesystem::remove(wav);
}
