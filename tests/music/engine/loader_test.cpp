// Style and chord-map files: what loads, and where errors point.
#include "model.h"
#include "testdata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

using namespace lumbrast::music;
using namespace lumbrast::music::test;
using V = std::vector<int>;

namespace {

MusicError parseError(const std::string &text, bool style = true) {
    return errorOf([&] {
        style ? (void)Loader::ParseStyle(text, "BAD.STY")
              : (void)Loader::ParseChordMap(text, "BAD.CDM");
    });
}

// The text from the error's line and column on.
std::string at(const std::string &source, const MusicError &e) {
    std::istringstream in(source);
    std::string line;
    for (int i = 0; i < e.line() && std::getline(in, line);)
        ++i;
    return e.column() >= 1 && static_cast<std::size_t>(e.column()) <= line.size() + 1
               ? line.substr(e.column() - 1)
               : "";
}

} // namespace

TEST(Loader, StyleAndChordMapReadAsWritten) {
    StylePtr s = waltz();
    V controls; // program, then volume, pan, reverb and chorus of each channel
    const SegmentPtr band = s->GetBand("Two")->CreateSegment();
    for (const auto &e : band->data()->events)
        controls.push_back(e.kind == detail::MidiEvent::Control ? e.data1 : -e.data1);
    EXPECT_EQ(controls, (V{-24, 7, 10, 91, 93, -35, 7, 10, 91, 93}));
    EXPECT_EQ(s->GetMotif("Drum")->GetDefaultResolution(), kPlayMeasure);

    using K = detail::PatternNote::Kind;
    const auto &d = *s->data();
    const auto &n = d.patterns[2].parts[0].notes[1]; // "1.1.2 c2 1/2 90" with 2 grid points a beat
    EXPECT_EQ(std::tuple(n.start, n.length, n.kind, n.index),
              std::tuple(kTicksPerBeat / 2, kTicksPerBeat / 2, K::ChordTone, 1));
    EXPECT_EQ(std::pair(d.patterns[0].parts[1].channel, +d.patterns[0].parts[1].notes[0].index),
              std::pair(9, 36)); // the kick on the drum channel

    ChordMapPtr map = majorMap();
    const auto &m = *map->data();
    const auto &five = m.chords[m.find("V")];
    EXPECT_TRUE(m.connected(m.find("ii"), m.find("V")) && !m.connected(m.find("V"), m.find("ii")));
    auto minor = Loader::ParseChordMap(replaced(kMajorMap, "\"major\"", "\"minor\""), "M.CDM");
    EXPECT_EQ(minor->data()->chords[m.find("vi")].root, 8); // the sixth of C minor is A flat
    // A chord's scale: the key's, or one it names, built on its root.
    EXPECT_EQ(five.scale, (V{0, 2, 4, 5, 7, 9, 10}));
    auto named = Loader::ParseChordMap(
        replaced(kMajorMap, "type = \"7\" }", "type = \"7\", scale = \"phrygian-dominant\" }"),
        "N.CDM");
    EXPECT_EQ(named->data()->chords[m.find("V")].scale, (V{0, 1, 4, 5, 7, 8, 10}));
}

// Chords and scales from their theory, not from the table: every mode is the major scale started
// on another degree, and each larger chord adds one tone to a smaller one.
TEST(Loader, ChordsAndScalesFollowTheirTheory) {
    const V major = detail::ScaleSteps("major");
    ASSERT_EQ(major, (V{0, 2, 4, 5, 7, 9, 11}));
    auto mode = [&](int degree) {
        V m;
        for (int i = 0; i < 7; ++i)
            m.push_back((major[(degree + i) % 7] - major[degree] + 12) % 12);
        return m;
    };
    const std::pair<const char *, int> modes[] = {{"ionian", 0}, {"dorian", 1},     {"phrygian", 2},
                                                  {"lydian", 3}, {"mixolydian", 4}, {"minor", 5},
                                                  {"aeolian", 5}};
    for (const auto &[name, degree] : modes)
        EXPECT_EQ(detail::ScaleSteps(name), mode(degree)) << name;
    V harmonic = mode(5);
    harmonic[6] = 11; // the raised seventh
    EXPECT_EQ(detail::ScaleSteps("harmonic-minor"), harmonic);

    const V triads[] = {{0, 4, 7}, {0, 3, 7}, {0, 3, 6}, {0, 4, 8}, {0, 2, 7}, {0, 5, 7}};
    int t = 0;
    for (const char *name : {"maj", "min", "dim", "aug", "sus2", "sus4"})
        EXPECT_EQ(detail::ChordIntervals(name), triads[t++]) << name;
    const std::tuple<const char *, const char *, int> added[] = {
        {"6", "maj", 9},     {"min6", "min", 9},   {"7", "maj", 10},     {"maj7", "maj", 11},
        {"min7", "min", 10}, {"m7b5", "dim", 10},  {"dim7", "dim", 9},   {"add9", "maj", 2},
        {"9", "7", 14},      {"maj9", "maj7", 14}, {"min9", "min7", 14}, {"7sus4", "sus4", 10}};
    for (const auto &[name, base, tone] : added) {
        V want = detail::ChordIntervals(base);
        want.push_back(tone);
        std::sort(want.begin(), want.end());
        EXPECT_EQ(detail::ChordIntervals(name), want) << name;
    }

    // A chord's scale: the key's scale from the chord's root, its tones replacing the degrees
    // they stand on. V7 in minor raises the seventh of the key; VII7 in minor lowers nothing.
    const V minor = detail::ScaleSteps("minor");
    EXPECT_EQ(detail::ChordScale(minor, 4, 0, {0, 4, 7, 10}), (V{0, 1, 4, 5, 7, 8, 10}));
    EXPECT_EQ(detail::ChordScale(major, 6, -1, {0, 4, 7}), (V{0, 2, 4, 6, 7, 9, 11}));
    EXPECT_EQ(detail::ChordScale(detail::ScaleSteps("harmonic-minor"), 6, 0, {0, 3, 6, 9}),
              (V{0, 1, 3, 4, 6, 8, 9}));
    EXPECT_EQ(detail::ChordScale(major, 0, 0, {0, 2, 4, 7, 14}), major);
}

