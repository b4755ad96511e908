// The composer: length, groove curves, chord walk, signposts, cadence, patterns and notes.
#include "composer.h"
#include "testdata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>

using namespace lumbrast::music;
using namespace lumbrast::music::test;
using Ev = detail::MidiEvent;
using V = std::vector<int>;

namespace {

SegmentPtr compose(int measures, Shape shape, int activity, std::uint64_t seed, bool intro = false,
                   bool end = false, const StylePtr &style = waltz(),
                   const ChordMapPtr &map = majorMap()) {
    return Composer(seed).ComposeSegmentFromShape(style, measures, static_cast<int>(shape),
                                                  activity, intro, end, map);
}

// Chords with their beats, then the pattern of each measure: the plan of a composition.
std::string plan(const SegmentPtr &s) {
    const auto &d = *s->data();
    std::string out;
    for (const auto &c : d.chords)
        out += d.chordMap->chords[static_cast<std::size_t>(c.chord)].id + ":" +
               std::to_string(c.length / kTicksPerBeat) + " ";
    out += "|";
    for (const auto &p : d.patternNames)
        out += " " + p;
    return out;
}

// The first letter of the pattern at each phrase start (phrases of four measures).
std::string phrases(const SegmentPtr &s) {
    std::string out;
    for (std::size_t m = 0; m < s->data()->patternNames.size(); m += 4)
        out += s->data()->patternNames[m].front();
    return out;
}

// A hash of the notes struck: any change in what plays changes it.
std::uint64_t fingerprint(const SegmentPtr &s) {
    std::uint64_t hash = 0;
    for (const auto &e : s->data()->events)
        if (e.kind == Ev::NoteOn)
            hash =
                hash * 1000003 + static_cast<std::uint64_t>(e.tick) * 131 + e.data1 * 7 + e.data2;
    return hash % 1000000007;
}

// Start and length of each note of `channel`, in the order the notes end.
std::vector<std::pair<std::int64_t, std::int64_t>> notes(const SegmentPtr &s, int channel) {
    std::map<int, std::int64_t> on;
    std::vector<std::pair<std::int64_t, std::int64_t>> out;
    for (const auto &e : s->data()->events)
        if (e.channel == channel && e.kind == Ev::NoteOn)
            on[e.data1] = e.tick;
        else if (e.channel == channel && e.kind == Ev::NoteOff)
            out.emplace_back(on[e.data1], e.tick - on[e.data1]);
    return out;
}

} // namespace

TEST(Composer, SegmentHasExactlyTheRequestedMeasuresAndRefusesBadArguments) {
    for (int n : {1, 2, 7, 16, 33, 1024}) {
        SegmentPtr s = compose(n, Shape::Level, 1, 7, true, true);
        const auto &d = *s->data();
        EXPECT_EQ(std::tuple(s->measures(), s->GetLength(), d.groove.size()),
                  std::tuple(n, n * 3 * kTicksPerBeat, static_cast<std::size_t>(n)));
        std::int64_t t = 0; // chords tile the segment without gaps
        for (const auto &c : d.chords) {
            EXPECT_EQ(c.tick, t);
            t += c.length;
        }
        EXPECT_EQ(t, s->GetLength());
        EXPECT_TRUE(std::is_sorted(d.events.begin(), d.events.end()));
        EXPECT_TRUE(d.events.front().tick >= 0 && d.events.back().tick <= s->GetLength());
        // Notes only: the band the listener applied stays in effect when the music starts.
        EXPECT_TRUE(std::none_of(d.events.begin(), d.events.end(), [](const Ev &e) {
            return e.kind == Ev::Program || e.kind == Ev::Control;
        }));
    }
    SegmentPtr empty = compose(0, Shape::Level, 1, 7);
    EXPECT_TRUE(empty->GetLength() == 0 && empty->data()->events.empty());

    // Measures, shape and activity out of range; no style, no chord map.
    Composer c(1);
    for (auto [n, shape, activity] : {std::array{-1, 1, 1}, {32768, 1, 1}, {4, 9, 1}, {4, 1, 4}})
        EXPECT_THROW(
            c.ComposeSegmentFromShape(waltz(), n, shape, activity, false, false, majorMap()),
            MusicError);
    EXPECT_THROW(c.ComposeSegmentFromShape(nullptr, 4, 1, 1, false, false, majorMap()), MusicError);
    EXPECT_THROW(c.ComposeSegmentFromShape(waltz(), 4, 1, 1, false, false, nullptr), MusicError);
}

