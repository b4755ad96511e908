#pragma once
// What happens at the table, told to whoever listens. The game calls its
// observer on the UI thread after its own state has changed; a pair, a set or
// a match is told as its modal message opens, before the counters change once
// the player has read it, so the answer is not held back until then. A late
// move's MoveEnded comes before the moment that ended it. The game knows
// nothing of who listens or what they make of it.

#include <cstdint>

namespace lumbrast::game {

enum class GameMoment : std::uint8_t {
    PairScored3,   // a pair worth 3 points
    PairScored2,   // ... 2 points
    PairScored1,   // ... 1 point
    Miss,          // two pieces that are not a pair
    TurnTimedOut,  // the move clock passed the turn to the other player
    MoveClockLate, // the move clock entered the last quarter of the move (at least 3 s)
    MoveEnded,     // the move that was late ended, however it ended
    SetWon,
    MatchWon,
    Paused,
    Resumed,
};

class GameObserver {
public:
    virtual void gameMoment(GameMoment moment) = 0;

protected:
    ~GameObserver() = default;
};

} // namespace lumbrast::game
