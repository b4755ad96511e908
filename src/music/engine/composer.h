// Inner steps of the composer, open to tests and the command-line tool.
#pragma once

#include "model.h"

#include <random>

namespace lumbrast::music::detail {

using Rng = std::mt19937_64;

// Groove level (1-100) for each measure of a shape. See docs/music-composer.md.
std::vector<int> GrooveCurve(int shape, int measures, int phraseMeasures, Rng &rng);

// Embellishment wanted for each measure, before patterns are chosen.
std::vector<Embellishment> PlanEmbellishments(const std::vector<int> &groove, int shape,
                                              int phraseMeasures, bool intro, int introMeasures,
                                              bool end, int endMeasures, Rng &rng);

// The chord progression over `measures` measures, beats per measure `bpm`.
std::vector<ChordSpan> WalkChords(const ChordMapData &map, int measures, int bpm, int activity,
                                  bool loopable, Rng &rng);

} // namespace lumbrast::music::detail