TEST(Composer, GrooveCurvesHaveTheirShapes) {
    detail::Rng rng(5);
    auto curve = [&](Shape s, int n, int phrase = 4) {
        return detail::GrooveCurve(static_cast<int>(s), n, phrase, rng);
    };
    EXPECT_EQ(curve(Shape::Falling, 5), (V{85, 69, 53, 36, 20}));
    EXPECT_EQ(curve(Shape::Falling, 1), (V{53})); // one measure sits midway
    EXPECT_EQ(curve(Shape::Level, 3), (V{50, 50, 50}));
    EXPECT_EQ(curve(Shape::Peaking, 6), (V{25, 42, 73, 90, 62, 35}));
    // Song: verse, chorus, verse, chorus, bridge, chorus of two phrases each, then again.
    EXPECT_EQ(curve(Shape::Song, 26, 2), (V{38, 38, 38, 38, 78, 78, 78, 78, 40, 40, 40, 40, 80,
                                            80, 80, 80, 58, 58, 58, 58, 84, 84, 84, 84, 38, 38}));

    // Random: a walk from 50 that steps only at phrase starts and stays in 10-95.
    auto random = detail::GrooveCurve(6, 4000, 4, rng);
    EXPECT_EQ(V(random.begin(), random.begin() + 4), (V{50, 50, 50, 50}));
    int steps = 0;
    for (std::size_t i = 1; i < random.size(); ++i)
        steps += i % 4 && random[i] != random[i - 1];
    EXPECT_EQ(std::tuple(*std::min_element(random.begin(), random.end()),
                         *std::max_element(random.begin(), random.end()), steps),
              std::tuple(10, 95, 0));
}

TEST(Composer, FillsAndBreaksEndPhrasesByTheGrooveAhead) {
    using E = Embellishment;
    // Phrases of 4, whatever the dice say: a rise of 10 ahead gives a fill, a drop of 20 a
    // break, every second phrase ends in a fill, and the measure before the ending stays plain.
    const std::vector<int> groove = {30, 30, 30, 30, 40, 40, 40, 40, 20,
                                     20, 20, 20, 30, 30, 30, 30, 30, 30};
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        detail::Rng rng(seed);
        EXPECT_EQ(detail::PlanEmbellishments(groove, 1, 4, true, 1, true, 2, rng),
                  (std::vector<E>{E::Intro, E::Normal, E::Normal, E::Fill, E::Normal, E::Normal,
                                  E::Normal, E::Break, E::Normal, E::Normal, E::Normal, E::Fill,
                                  E::Normal, E::Normal, E::Normal, E::Normal, E::End, E::End}))
            << seed;
    }
}

