// Inner steps of the composer, open to tests and the command-line tool.
#pragma once

#include "model.h"

#include <random>

namespace lumbrast::music::detail {

using Rng = std::mt19937_64;

// Groove level (1-100) for each measure of a shape. See docs/music-composer.md.
std::vector<int> GrooveCurve(int shape, int measures, int phraseMeasures, Rng &rng);

// SONG's section at a measure: 0 verse, 1 chorus, 2 bridge; each two phrases long.
int SongSection(int measure, int phraseMeasures);

// Embellishment wanted for each measure, before patterns are chosen.
std::vector<Embellishment> PlanEmbellishments(const std::vector<int> &groove, int shape,
                                              int phraseMeasures, bool intro, int introMeasures,
                                              bool end, int endMeasures, Rng &rng);

// The chord progression over `measures` measures, beats per measure `bpm`.
// In SONG (`song`) the bridge's phrases move away from the opening chord: they
// start on another start signpost and pass it by while the graph allows.
std::vector<ChordSpan> WalkChords(const ChordMapData &map, int measures, int bpm, int activity,
                                  bool loopable, Rng &rng, bool song = false);

// One stretch of measures played by one pattern, and the bar each of its parts
// plays: -1 its own notes, otherwise the index of one of its variations.
struct Block {
    int measure = 0;
    int measures = 1;
    const Pattern *pattern = nullptr;
    std::vector<int> variations;
};

// How far `groove` lies outside the pattern's groove range (0: the range holds it).
int GrooveDistance(const Pattern &p, int groove);

// The patterns of a segment whose groove, embellishments and phrase starts are
// planned: normal patterns change only where a phrase starts, and each
// repetition picks every part's bar. Fills in the segment's pattern names and
// variations.
std::vector<Block> PlanPatterns(const StyleData &style, SegmentData &seg, int shape,
                                int phraseMeasures, const Pattern *intro, const Pattern *end,
                                Rng &rng);

// The notes of the blocks against the segment's chords, with the style's feel,
// into the segment's events.
void WriteNotes(const StyleData &style, const std::vector<Block> &blocks, SegmentData &seg,
                Rng &rng);

// Where a written tick sounds with `swing` (50-75): the second half of each beat
// starts `swing` percent into it, and the time between stretches to match.
std::int64_t Swing(std::int64_t tick, int swing);
// Velocity in percent at a written tick: `accent` more on the downbeat, half of it
// on the middle of an even measure, half of it less off the beat.
int Accent(std::int64_t tick, int beatsPerMeasure, int accent);

} // namespace lumbrast::music::detail
