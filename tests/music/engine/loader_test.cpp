// Style and chord-map files: what loads, and where errors point.
#include "model.h"
#include "testdata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace lumbrast::music;
using namespace lumbrast::music::test;

namespace {

// The text of `source` from the error's line and column on.
std::string at(const std::string& source, const MusicError& e) {
  std::istringstream in(source);
  std::string line;
  for (int i = 0; i < e.line() && std::getline(in, line);) ++i;
  return e.column() >= 1 && static_cast<std::size_t>(e.column()) <= line.size() + 1 ? line.substr(e.column() - 1) : "";
}

MusicError styleError(const std::string& text) {
  try {
    Loader::ParseStyle(text, "BAD.STY");
  } catch (const MusicError& e) {
    return e;
  }
  ADD_FAILURE() << "no error for:\n" << text;
  return MusicError(ErrorCode::BadContent, "none");
}

MusicError mapError(const std::string& text) {
  try {
    Loader::ParseChordMap(text, "BAD.CDM");
  } catch (const MusicError& e) {
    return e;
  }
  ADD_FAILURE() << "no error for:\n" << text;
  return MusicError(ErrorCode::BadContent, "none");
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  auto p = s.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  return s.replace(p, from.size(), to);
}

}  // namespace

TEST(Loader, StyleOffersTempoSignatureBandsAndMotifs) {
  StylePtr s = waltz();
  EXPECT_EQ(s->GetTempo(), 120.0);
  EXPECT_EQ(s->GetTimeSignature().beatsPerMeasure, 3);
  EXPECT_EQ(s->GetTimeSignature().beat, 4);
  EXPECT_EQ(s->GetTimeSignature().gridsPerBeat, 2);
  ASSERT_EQ(s->GetBandCount(), 2);
  EXPECT_EQ(s->GetBandName(0), "One");
  EXPECT_EQ(s->GetBandName(1), "Two");
  EXPECT_EQ(s->GetBand("Two")->name(), "Two");
  ASSERT_EQ(s->GetMotifCount(), 2);
  EXPECT_EQ(s->GetMotifName(1), "Drum");
  // The same motif object every time: the window compares them by identity.
  EXPECT_EQ(s->GetMotif("Bell"), s->GetMotif("Bell"));
  EXPECT_EQ(s->GetMotif("Bell")->GetDefaultResolution(), kPlayBeat);
  EXPECT_EQ(s->GetMotif("Drum")->GetLength(), 3 * kTicksPerBeat);

  EXPECT_THROW(s->GetBandName(2), MusicError);
  EXPECT_THROW(s->GetBand("Three"), MusicError);
  EXPECT_THROW(s->GetMotifName(-1), MusicError);
  try {
    s->GetMotif("Nope");
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::NotFound);
    EXPECT_NE(std::string(e.what()).find("Nope"), std::string::npos);
  }
}

TEST(Loader, NotesAreReadAsWritten) {
  StylePtr style = waltz();
  const auto& d = *style->data();
  const auto& high = d.patterns[2];
  ASSERT_EQ(high.parts[0].notes.size(), 4u);
  const auto& n = high.parts[0].notes[1];  // "1.1.2 c2 1/2 90" with 2 grid points a beat
  EXPECT_EQ(n.start, kTicksPerBeat / 2);
  EXPECT_EQ(n.length, kTicksPerBeat / 2);
  EXPECT_EQ(n.kind, detail::PatternNote::Kind::ChordTone);
  EXPECT_EQ(n.index, 1);
  EXPECT_EQ(high.parts[0].notes[3].kind, detail::PatternNote::Kind::ScaleStep);
  EXPECT_EQ(d.patterns[0].parts[1].notes[0].index, 36);  // kick
  EXPECT_EQ(d.patterns[0].parts[1].channel, 9);
}

TEST(Loader, ChordMapDefinesKeyChordsGraphAndSignposts) {
  ChordMapPtr map = majorMap();
  const auto& d = *map->data();
  EXPECT_EQ(d.key, 0);
  ASSERT_EQ(d.chords.size(), 5u);
  EXPECT_EQ(d.chords[d.find("V")].root, 7);
  EXPECT_EQ(d.chords[d.find("V")].intervals, (std::vector<int>{0, 4, 7, 10}));
  EXPECT_EQ(d.chords[d.find("vi")].root, 9);
  EXPECT_TRUE(d.connected(d.find("ii"), d.find("V")));
  EXPECT_FALSE(d.connected(d.find("V"), d.find("ii")));
  EXPECT_EQ(d.cadence.size(), 3u);
  EXPECT_EQ(d.distanceToEnd[d.find("ii")], 1);
}

