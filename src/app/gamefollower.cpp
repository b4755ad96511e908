#include "app/gamefollower.h"

#include "music/window/musicwindowhost.h"

#include <iterator>

namespace lumbrast::app {

musicwindow::GameCue cueFor(game::GameMoment moment) {
    using musicwindow::GameCue;
    // In the order of GameMoment: the late clock is the music's tension.
    static constexpr GameCue kCues[] = {
        GameCue::PairScored3,  GameCue::PairScored2, GameCue::PairScored1, GameCue::Miss,
        GameCue::TurnTimedOut, GameCue::TensionOn,   GameCue::TensionOff,  GameCue::SetWon,
        GameCue::MatchWon,     GameCue::Paused,      GameCue::Resumed};
    static_assert(std::size(kCues) == static_cast<std::size_t>(game::GameMoment::Resumed) + 1);
    return kCues[static_cast<std::size_t>(moment)];
}

void GameFollower::gameMoment(game::GameMoment moment) {
    if (!host_.followsGame())
        return;
    const musicwindow::GameCue cue = cueFor(moment);
    if (sink_)
        sink_(cue);
    else
        host_.gameCue(cue);
}

} // namespace lumbrast::app
