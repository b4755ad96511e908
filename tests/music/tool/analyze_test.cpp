// Analyze on small hand-made compositions whose figures are known.
#include "analyze.h"

#include <gtest/gtest.h>

#include <tuple>

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
        const auto ch = static_cast<std::uint8_t>(channel), k = static_cast<std::uint8_t>(key);
        seg.events.push_back({on, MidiEvent::NoteOn, ch, k, 90, flags});
        seg.events.push_back({on + length, MidiEvent::NoteOff, ch, k, 0});
        std::stable_sort(seg.events.begin(), seg.events.end());
    }
};

} // namespace

TEST(Analyze, ClashesNeedASustainedMinorSecondAgainstAChordToneAndSparePassingNotes) {
    Piece p(4);                     // over D major: D F# A
    p.note(0, 2 * kBeat, 0, 66);    // F#, a chord tone
    p.note(0, 2 * kBeat, 1, 79);    // G an octave and a half step up: a minor ninth
    p.note(kMeasure, kBeat, 0, 69); // A
    p.note(kMeasure, kBeat, 1, 70, MidiEvent::Passing);     // Bb marked as passing
    p.note(2 * kMeasure, kBeat, 0, 74);                     // D
    p.note(2 * kMeasure + kBeat - kBeat / 4, kBeat, 1, 73); // C# meets it for a sixteenth only
    p.note(3 * kMeasure, 2 * kBeat, 0, 74);                 // D
    p.note(3 * kMeasure, 2 * kBeat, 0, 75); // Eb in the same part: a voicing, not a clash
    p.note(3 * kMeasure, 2 * kBeat, 9, 73); // C# on the drums: never a clash
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
    EXPECT_EQ(std::pair(a.bassLeaps, a.widestBassLeap), std::pair(2, 12));
    std::vector<std::tuple<std::int64_t, int, int>> where;
    for (const BassLeap &l : a.leaps)
        where.emplace_back(l.tick, l.from, l.to);
    EXPECT_EQ(where, (decltype(where){{2 * kBeat, 43, 55}, {kMeasure, 48, 40}}));
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
    EXPECT_EQ(std::tuple(a.repeatPitched, a.repeatAll, a.repeatDrums, a.distinct),
              std::tuple(8, 8, 12, 6));
    EXPECT_NEAR(a.textureShare, 1.0, 1e-9);                      // one rhythm everywhere
    EXPECT_EQ(Analyze(detail::SegmentData{}).textureShare, 0.0); // nothing to share
}

TEST(Analyze, OnsetSpreadIsTheWidestGapBetweenNotesWrittenTogetherStrumsApart) {
    Piece p(1);
    p.note(0, kBeat, 0, 60);
    p.note(12, kBeat, 1, 64); // 12 ticks at 120 bpm: 12.5 ms
    p.note(kBeat, kBeat, 0, 62);
    p.note(kBeat + kBeat / 4 - 2, kBeat, 1, 65);       // the next grid point: not together
    p.note(2 * kBeat, kBeat, 2, 60, MidiEvent::Strum); // a strum, apart from the spread
    p.note(2 * kBeat + 19, kBeat, 2, 64, MidiEvent::Strum);
    const Analysis a = Analyze(p.seg);
    EXPECT_NEAR(a.onsetSpreadMs, 12.5, 1e-9);
    EXPECT_NEAR(a.strumMs, 19 * 125 / 120.0, 1e-9);
}

TEST(Analyze, PatternAndVariationChangesWithFillsAside) {
    Piece p(128);
    // A for three measures, a fill, B for two and C from then on: A -> B at the phrase,
    // B -> C inside it (phrases of 4 from the chord map).
    p.seg.patternNames = {"A", "A", "A", "F", "B", "B"};
    p.seg.patternNames.resize(128, "C");
    p.seg.embellishments.assign(128, Embellishment::Normal);
    p.seg.embellishments[3] = Embellishment::Fill;
    Analysis a = Analyze(p.seg);
    EXPECT_EQ(std::tuple(a.patternChanges, a.patternChangesOffPhrase, a.variationChanges),
              std::tuple(2, 1, -1)); // no variations recorded
    // The first part moves on each phrase, the change into B not counted; the second once,
    // off the phrase, and in 64-127 plays only its own bar.
    for (int m = 0; m < 128; ++m)
        p.seg.variations.push_back({(m / 4) % 3, m == 7 ? 1 : -1});
    a = Analyze(p.seg);
    EXPECT_EQ(std::tuple(a.variationChanges, a.variationChangesOffPhrase, a.fewestVariationsPer64),
              std::tuple(31, 1, 1));
}