TEST(Loader, ChordTonesFollowVoiceMode) {
  detail::ChordDef g7{"V", 7, {0, 4, 7, 10}, "7"};
  std::vector<int> major = detail::ScaleSteps("major");
  detail::ChordContext c{g7.root, &g7.intervals, 0, &major};
  detail::Part root;
  root.voice = detail::Voice::Root;
  root.low = 36;
  detail::PatternNote n;
  n.kind = detail::PatternNote::Kind::ChordTone;
  n.index = 0;
  EXPECT_EQ(detail::ResolveKey(n, root, c), 43);  // G2: first G at or above C2
  n.index = 3;
  EXPECT_EQ(detail::ResolveKey(n, root, c), 53);  // F3, the seventh
  n.index = 4;
  EXPECT_EQ(detail::ResolveKey(n, root, c), 55);  // G3: past the last tone, an octave up
  detail::Part voicing;
  voicing.voice = detail::Voice::Voicing;
  voicing.low = 60;
  n.index = 0;
  EXPECT_EQ(detail::ResolveKey(n, voicing, c), 62);  // D4 is the lowest G7 tone from C4
  n.kind = detail::PatternNote::Kind::ScaleStep;
  n.index = 1;  // s2 over G in C major: A
  EXPECT_EQ(detail::ResolveKey(n, root, c), 45);
  n.octave = -1;
  EXPECT_EQ(detail::ResolveKey(n, root, c), 33);
}

TEST(Loader, SyntaxErrorsCarryLineAndColumn) {
  std::string text = std::string(kWaltz) + "\n[[pattern]\nname = 1\n";
  MusicError e = styleError(text);
  EXPECT_EQ(e.code(), ErrorCode::Syntax);
  EXPECT_EQ(e.file(), "BAD.STY");
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ(e.line(), lines - 1);  // the line of "[[pattern]"
  EXPECT_GT(e.column(), 0);
  std::string what = e.what();
  EXPECT_EQ(what.rfind("BAD.STY:" + std::to_string(e.line()) + ":" + std::to_string(e.column()) + ": ", 0), 0u)
      << what;
}

TEST(Loader, ContentErrorsPointAtTheFault) {
  struct Case {
    std::string from, to, points, says;
  };
  const Case cases[] = {
      {"tempo = 120", "tempo = 0", "0", "tempo"},
      {"tempo = 120", "tempo = \"fast\"", "\"fast\"", "must be a number"},
      {"grid = 2", "grid = 7", "7", "divide"},
      {"time_signature = [3, 4]", "time_signature = [3, 5]", "5", "beat"},
      {"{ channel = 2, program = 33 }", "{ channel = 2, program = 300 }", "300", "program"},
      {"{ channel = 2, program = 33 }", "{ channel = 2, program = 33, loud = 1 }", "1 }", "unknown key 'loud'"},
      {"groove = [1, 40]", "groove = [40, 1]", "[40, 1]", "backwards"},
      {"embellishment = \"fill\"", "embellishment = \"flourish\"", "\"flourish\"", "embellishment"},
      {"\"1.2 c2 1 80\"", "\"1.4 c2 1 80\"", "1.4", "beat 4"},
      {"\"1.2 c2 1 80\"", "\"1.2 x2 1 80\"", "x2", "pitch"},
      {"\"1.2 c2 1 80\"", "\"1.2 c2 0 80\"", "0 80", "length"},
      {"\"1.2 c2 1 80\"", "\"1.2 c2 1 300\"", "300", "velocity"},
      {"\"1.2 c2 1 80\"", "\"1.2 c2\"", "\"1.2 c2\"", "a note reads"},
      {"\"1.1 kick 1 90\"", "\"1.1 boing 1 90\"", "boing", "drum name"},
      {"\"1.1 kick 1 90\"", "\"3.1 kick 1 90\"", "3.1", "bar 3"},
      {"voice = \"root\"", "voice = \"bass\"", "\"bass\"", "voice"},
  };
  for (const Case& c : cases) {
    std::string text = replaced(kWaltz, c.from, c.to);
    MusicError e = styleError(text);
    EXPECT_EQ(e.code(), ErrorCode::BadContent) << c.to;
    EXPECT_EQ(at(text, e).rfind(c.points, 0), 0u) << c.to << " -> " << e.what() << " at [" << at(text, e) << "]";
    EXPECT_NE(e.description().find(c.says), std::string::npos) << c.to << " -> " << e.what();
  }
}