TEST(Loader, ChordTonesFollowVoiceMode) {
    using K = detail::PatternNote::Kind;
    using enum detail::Voice;
    const V g7 = {0, 4, 7, 10}, scale = detail::ChordScale(detail::ScaleSteps("major"), 4, 0, g7);
    // Kind, index, octave, voice mode, `low`, the chord's root and the key played.
    const std::tuple<K, std::int16_t, std::int8_t, detail::Voice, int, int, int> cases[] = {
        {K::ChordTone, 0, 0, Root, 36, 7, 43},  // G2: first G at or above C2
        {K::ChordTone, 4, 0, Root, 36, 7, 55},  // past the last tone, an octave up
        {K::ScaleStep, 1, 0, Root, 36, 7, 45},  // s2 over G in C major: A
        {K::ScaleStep, 8, 0, Root, 36, 7, 57},  // s9: the A an octave up
        {K::ChordTone, 0, 3, Root, 92, 8, 116}, // Ab three octaves above key 92 is 128: one down
        {K::ChordTone, 0, 4, Root, 79, 7, 127}, // G four octaves above key 79 is the top key, kept
        {K::ChordTone, 0, 0, Voicing, 60, 7, 62}, // D4 is the lowest G7 tone from C4
        {K::ChordTone, 4, 0, Voicing, 60, 7, 74}, // past the last tone, the lowest an octave up
    };
    detail::Part part;
    for (const auto &[kind, index, octave, voice, low, root, key] : cases) {
        part.voice = voice;
        part.low = low;
        const detail::PatternNote n{.kind = kind, .index = index, .octave = octave};
        EXPECT_EQ(detail::ResolveKey(n, part, {root, &g7, &scale}), key) << index << low;
    }
    // Without composed music, chord tones are taken from C major (part: a voicing above C4).
    EXPECT_EQ(detail::ResolveKey({.kind = K::ChordTone, .octave = 3}, part,
                                 detail::ChordAt(detail::SegmentData{}, 0)),
              96);
}