TEST(Composer, ASeedGivesExactlyItsChordsAndPatternsAndReComposeOthers) {
    EXPECT_EQ(plan(compose(8, Shape::Peaking, 1, 3, true, true)),
              "vi:3 IV:3 V:3 I:3 vi:6 IV:2 V:1 I:3 | in low low fill high high out out");
    EXPECT_EQ(plan(compose(6, Shape::Loopable, 0, 4)),
              "I:3 vi:3 IV:3 ii:2 V:1 I:3 IV:2 V:1 | mid mid mid fill mid mid");
    EXPECT_EQ(plan(compose(5, Shape::Song, 3, 5, false, true)),
              "I:3 vi:6 IV:2 V:1 I:3 | mid mid mid out out");
    // A closing progression that would fill the whole piece shrinks to its last chord.
    EXPECT_EQ(plan(compose(2, Shape::Level, 1, 6)), "vi:3 I:3 | mid mid");
    // An ending right after the intro leaves the intro whole.
    EXPECT_EQ(plan(compose(3, Shape::Level, 1, 6, true, true)), "vi:3 IV:2 V:1 I:3 | in out out");
    // In 4/4 chords change on half measures at activity 1.
    auto four = Loader::ParseStyle(replaced(kWaltz, "[3, 4]", "[4, 4]"), "FOUR.STY");
    EXPECT_EQ(plan(compose(4, Shape::Level, 1, 3, false, false, four)),
              "vi:2 IV:2 V:2 vi:2 IV:2 V:2 I:4 | low low low low");
    // After a one-measure intro the two-measure pattern is cut at the phrase end.
    EXPECT_EQ(fingerprint(compose(8, Shape::Level, 1, 13, true)), 958821147u);
    // A phrase starting on a chord that ends phrases rings on when it would last that long.
    std::string ringing = replaced(replaced(kMajorMap, "phrase = 4", "phrase = 2"),
                                   "start = [\"I\", \"vi\"]", "start = [\"V\"]");
    ringing = replaced(ringing, "to = [\"I\", \"vi\"], weight = 1, beats = [3, 6]",
                       "to = [\"I\", \"vi\"], weight = 1, beats = [4, 8]");
    EXPECT_EQ(plan(compose(6, Shape::Level, 2, 1, false, false, waltz(),
                           Loader::ParseChordMap(ringing, "R.CDM"))),
              "V:6 V:3 vi:3 IV:2 V:1 I:3 | mid mid low fill mid mid");
    auto song = compose(16, Shape::Song, 1, 9, true, true);
    EXPECT_EQ(plan(song), "vi:6 ii:3 V:3 I:3 IV:3 V:3 I:3 vi:6 ii:3 V:3 I:3 vi:3 IV:2 V:1 I:3 | in "
                          "mid mid mid mid mid mid fill high high high high high high out out");
    EXPECT_EQ(fingerprint(song), 976166544u);
    EXPECT_EQ(fingerprint(compose(12, Shape::Loud, 1, 10, false, true)), 222862280u);

    // Re-Compose gives new music; SetSeed repeats it.
    Composer c(5);
    auto next = [&] {
        return plan(c.ComposeSegmentFromShape(waltz(), 8, 1, 1, false, false, majorMap()));
    };
    const std::string first = next();
    EXPECT_NE(next(), first);
    c.SetSeed(5);
    EXPECT_EQ(next(), first);
}

TEST(Composer, LoopableMusicLeadsBackToItsOpeningChord) {
    // Phrases end on IV, which does not lead to I: the loop's last phrase must end elsewhere.
    auto map = Loader::ParseChordMap(
        replaced(replaced(kMajorMap, "end = [\"V\", \"I\"]", "end = [\"IV\"]"),
                 "start = [\"I\", \"vi\"]", "start = [\"I\"]"),
        "LOOP.CDM");
    const auto &m = *map->data();
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        auto s = compose(8, Shape::Loopable, 1, seed, false, true, waltz(), map);
        const auto &ch = s->data()->chords;
        EXPECT_EQ(std::pair(ch.front().chord, ch.back().chord), std::pair(m.find("I"), m.find("V")))
            << plan(s);
        // A second pass hears the opening chord again.
        EXPECT_EQ(detail::ChordAt(*s->data(), s->GetLength() + 1).root, 0);
        // Whichever chords later phrases start on, the loop leads to the very first one.
        const SegmentPtr loop = compose(24, Shape::Loopable, 1, seed);
        const auto &d = *loop->data();
        EXPECT_TRUE(d.chordMap->connected(d.chords.back().chord, d.chords.front().chord));
    }
}