TEST(Loader, ChordMapErrorsPointAtTheFault) {
  struct Case {
    std::string from, to, points, says;
  };
  const Case cases[] = {
      {"key = \"C\"", "key = \"H\"", "\"H\"", "key"},
      {"scale = \"major\"", "scale = \"bluesy\"", "\"bluesy\"", "unknown scale"},
      {"type = \"min7\"", "type = \"min13\"", "\"min13\"", "unknown chord type"},
      {"to = \"V\"", "to = \"VII\"", "\"VII\"", "no chord with id 'VII'"},
      {"beats = [3, 3]", "beats = [3, 2]", "[3, 2]", "backwards"},
      {"end = [\"V\", \"I\"]", "end = [\"V\", \"vii\"]", "\"vii\"", "no chord"},
      // ii can no longer reach an end signpost.
      {"from = \"ii\"\nto = \"V\"", "from = \"ii\"\nto = \"ii\"", "[[chord]]\nid = \"ii\"", "no path"},
  };
  for (const Case& c : cases) {
    std::string text = replaced(kMajorMap, c.from, c.to);
    MusicError e = mapError(text);
    EXPECT_EQ(e.code(), ErrorCode::BadContent) << c.to;
    std::string first = c.points.substr(0, c.points.find('\n'));
    EXPECT_EQ(at(text, e).rfind(first, 0), 0u) << c.to << " -> " << e.what() << " at [" << at(text, e) << "]";
    EXPECT_NE(e.description().find(c.says), std::string::npos) << c.to << " -> " << e.what();
  }
}

TEST(Loader, RefusesWrongKindMissingAndHugeFiles) {
  EXPECT_EQ(styleError(kMajorMap).code(), ErrorCode::WrongKind);
  EXPECT_EQ(mapError(kWaltz).code(), ErrorCode::WrongKind);
  EXPECT_EQ(styleError("").code(), ErrorCode::BadContent);
  EXPECT_EQ(styleError("\xff\xfe[style]").code(), ErrorCode::Syntax);
  // Accented letters are fine in quoted text and comments, nowhere else.
  std::string accented = replaced(kWaltz, "name = \"Test Waltz\"", "name = \"Caf\xc3\xa9 Waltz\" # d\xc3\xa9j\xc3\xa0");
  EXPECT_EQ(Loader::ParseStyle(accented, "OK.STY")->name(), "Caf\xc3\xa9 Waltz");
  MusicError bare = styleError(replaced(kWaltz, "tempo = 120", "tempo = 120\xc3\xa9"));
  EXPECT_EQ(bare.code(), ErrorCode::Syntax);
  EXPECT_EQ(bare.column(), 12);

  Loader loader;
  try {
    loader.LoadStyle("/nonexistent/NOPE.STY");
    FAIL();
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::FileNotFound);
    EXPECT_EQ(e.file(), "/nonexistent/NOPE.STY");
  }

  auto path = std::filesystem::temp_directory_path() / "lumbrast_huge.sty";
  {
    std::ofstream out(path);
    std::string line(1023, '#');
    for (std::size_t i = 0; i <= Loader::kMaxFileBytes / 1024; ++i) out << line << "\n";
  }
  try {
    loader.LoadStyle(path.string());
    FAIL();
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::FileTooLarge);
    EXPECT_NE(e.description().find("at most"), std::string::npos);
  }
  std::filesystem::remove(path);
  EXPECT_EQ(styleError(std::string(Loader::kMaxFileBytes + 1, ' ')).code(), ErrorCode::FileTooLarge);
}

TEST(Loader, ShippedMediaLoadsAndIsComplete) {
  namespace fs = std::filesystem;
  Loader loader;
  int styles = 0, maps = 0;
  bool calm = false;
  for (const auto& entry : fs::directory_iterator(LUMBRAST_MEDIA_DIR)) {
    std::string name = entry.path().filename().string();
    std::string ext = entry.path().extension().string();
    for (char c : name) EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << name;
    if (ext == ".STY") {
      SCOPED_TRACE(name);
      StylePtr s = loader.LoadStyle(entry.path().string());
      ++styles;
      calm |= name == "NEWAVTCH.STY";
      EXPECT_GE(s->GetBandCount(), 2);
      EXPECT_GE(s->GetMotifCount(), 2);
      EXPECT_GE(s->GetTempo(), 1);
      EXPECT_LE(s->GetTempo(), 250);
      std::set<Embellishment> kinds;
      bool low = false, mid = false, high = false;
      for (const auto& p : s->data()->patterns) {
        kinds.insert(p.embellishment);
        if (p.embellishment != Embellishment::Normal) continue;
        low |= p.grooveLow <= 20;
        mid |= p.grooveLow <= 50 && p.grooveHigh >= 50;
        high |= p.grooveHigh >= 90;
      }
      EXPECT_TRUE(low && mid && high);
      EXPECT_EQ(kinds.size(), 5u);
    } else if (ext == ".CDM") {
      loader.LoadChordMap(entry.path().string());
      ++maps;
    }
  }
  EXPECT_GE(styles, 5);
  EXPECT_GE(maps, 3);
  EXPECT_TRUE(calm);
}
