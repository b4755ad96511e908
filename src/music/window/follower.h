#pragma once
// Follower: answers the game's moments in the music of the style player, in
// the music's own time. Motifs start on the next beat; a set won closes on
// the end signpost and a match won with the style's end, each from the next
// measure, before a fresh composition; a pause quietens the music from the
// next measure until the game resumes. With no music playing nothing happens.

#include "music/engine/musicservice.h"
#include "music/window/gamecue.h"

#include <cstdint>

namespace lumbrast::music {
enum class Moment : std::uint8_t;
}

namespace lumbrast::musicwindow {

class frmStylesDX9;

class Follower {
public:
    explicit Follower(frmStylesDX9 &window) : w_(window) {}

    // Never throws and never shows a box: a moment that cannot be answered
    // passes in silence, with one line on standard error.
    void cue(GameCue cue);
    // Releases tension and ends a pause, as when following is turned off.
    void reset();

private:
    void answer(music::Moment moment);
    void tension(bool on);
    void close(bool ending);
    void quieten(bool quiet);
    // A fresh composition with the window's length, QUIET and softer while
    // paused, else in the chosen shape; it becomes MainSegment.
    music::SegmentPtr compose();
    int shape() const;

    frmStylesDX9 &w_;
    music::SegmentStatePtr answer_;  // the latest motif answer
    music::SegmentStatePtr tension_; // the tension motif while it repeats
    bool quiet_ = false;
    std::uint64_t closes_ = 0;
};

} // namespace lumbrast::musicwindow
