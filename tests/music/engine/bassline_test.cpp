// A root line against a chord progression chosen by the test, measure by measure.
#include "composer.h"
#include "testdata.h"

namespace lumbrast::music::test {
namespace {

using detail::MidiEvent;

const char *kScaleChords = R"(
chord = [ { id = "I", degree = 1, type = "maj" }, { id = "ii", degree = 2, type = "min" },
          { id = "iii", degree = 3, type = "min" }, { id = "IV", degree = 4, type = "maj" },
          { id = "V", degree = 5, type = "maj" }, { id = "vi", degree = 6, type = "min" },
          { id = "vii", degree = 7, type = "dim" } ]
connection = [ { from = "I", to = ["ii", "iii", "IV", "V", "vi", "vii"], beats = [3, 3] } ]
chordmap = { name = "Degrees", key = "C", scale = "major" }
signposts = { start = "I", end = ["I", "ii", "iii", "IV", "V", "vi", "vii"], cadence = "I" })";

// The waltz's first pattern with its bass's `low` and notes from `bass`, one chord per measure.
std::vector<MidiEvent> written(const std::string &bass, const std::vector<std::string> &chords) {
    const auto style = Loader::ParseStyle(
        replaced(kWaltz, R"(low = 36, notes = ["1.1 c1 1 90", "1.2 c2 1 80", "1.3 c3 1 80")", bass),
        "W.STY");
    const auto map = Loader::ParseChordMap(kScaleChords, "D.CDM");
    const detail::StyleData &st = *style->data();
    detail::SegmentData seg;
    seg.timeSig = st.timeSig;
    seg.measures = static_cast<int>(chords.size());
    seg.length = seg.measures * st.measureTicks();
    seg.chordMap = map->data();
    seg.groove.assign(chords.size(), 20);
    std::vector<detail::Block> blocks;
    for (int m = 0; m < seg.measures; ++m) {
        seg.chords.push_back({m * st.measureTicks(), st.measureTicks(),
                              map->data()->find(chords[static_cast<std::size_t>(m)])});
        blocks.push_back({m, 1, &st.patterns.front(), {}});
    }
    detail::Rng rng(1);
    detail::WriteNotes(st, blocks, seg, rng);
    return seg.events;
}

std::vector<int> keysOn(const std::vector<MidiEvent> &events, int channel) {
    std::vector<int> keys;
    for (const auto &e : events)
        if (e.kind == MidiEvent::NoteOn && e.channel == channel)
            keys.push_back(e.data1);
    return keys;
}

TEST(BassLine, RootsRisingPastTheBoundsStepRatherThanLeapBack) {
    // Rising thirds only, 41 semitones in all: wider than the bass's three octaves.
    const auto keys = keysOn(
        written(R"(low = 36, notes = ["1.1 c1 3 90")",
                {"I", "iii", "V", "vii", "ii", "IV", "vi", "I", "iii", "V", "vii", "ii", "IV"}),
        1);
    ASSERT_EQ(keys.size(), 13u);
    for (std::size_t i = 1; i < keys.size(); ++i)
        EXPECT_LE(std::abs(keys[i] - keys[i - 1]), 7) << i;
    const auto [lowest, highest] = std::minmax_element(keys.begin(), keys.end());
    EXPECT_TRUE(*lowest >= 36 - 12 - 5 && *highest <= 36 + 24 + 5);
}

TEST(BassLine, ANoteHeldOverFromTheLastChordEndsWhereTheBassCannotTurnAside) {
    // C4 held from IV into vii grates against the bass's B2; D2 or F2 would leave
    // the line by more than a fifth on one side or the other.
    const auto events =
        written(R"(low = 40, notes = ["1.1 c1 3 90"] }, { channel = 4, notes = ["1.1 60 6 70")",
                {"IV", "vii", "ii"});
    EXPECT_EQ(keysOn(events, 1), (std::vector<int>{41, 47, 50}));
    const auto held = std::find_if(events.begin(), events.end(), [](const MidiEvent &e) {
        return e.kind == MidiEvent::NoteOff && e.channel == 3;
    });
    EXPECT_TRUE(held != events.end() && held->tick == 3 * kTicksPerBeat);
}

} // namespace
} // namespace lumbrast::music::test
