#include "app/gamefollower.h"

#include "music/window/musicwindowhost.h"

namespace lumbrast::app {

musicwindow::GameCue cueFor(game::GameMoment moment) {
    using game::GameMoment;
    using musicwindow::GameCue;
    switch (moment) {
    case GameMoment::PairScored3:
        return GameCue::PairScored3;
    case GameMoment::PairScored2:
        return GameCue::PairScored2;
    case GameMoment::PairScored1:
        return GameCue::PairScored1;
    case GameMoment::Miss:
        return GameCue::Miss;
    case GameMoment::TurnTimedOut:
        return GameCue::TurnTimedOut;
    case GameMoment::MoveClockLate:
        return GameCue::TensionOn;
    case GameMoment::MoveEnded:
        return GameCue::TensionOff;
    case GameMoment::SetWon:
        return GameCue::SetWon;
    case GameMoment::MatchWon:
        return GameCue::MatchWon;
    case GameMoment::Paused:
        return GameCue::Paused;
    case GameMoment::Resumed:
        return GameCue::Resumed;
    }
    return GameCue::Miss; // unreachable: every moment is listed above
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