TEST(Composer, SongsBridgeMovesAwayFromTheOpeningChord) {
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        const auto song = compose(48, Shape::Song, 1, seed);
        const auto &d = *song->data();
        int inBridge = 0, elsewhere = 0;
        for (const auto &c : d.chords)
            (c.tick >= 32 * 3 * kTicksPerBeat && c.tick < 40 * 3 * kTicksPerBeat ? inBridge
                                                                                 : elsewhere) +=
                c.chord == d.chords.front().chord;
        EXPECT_TRUE(inBridge == 0 && elsewhere > 1) << plan(song);
    }
}

TEST(Composer, PatternsChangeOnPhraseStartsAndPartsVaryTheirBars) {
    // Low and mid both hold level 50; the low bass has two variations, the first never chosen.
    auto style = Loader::ParseStyle(
        replaced(replaced(kWaltz, "groove = [1, 40]", "groove = [1, 60]"), "\"1.3 c3 1 80\"] }",
                 "\"1.3 c3 1 80\"], weights = [1, 0, 3], "
                 "variations = [[\"1.1 c1 3 90\"], [\"1.1 c3 1 80\", \"1.2 c1 2 80\"]] }"),
        "VAR.STY");
    auto s = compose(64, Shape::Level, 1, 3, false, false, style);
    const auto &d = *s->data();
    std::string lows; // the low bass's bar each measure: never weight 0's, never twice running
    for (std::size_t m = 0; m < 64; ++m) {
        EXPECT_EQ(d.phraseStarts[m], m % 4 == 0) << m;
        if (m % 4 && d.embellishments[m] == Embellishment::Normal &&
            d.embellishments[m - 1] == Embellishment::Normal) {
            EXPECT_EQ(d.patternNames[m], d.patternNames[m - 1]) << m;
        }
        if (d.patternNames[m] == "low")
            lows += std::to_string(d.variations[m][0] + 1);
    }
    EXPECT_EQ(lows, "2020202020202020202020202020202");
    // No pattern holds more than two phrases running.
    EXPECT_EQ(phrases(s), "lmllmllmlmmllmlm");
    // A pattern that holds the level is likelier than one whose range lies near it.
    EXPECT_EQ(phrases(compose(64, Shape::Level, 1, 3)), "mmlmmlmmlmmlmmlm");
    // SONG keeps one pattern per section kind: verse, chorus, bridge.
    EXPECT_EQ(phrases(compose(96, Shape::Song, 1, 4, false, false, style)),
              "llhhllhhmmhhllhhllhhmmhh");

    // A level far from every normal pattern takes the nearest.
    const std::string low = "groove = [1, 40]", mid = "groove = [35, 70]",
                      high = "groove = [65, 100]", brk = "embellishment = \"break\", ";
    auto far =
        Loader::ParseStyle(replaced(replaced(kWaltz, low, brk + low), mid, brk + mid), "FAR.STY");
    EXPECT_EQ(phrases(compose(4, Shape::Quiet, 1, 4, false, false, far)), "h");
    // With fewer patterns than sections, one comes back.
    auto two = Loader::ParseStyle(replaced(kWaltz, high, brk + high), "TWO.STY");
    EXPECT_EQ(phrases(compose(48, Shape::Song, 1, 4, false, false, two)), "llmmllmmmmmm");
}

