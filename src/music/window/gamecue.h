#pragma once
// The moments of the game the music answers when it follows the game. The
// music knows no game: the application turns the game's moments into these.

#include <cstdint>

namespace lumbrast::musicwindow {

enum class GameCue : std::uint8_t {
    PairScored3, // a bright motif on the next beat
    PairScored2,
    PairScored1, // a plainer one
    Miss,        // a soft motif, or nothing, as the style says
    TurnTimedOut,
    TensionOn,  // the move clock runs out: tension rises
    TensionOff, // the move ended: tension released
    SetWon,     // a cadence to the end signpost, then a fresh section
    MatchWon,   // the style's end, then a new composition
    Paused,     // the music quietens
    Resumed,    // and comes back
};

} // namespace lumbrast::musicwindow
