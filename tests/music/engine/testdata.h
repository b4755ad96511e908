// Small styles and chord maps for the music engine tests.
#pragma once

#include "musicservice.h"

#include <gtest/gtest.h>

#include <string>

namespace lumbrast::music::test {

// The error `f` throws; a test failure when it throws none.
template <class F> MusicError errorOf(F f) {
    try {
        f();
    } catch (const MusicError &e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return MusicError(ErrorCode::InvalidArgument, "none");
}

// 3/4, two bands, two motifs, one pattern for each level and embellishment.
inline const char *kWaltz = R"(
band = [ { name = "One", channels = [ { channel = 1, program = 1 }, { channel = 2, program = 33 }, { channel = 10, program = 1 } ] },
         { name = "Two", channels = [ { channel = 1, program = 25 }, { channel = 2, program = 36 } ] } ]
motif = [
  { name = "Bell", boundary = "beat", part = [ { channel = 1, voice = "voicing", low = 72, notes = ["1.1 c1 1 100", "1.2 c2 1 100"] } ] },
  { name = "Drum", boundary = "measure", part = [ { channel = 10, notes = ["1.1 clap 1 100"] } ] } ]
pattern = [
  { name = "low", groove = [1, 40], part = [ { channel = 2, voice = "root", low = 36, notes = ["1.1 c1 1 90", "1.2 c2 1 80", "1.3 c3 1 80"] },
                                             { channel = 10, notes = ["1.1 kick 1 90"] } ] },
  { name = "mid", groove = [35, 70], measures = 2, part = [
    { channel = 1, voice = "voicing", low = 55, notes = ["1.1 c1 3 80", "1.1 c2 3 80", "2.1 c3 3 80"] } ] },
  { name = "high", groove = [65, 100], part = [
    { channel = 1, voice = "voicing", notes = ["1.1 c1 1/2 90", "1.1.2 c2 1/2 90", "1.2 c3 1 90", "1.3 s5 1 90"] },
    { channel = 10, notes = ["1.2.2 hat 1/2 60 ?50"] } ] },
  { name = "in", embellishment = "intro", groove = [1, 100], part = [ { channel = 1, voice = "voicing", notes = ["1.1 c1 3 70"] } ] },
  { name = "fill", embellishment = "fill", groove = [1, 100], part = [
    { channel = 10, notes = ["1.1 snare 1 70", "1.2 snare 1 70", "1.3 snare 1 70"] } ] },
  { name = "brk", embellishment = "break", groove = [1, 100], part = [ { channel = 10, notes = ["1.1 crash 1 70"] } ] },
  { name = "out", embellishment = "end", groove = [1, 100], measures = 2, part = [
    { channel = 1, voice = "voicing", notes = ["1.1 c1 6 70"] } ] } ]
[style]
name = "Test Waltz"
tempo = 120
time_signature = [3, 4]
grid = 2
humanize = { time = 0, velocity = 0 }
)";

inline const char *kMajorMap = R"(
chord = [ { id = "I", degree = 1, type = "maj" }, { id = "ii", degree = 2, type = "min7" },
          { id = "IV", degree = 4, type = "maj" }, { id = "V", degree = 5, type = "7" },
          { id = "vi", degree = 6, type = "min" } ]
connection = [ { from = "I", to = ["IV", "vi"], weight = 2, beats = [3, 6] },
               { from = "vi", to = ["ii", "IV"], weight = 1, beats = [3, 6] },
               { from = "IV", to = ["V", "ii"], weight = 1, beats = [3, 6] },
               { from = "ii", to = "V", weight = 1, beats = [3, 3] },
               { from = "V", to = ["I", "vi"], weight = 1, beats = [3, 6] } ]
[chordmap]
name = "Test Major"
key = "C"
scale = "major"
phrase = 4
[signposts]
start = ["I", "vi"]
end = ["V", "I"]
cadence = ["IV", "V", "I"]
)";

// `s` with its first `from` replaced by `to`; a test failure when there is none.
inline std::string replaced(std::string s, const std::string &from, const std::string &to) {
    auto p = s.find(from);
    EXPECT_NE(p, std::string::npos) << from;
    return p == std::string::npos ? s : s.replace(p, from.size(), to);
}

inline StylePtr waltz() {
    return Loader::ParseStyle(kWaltz, "WALTZ.STY");
}
inline ChordMapPtr majorMap() {
    return Loader::ParseChordMap(kMajorMap, "MAJOR.CDM");
}

} // namespace lumbrast::music::test