TEST(Composer, NotesOutlastingTheirChordAreStruckAgainUnlessNearlyOver) {
    // c1 lasts a beat and a half, c2 a beat and a quarter; chords change on any beat.
    auto style = Loader::ParseStyle(replaced(kWaltz, "\"1.1 c1 3 80\", \"1.1 c2 3 80\"",
                                             "\"1.1 c1 3/2 80\", \"1.1 c2 5/4 80\""),
                                    "SHORT.STY");
    std::set<std::int64_t> lengths;
    for (const auto &[start, length] :
         notes(compose(16, Shape::Level, 0, 8, false, false, style), 0))
        lengths.insert(length);
    EXPECT_TRUE(lengths.count(kTicksPerBeat / 2));  // half a beat left: struck again for it
    EXPECT_FALSE(lengths.count(kTicksPerBeat / 4)); // a quarter left: the note just ends

    // A key struck again while it sounds ends the earlier note there; the new one is on time.
    auto kicks = Loader::ParseStyle(
        replaced(kWaltz, "\"1.1 kick 1 90\"", "\"1.1 kick 2 90\", \"1.2 kick 1 90\""), "K.STY");
    const std::int64_t b = kTicksPerBeat;
    EXPECT_EQ(notes(compose(2, Shape::Quiet, 1, 8, false, false, kicks), 9),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{
                  {0, b}, {b, b}, {3 * b, b}, {4 * b, b}}));
}

const char *kFeel = R"(
[style]
name = "Feel"
tempo = 120
time_signature = [4, 4]
humanize = { time = 30, velocity = 0 }
swing = 60
accent = 20
[[pattern]]
name = "p"
groove = [1, 100]
part = [
  { channel = 2, voice = "root", low = 36, notes = ["1.1 c1 1 80", "1.2 c2 1 80", "1.3 c3 1 80", "1.4 c1, 1 80"] },
  { channel = 3, voice = "root", low = 60, humanize = { time = 0 }, articulation = "staccato", notes = ["1.1 s2 1 80", "1.2 s3 1/2 80", "1.2.3 s1 1/2 80"] },
  { channel = 1, voice = "voicing", strum = 20, hold = true, notes = ["1.1 c1 2 80", "1.1 c2 2 80", "1.1 c3 2 80"] },
  { channel = 10, notes = ["1.1 kick 1 80"] } ]
)";

TEST(Composer, NotesASemitoneAboveAHeldNoteTakeTheNearestChordTone) {
    // Over C major: C#5 (73) grates against a held C4, D#5 (75) does not; a passing D5. A bass
    // E2, A1, E2 under a held F3.
    auto map = Loader::ParseChordMap(R"(chord = [ { id = "I", degree = 1, type = "maj" } ]
connection = [ { from = "I", to = "I", beats = [3, 3] } ]
chordmap = { name = "C", key = "C", scale = "major" }
signposts = { start = "I", end = "I", cadence = "I" })",
                                     "C.CDM");
    auto s = compose(
        1, Shape::Level, 1, 1, true, false,
        Loader::ParseStyle(
            replaced(kWaltz, "notes = [\"1.1 c1 3 70\"] } ] },",
                     "low = 60, notes = [\"1.1 c1 3 70\"] }, { channel = 3, notes = "
                     "[\"1.2 73 2 80\", \"1.2 75 2 80\"] }, { channel = 4, voice = "
                     "\"root\", low = 72, notes = [\"1.2 s2 2 80\"] }, { channel = 6, notes = "
                     "[\"1.1 53 3 80\"] }, { channel = 5, voice = \"root\", low = 36, notes = "
                     "[\"1.1 c2 1 80\", \"1.2 s6, 1 80\", \"1.3 c2 1/2 80\", \"1.3.2 c1' 1/2 80\"] "
                     "} ] },"),
            "S.STY"),
        map);
    V keys, line; // the upper parts, then the bass
    for (const auto &e : s->data()->events)
        if (e.kind == Ev::NoteOn && e.channel >= 2 && e.channel <= 4)
            (e.channel == 4 ? line : keys).push_back(e.data1);
    EXPECT_EQ(keys, (V{72, 75, 74}));
    // Each E2 of the bass grates against F3; G2 is nearer, but C2 keeps within a fifth of A1.
    // Before a written leap up to C3 no tone is that near both sides: G2 it is.
    EXPECT_EQ(line, (V{36, 33, 43, 48}));
}

