#pragma once
// Short segments that lead the music that plays to a close: a cadence to the
// chord map's end signpost, or the style's ending.

#include "model.h"

#include <cstdint>
#include <vector>

namespace lumbrast::music {

enum class TransitionKind { Cadence, Ending };

// A primary segment to play from the next measure of `playing`, whose chord
// at `tick` (within it) it starts from: the chords still needed to reach an
// end signpost (from an end signpost: the chord map's cadence), the last one
// over the whole last measure, at the groove that plays there. An Ending
// lays the style's end pattern over the last measures. The chord map is the
// playing segment's own; `fallback` serves when it has none.
SegmentPtr ComposeTransition(const StylePtr &style, const ChordMapPtr &fallback,
                             const SegmentPtr &playing, std::int64_t tick, TransitionKind kind,
                             std::uint64_t seed);

// The same music aimed `lu` loudness units below its style's level, so the
// master brings it down rather than back up (a style without a level: as is).
SegmentPtr Quieter(const SegmentPtr &segment, double lu);

namespace detail {
// The chords after `from` on the shortest way to an end signpost, heaviest
// connection first; from an end signpost (or from -1) the cadence.
std::vector<int> ChordsToEnd(const ChordMapData &map, int from);
} // namespace detail

} // namespace lumbrast::music
