#include "music/window/follower.h"

#include "music/engine/moments.h"
#include "music/engine/transition.h"
#include "music/window/frmstylesdx9.h"
#include "music/window/frmstylesdx9_detail.h"
#include "music/window/musicpublic.h"

#include <QtGlobal>

#include <iterator>

namespace lumbrast::musicwindow {

namespace mus = lumbrast::music;
using detail::need;

namespace {

// Repeats of the tension motif: more than any move clock's last seconds.
constexpr std::uint32_t kTensionRepeats = 1000;
// How far a pause brings the music below the style's level.
constexpr double kQuietLu = 6;

} // namespace

Follower &frmStylesDX9::follower() {
    if (!follower_)
        follower_ = std::make_unique<Follower>(*this);
    return *follower_;
}

void Follower::cue(GameCue cue) {
    try {
        if (cue == GameCue::TensionOff)
            return tension(false); // also when the music stopped under it
        if (!w_.Perf || !w_.CurStyle || !w_.Perf->PlayingPrimary(0).segment) {
            if (cue == GameCue::Resumed)
                quiet_ = false; // the next music comes as chosen
            return;             // no music: nothing to answer
        }
        // The first five cues are answered by the style's motif for them.
        static constexpr mus::Moment kMotif[] = {mus::Moment::Pair3, mus::Moment::Pair2,
                                                 mus::Moment::Pair1, mus::Moment::Miss,
                                                 mus::Moment::Timeout};
        if (const auto i = static_cast<std::size_t>(cue); i < std::size(kMotif))
            return answer(kMotif[i]);
        switch (cue) {
        case GameCue::TensionOn:
            return tension(true);
        case GameCue::SetWon:
        case GameCue::MatchWon:
            return close(cue == GameCue::MatchWon);
        case GameCue::Paused:
        case GameCue::Resumed:
            return quieten(cue == GameCue::Paused);
        default:
            return; // TensionOff was answered above
        }
    } catch (const std::exception &e) {
        qWarning("The music could not answer the game: %s", e.what());
    }
}

void Follower::reset() {
    cue(GameCue::TensionOff);
    cue(GameCue::Resumed);
}

void Follower::answer(mus::Moment moment) {
    mus::Performance &perf = need(w_.Perf);
    // One motif per moment: an answer still waiting for its beat stands for
    // every cue that comes before that beat.
    if (answer_ && answer_->GetStartSample() < 0 && perf.IsPlaying(nullptr, answer_))
        return;
    const std::string name = mus::MomentMotif(*w_.CurStyle->data(), moment);
    if (name.empty())
        return;
    answer_ = perf.PlaySegmentEx(w_.CurStyle->GetMotif(name), mus::kPlaySecondary | mus::kPlayBeat);
}

void Follower::tension(bool on) {
    mus::Performance &perf = need(w_.Perf);
    if (!on) {
        if (tension_)
            perf.EndAfterPass(tension_); // released where its phrase ends
        tension_.reset();
        return;
    }
    if ((tension_ && perf.IsPlaying(nullptr, tension_)) || !w_.CurStyle)
        return;
    const std::string name = mus::MomentMotif(*w_.CurStyle->data(), mus::Moment::Tension);
    if (name.empty())
        return;
    const mus::SegmentPtr motif = w_.CurStyle->GetMotif(name);
    // Repeats are read at the start of play; the motif list plays it once.
    motif->SetRepeats(kTensionRepeats);
    tension_ = perf.PlaySegmentEx(motif, mus::kPlaySecondary | mus::kPlayBeat);
    motif->SetRepeats(0);
}

void Follower::close(bool ending) {
    mus::Performance &perf = need(w_.Perf);
    tension(false);
    const mus::Performance::PrimaryPosition at = perf.PlayingPrimary(mus::kPlayMeasure);
    const mus::SegmentPtr last =
        mus::ComposeTransition(w_.CurStyle, w_.CurChordMap, at.segment, at.tick,
                               ending ? mus::TransitionKind::Ending : mus::TransitionKind::Cadence,
                               static_cast<std::uint64_t>(perf.GetSampleTime()) + ++closes_);
    last->Download(perf.GetDefaultAudioPath());
    const mus::SegmentPtr fresh = compose();
    perf.PlaySegmentEx(last, mus::kPlayMeasure);
    perf.PlaySegmentEx(fresh, mus::kPlayQueue);
}

void Follower::quieten(bool quiet) {
    if (quiet == quiet_)
        return;
    quiet_ = quiet;
    need(w_.Perf).PlaySegmentEx(compose(), mus::kPlayMeasure);
}

mus::SegmentPtr Follower::compose() {
    const int shape = quiet_ ? static_cast<int>(mus::Shape::Quiet) : this->shape();
    mus::SegmentPtr s =
        need(w_.Composer)
            .ComposeSegmentFromShape(w_.CurStyle, modMusicPublic::ComposeLength, shape, 1, false,
                                     w_.ComposeEnd != 0, w_.CurChordMap);
    if (quiet_) // else the master would bring the calm music back up to the style's level
        s = mus::Quieter(s, kQuietLu);
    s->Download(need(w_.Perf).GetDefaultAudioPath());
    w_.MainSegment = s; // Play and Stop, and the notices, speak of it from now on
    return s;
}

int Follower::shape() const {
    bool ok = false;
    const int s = modMusicPublic::ShapeIndexText.toInt(&ok);
    return ok && s >= 0 && s < mus::kShapeCount ? s : static_cast<int>(mus::Shape::Level);
}

} // namespace lumbrast::musicwindow
