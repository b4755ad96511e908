// Analyze on small hand-made compositions whose figures are known.
#include "analyze.h"

#include <gtest/gtest.h>

using namespace lumbrast::music;
using namespace lumbrast::music::tool;
using detail::MidiEvent;

namespace {

constexpr std::int64_t kBeat = kTicksPerBeat;
constexpr std::int64_t kMeasure = 4 * kBeat;

// 4/4 at 120 bpm over D major throughout, no events yet.
struct Piece {
    std::shared_ptr<detail::ChordMapData> map = std::make_shared<detail::ChordMapData>();
    detail::SegmentData seg;

    explicit Piece(int measures) {
        map->chords.push_back({"I", 2, {0, 4, 7}, {}, "maj"});
        map->phraseMeasures = 4;
        seg.chordMap = map;
        seg.chords.push_back({0, measures * kMeasure, 0});
        seg.measures = measures;
        seg.length = measures * kMeasure;
        seg.tempo = 120;
        seg.timeSig.gridsPerBeat = 4;
    }
    void note(std::int64_t on, std::int64_t length, int channel, int key, std::uint8_t flags = 0) {
        auto ch = static_cast<std::uint8_t>(channel);
        seg.events.push_back(
            {on, MidiEvent::NoteOn, ch, static_cast<std::uint8_t>(key), 90, flags});
        seg.events.push_back(
            {on + length, MidiEvent::NoteOff, ch, static_cast<std::uint8_t>(key), 0});
        std::stable_sort(seg.events.begin(), seg.events.end());
    }
};

} // namespace

TEST(Analyze, ClashesNeedASustainedMinorSecondAgainstAChordToneAndSparePassingNotes) {
    Piece p(5);                     // over D major: D F# A
    p.note(0, 2 * kBeat, 0, 66);    // F#, a chord tone
    p.note(0, 2 * kBeat, 1, 79);    // G an octave and a half step up: a minor ninth
    p.note(kMeasure, kBeat, 0, 69); // A
    p.note(kMeasure, kBeat, 1, 70, MidiEvent::Passing);     // Bb marked as passing
    p.note(2 * kMeasure, kBeat, 0, 74);                     // D
    p.note(2 * kMeasure + kBeat - kBeat / 4, kBeat, 1, 73); // C# meets it for a sixteenth only
    p.note(3 * kMeasure, 2 * kBeat, 0, 74);                 // D
    p.note(3 * kMeasure, 2 * kBeat, 0, 75); // Eb in the same part: a voicing, not a clash
    p.note(3 * kMeasure, 2 * kBeat, 9, 73); // C# on the drums: never a clash
    p.note(4 * kMeasure, 2 * kBeat, 0, 67); // G and Ab: neither is a chord tone
    p.note(4 * kMeasure, 2 * kBeat, 1, 68);
    p.seg.events.insert(p.seg.events.begin(), {0, MidiEvent::Control, 1, 67, 100}); // no note
    EXPECT_EQ(Analyze(p.seg).clashes, 1);
}

TEST(Analyze, BassLeapsCountOnlyMovesWiderThanAFifthInTheLowestPartNotWritten) {
    Piece p(2);
    for (auto [tick, key] :
         {std::pair{0, 36}, {kBeat, 43}, {2 * kBeat, 55}, {3 * kBeat, 48}, {kMeasure, 40}})
        p.note(tick, kBeat / 2, 1, static_cast<int>(key));
    p.note(kMeasure + kBeat, kBeat / 2, 1, 60, MidiEvent::Leap); // asked for: no fault
    p.note(kMeasure, kBeat / 2, 1, 60); // struck with the 40: the lowest note counts
    p.note(0, kMeasure, 0, 72);         // a melody part above, leaping freely
    p.note(kMeasure, kMeasure, 0, 96);
    const Analysis a = Analyze(p.seg);
    EXPECT_EQ(a.bassLeaps, 2); // 43 -> 55 and 48 -> 40
    EXPECT_EQ(a.widestBassLeap, 12);
}