TEST(Composer, FeelSwingsAccentsStrumsAndBassStepsAtMostAFifthUnlessALeapIsWritten) {
    EXPECT_EQ(detail::Swing(240, 66), 316);
    EXPECT_EQ(detail::Accent(2 * 480, 3, 20), 100); // an odd measure has one strong beat
    const auto s =
        compose(64, Shape::Loopable, 2, 5, false, false, Loader::ParseStyle(kFeel, "FEEL.STY"));
    std::set<std::int64_t> shifts;
    std::map<int, std::vector<Ev>> ch; // by channel, offs then ons
    for (const auto &e : s->data()->events)
        ch[e.channel * 2 + (e.kind == Ev::NoteOn)].push_back(e);
    const auto &bass = ch[3], &chord = ch[1], &tune = ch[5], &tuneOff = ch[4];
    ASSERT_EQ(bass.size(), 256u);
    for (std::size_t m = 0; m < 64; ++m) {
        const std::int64_t at = static_cast<std::int64_t>(m) * 4 * kTicksPerBeat;
        const std::int64_t start = bass[4 * m].tick;
        shifts.insert(start - at);
        // The kick with the bass; the chord strummed from its lowest string over 20 ms; the
        // beats accented; staccato halving each tune note, the "and" late by the swing.
        std::string got = std::to_string(ch[19][m].tick - start);
        for (std::size_t i = 0; i < 3; ++i)
            got += " " + std::to_string(chord[3 * m + i].tick - start) + "/" +
                   std::to_string(chord[3 * m + i].flags);
        for (std::size_t i = 0; i < 4; ++i)
            got += " " + std::to_string(bass[4 * m + i].data2);
        for (std::size_t i = 0; i < 3; ++i)
            got += " " + std::to_string(tune[3 * m + i].tick - at) + "-" +
                   std::to_string(tuneOff[3 * m + i].tick - at) + "/" +
                   std::to_string(tune[3 * m + i].flags);
        EXPECT_EQ(got, "0 0/4 10/4 19/4 96 80 88 80 0-288/1 480-624/0 768-864/0") << m;
    }
    // One offset for each onset, early and late alike; the very first is kept at 0.
    EXPECT_TRUE(shifts.size() > 5 && *std::next(shifts.begin()) < -10 && *shifts.rbegin() > 10 &&
                *shifts.rbegin() <= 30);

    // The bass plays root, third, fifth, then the root an octave and a fifth down: a leap
    // only over a chord held from the beat before, and marked as one.
    int shifted = 0;
    for (std::size_t i = 1; i < bass.size(); ++i) {
        const bool asked = bass[i].flags & Ev::Leap;
        const int step = std::abs(bass[i].data1 - bass[i - 1].data1);
        const auto beat = static_cast<std::int64_t>(i) * kTicksPerBeat;
        const bool written = detail::ChordAt(*s->data(), beat).root ==
                             detail::ChordAt(*s->data(), beat - kTicksPerBeat).root;
        EXPECT_EQ(asked, step > 7 && written) << i;
        EXPECT_TRUE((step <= 7 || written) && bass[i].data1 >= 24 && bass[i].data1 <= 60) << i;
        shifted += i % 4 == 0 && (bass[i].data1 < 36 || bass[i].data1 > 47);
    }
    // As a line, the roots mostly lie in the octave above `low`; played as written, all do,
    // and each wide step is marked as asked for.
    EXPECT_TRUE(shifted > 0 && shifted < 24);
    const auto written = compose(
        64, Shape::Loopable, 2, 5, false, false,
        Loader::ParseStyle(replaced(kFeel, "low = 36,", "low = 36, leap = true,"), "LEAP.STY"));
    int prev = -1, n = 0;
    for (const auto &e : written->data()->events)
        if (e.kind == Ev::NoteOn && e.channel == 1) {
            EXPECT_EQ(prev >= 0 && std::abs(e.data1 - prev) > 7, (e.flags & Ev::Leap) != 0);
            EXPECT_TRUE(n++ % 4 != 0 || (e.data1 >= 36 && e.data1 <= 47));
            prev = e.data1;
        }
}
