#pragma once
// Hands the game's moments to the style player as its cues, while the player
// follows the game (Music > "Follow the game").

#include <functional>

#include "game/gameobserver.h"
#include "music/window/gamecue.h"

namespace lumbrast::musicwindow {
class MusicWindowHost;
}

namespace lumbrast::app {

musicwindow::GameCue cueFor(game::GameMoment moment);

class GameFollower final : public game::GameObserver {
public:
    using Sink = std::function<void(musicwindow::GameCue)>;

    explicit GameFollower(musicwindow::MusicWindowHost &host) : host_(host) {}
    // Cues go to `sink` instead of the host (tests listen there); empty: the host again.
    void setSink(Sink sink) { sink_ = std::move(sink); }

    void gameMoment(game::GameMoment moment) override;

private:
    musicwindow::MusicWindowHost &host_;
    Sink sink_;
};

} // namespace lumbrast::app