TEST(Analyze, RepeatsCountMeasuresThatRepeatAPeriodOfOneToFourNoteForNote) {
    Piece p(12);
    // Measures 1-2 differ; 3-10 alternate two bars (humanised by a few ticks);
    // 11-12 differ again. Drums play the same bar all through.
    for (int m = 0; m < 12; ++m) {
        const std::int64_t at = m * kMeasure;
        const int key = m < 2 ? 60 + m : m < 10 ? (m % 2 ? 64 : 67) : 70 + m;
        p.note(at + (m % 3) * 4, kBeat, 0, key);
        p.note(at, kBeat / 2, 9, 36);
    }
    const Analysis a = Analyze(p.seg);
    EXPECT_EQ(a.repeatPitched, 8);
    EXPECT_EQ(a.repeatAll, 8);
    EXPECT_EQ(a.repeatDrums, 12);
    EXPECT_EQ(a.distinct, 6);
    EXPECT_NEAR(a.textureShare, 1.0, 1e-9); // one rhythm everywhere
}

TEST(Analyze, OnsetSpreadIsTheWidestGapBetweenNotesWrittenTogetherStrumsApart) {
    Piece p(1);
    p.note(0, kBeat, 0, 60);
    p.note(12, kBeat, 1, 64); // 12 ticks at 120 bpm: 12.5 ms
    p.note(kBeat, kBeat, 0, 62);
    p.note(kBeat + kBeat / 4 - 2, kBeat, 1, 65);       // the next grid point: not together
    p.note(2 * kBeat, kBeat, 2, 60, MidiEvent::Strum); // a strum over 20 ms ...
    p.note(2 * kBeat + 19, kBeat, 2, 64, MidiEvent::Strum);
    p.note(3 * kBeat + 5, kBeat, 2, 67, MidiEvent::Strum); // ... and one of 5 ms
    p.note(3 * kBeat, kBeat, 3, 55);                       // under the strum, yet apart
    p.note(3 * kBeat + 2, kBeat, 2, 64, MidiEvent::Strum);
    const Analysis a = Analyze(p.seg);
    EXPECT_NEAR(a.onsetSpreadMs, 12.5, 1e-9);
    EXPECT_NEAR(a.strumMs, 19 * 125 / 120.0, 1e-9);
}

TEST(Analyze, PatternAndChordChangesFillsAside) {
    Piece p(9);
    using enum Embellishment;
    p.seg.patternNames = {"A", "A", "A", "F", "B", "B", "C", "C", "C"};
    p.seg.embellishments = {Normal, Normal, Normal, Fill, Normal, Normal, Normal, Normal, Normal};
    Analysis a = Analyze(p.seg);
    EXPECT_EQ(a.patternChanges, 2);          // A -> B at the phrase, B -> C inside it
    EXPECT_EQ(a.patternChangesOffPhrase, 1); // phrases of 4 from the chord map
    EXPECT_EQ(a.variationChanges, -1);
    p.seg.phraseStarts = {true, false, false, false, false, false, true, false, false};
    a = Analyze(p.seg);
    EXPECT_EQ(a.patternChangesOffPhrase, 1); // now A -> B is the one off the phrase
    // I for three measures (written as two spans), IV for three, I again.
    p.map->chords.push_back({"IV", 7, {0, 4, 7}, {}, "maj"});
    p.seg.chords = {{0, kMeasure, 0},
                    {kMeasure, 2 * kMeasure, 0},
                    {3 * kMeasure, 3 * kMeasure, 1},
                    {6 * kMeasure, 3 * kMeasure, 0}};
    EXPECT_NEAR(Analyze(p.seg).chordChangesPerMeasure, 2.0 / 9, 1e-9);
}

TEST(Analyze, VariationChangesAndHowManyEachPartPlaysPer64Measures) {
    Piece p(128);
    p.seg.patternNames.assign(128, "A");
    p.seg.embellishments.assign(128, Embellishment::Normal);
    for (int m = 0; m < 128; ++m) // the first part moves on each phrase; the second once, off it
        p.seg.variations.push_back({(m / 4) % 3, m == 5 ? 1 : -1});
    const Analysis a = Analyze(p.seg);
    EXPECT_EQ(a.variationChanges, 33);
    EXPECT_EQ(a.variationChangesOffPhrase, 2);
    EXPECT_EQ(a.fewestVariationsPer64, 1); // the second part plays only its own bar in 64-127
}