TEST(Loader, ErrorsNameFileLineAndColumnAndPointAtTheFault) {
    EXPECT_STREQ(MusicError(ErrorCode::BadContent, "bad", "A.STY", 0, 0).what(), "A.STY: bad");

    struct Case {
        bool style;
        std::string from, to, points, says;
        ErrorCode code = ErrorCode::BadContent;
    };
    // Accented letters are fine in quoted text and comments, nowhere else. Control characters are
    // refused before the parser misreads what follows.
    const auto syntax = ErrorCode::Syntax;
    const Case cases[] = {
        {true, "tempo = 120", "tempo = 0", "0", "tempo"},
        {true, "time_signature = [3, 4]", "time_signature = [3, 5]", "5", "beat"},
        {true, "{ channel = 2, program = 33 }", "{ channel = 2, program = 33, loud = 1 }", "1 }",
         "unknown key 'loud'"},
        {true, "groove = [1, 40]", "groove = [40, 1]", "[40, 1]", "backwards"},
        {true, "embellishment = \"fill\"", "embellishment = \"flourish\"", "\"flourish\"",
         "embellishment"},
        {true, "\"1.2 c2 1 80\"", "\"1.4 c2 1 80\"", "1.4", "beat 4"},
        {true, "\"1.2 c2 1 80\"", "\"1.2 x2 1 80\"", "x2", "pitch"},
        {true, "\"1.2 c2 1 80\"", "\"1.2 c2\"", "\"1.2 c2\"", "a note reads"},
        {true, "\"1.1 kick 1 90\"", "\"1.1 boing 1 90\"", "boing", "drum name"},
        {true, "grid = 2", "grid = 2\nswing = 76", "76", "'swing' is 76, must be 50 to 75"},
        {true, "low = 36,", "low = 36, weights = [1, 2],", "[1, 2]", "weights must give 1 numbers"},
        {true, "low = 36,", "low = 36, variations = [[\"2.1 c1 1\"]],", "2.1", "bar 2"},
        {true, "low = 36,", "low = 36, leap = 1,", "1,", "leap must be true or false"},
        {false, "type = \"7\" }", "type = \"7\", scale = \"dorian\" }", "\"dorian\"",
         "does not hold the chord's tone 4"},
        {false, "scale = \"major\"", "scale = \"bluesy\"", "\"bluesy\"", "unknown scale"},
        {false, "to = \"V\"", "to = \"VII\"", "\"VII\"", "no chord with id 'VII'"},
        // ii can no longer reach an end signpost.
        {false, "to = \"V\"", "to = \"ii\"", "{ id = \"ii\"", "no path"},
        {true, "tempo = 120", "tempo = 120\xc3\xa9", "\xc3\xa9", "", syntax},
        {true, "tempo = 120", "tempo = 120\x01\"\xef\xba\xbf", "\x01", "", syntax},
        {true, "name = \"Test Waltz\"", "name = \"\"\"Test \\  \xc3\xa9\"\"\"", "\xc3\xa9",
         "a backslash in quoted text must be followed by an escape such as \\n", syntax},
    };
    for (const Case &c : cases) {
        std::string bad = replaced(c.style ? kWaltz : kMajorMap, c.from, c.to);
        MusicError e = parseError(bad, c.style);
        EXPECT_EQ(e.code(), c.code) << c.to;
        const std::string where = (c.style ? "BAD.STY:" : "BAD.CDM:") + std::to_string(e.line());
        EXPECT_EQ(std::string(e.what()).rfind(where + ":", 0), 0u) << e.what();
        EXPECT_EQ(at(bad, e).rfind(c.points, 0), 0u)
            << c.to << " -> " << e.what() << " at [" << at(bad, e) << "]";
        EXPECT_NE(e.description().find(c.says), std::string::npos) << c.to << " -> " << e.what();
    }
}

TEST(Loader, RefusesWrongKindMissingAndHugeFiles) {
    EXPECT_EQ(parseError(kMajorMap).code(), ErrorCode::WrongKind);
    EXPECT_EQ(parseError(kWaltz, false).code(), ErrorCode::WrongKind);
    EXPECT_EQ(parseError("").code(), ErrorCode::BadContent);
    EXPECT_EQ(parseError("\xff\xfe[style]").code(), ErrorCode::Syntax);
    EXPECT_EQ(parseError(std::string(Loader::kMaxFileBytes + 1, ' ')).code(),
              ErrorCode::FileTooLarge);
    std::string accented = replaced(kWaltz, "name = \"Test Waltz\"",
                                    "name = \"Caf\xc3\xa9 Waltz\" # d\xc3\xa9j\xc3\xa0");
    EXPECT_EQ(Loader::ParseStyle(accented, "OK.STY")->name(), "Caf\xc3\xa9 Waltz");
    EXPECT_EQ(parseError(std::string("[style]\0", 8)).column(), 8); // NUL

    auto load = [](const std::string &path) { return errorOf([&] { Loader().LoadStyle(path); }); };
    MusicError missing = load("/nonexistent/NOPE.STY");
    EXPECT_EQ(std::pair(missing.code(), missing.file()),
              std::pair(ErrorCode::FileNotFound, std::string("/nonexistent/NOPE.STY")));
    auto path = std::filesystem::temp_directory_path() / "lumbrast_huge.sty";
    std::ofstream(path) << std::string(Loader::kMaxFileBytes + 1, '#');
    MusicError huge = load(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(huge.code(), ErrorCode::FileTooLarge);
    EXPECT_NE(huge.description().find("at most"), std::string::npos);

    const std::string folder = std::filesystem::temp_directory_path().string();
    MusicError style = load(folder);
    EXPECT_EQ(std::tuple(style.code(), style.description(), style.file()),
              std::tuple(ErrorCode::WrongKind, "this is a folder, not a style file", folder));
    EXPECT_EQ(load("/dev/null").description(),
              "this is not a file that can be read as a style file");
}
