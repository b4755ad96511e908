#pragma once
// The moments of a game a style answers with one of its motifs, named in the
// style's [moments] table.

#include "model.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumbrast::music {

enum class Moment : std::uint8_t { Pair3, Pair2, Pair1, Miss, Timeout, Tension };
inline constexpr int kMomentCount = 6;

// The moment's key in [moments].
inline constexpr std::string_view kMomentKeys[kMomentCount] = {"pair3", "pair2",   "pair1",
                                                               "miss",  "timeout", "tension"};
inline std::string_view MomentKey(Moment m) {
    return kMomentKeys[static_cast<int>(m)];
}

// The motif a style plays at a moment, or empty for silence: the one its
// [moments] table names (if the style has it); without the table the first,
// second and third motif answer pairs of 3, 2 and 1 points and the rest is silent.
std::string MomentMotif(const detail::StyleData &style, Moment m);

// One line for each moment that names a motif the style does not have.
std::vector<std::string> MomentWarnings(const detail::StyleData &style);

} // namespace lumbrast::music
