// Primaries that wait for a boundary or for their turn, and the position of
// the one that plays: what lets the music change course without a cut.
#include "engine.h"

#include <algorithm>

namespace lumbrast::music::detail {

void Engine::placeDeferred(Running &r, std::uint32_t flags) {
    r.deferred = true;
    if (flags & kPlayQueue) {
        // After the last in line: those waiting take over from the one that plays.
        const bool waiting = std::any_of(running_.begin(), running_.end(),
                                         [](const Running &o) { return o.deferred; });
        std::int64_t end = nowU_;
        for (const auto &o : running_)
            if (o.primary && o.deferred == waiting) {
                const auto passes = static_cast<std::int64_t>(o.loop + o.loopsLeft + 1);
                end = std::max(end, o.startU + passes * o.data->length * uPerTick_);
            }
        r.startU = end;
        return;
    }
    for (std::size_t i = running_.size(); i-- > 0;)
        if (running_[i].deferred)
            finish(i, kSegmentAbort);
    r.startU = boundaryAfterNow(flags & (kPlayGrid | kPlayBeat | kPlayMeasure));
}

std::size_t Engine::takeOver(std::size_t index) {
    const SegmentState *mine = running_[index].state.get();
    for (std::size_t i = running_.size(); i-- > 0;)
        if (running_[i].primary && !running_[i].deferred)
            finish(i, kSegmentAbort);
    for (std::size_t i = 0; i < running_.size(); ++i)
        if (running_[i].state.get() == mine) {
            if (running_[i].data->kind == Segment::Kind::Composed)
                master_.setTarget(running_[i].data->loudness, running_[i].data->energyMean);
            return i;
        }
    return running_.size(); // not reached: finish never removes the one taking over
}

void Engine::endAfterPass(const SegmentState *state) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &r : running_)
        if (r.state.get() == state)
            r.loopsLeft = 0;
}

Performance::PrimaryPosition Engine::playingPrimary(std::uint32_t boundary) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Running *p = primary();
    if (!p || uPerTick_ <= 0)
        return {};
    std::int64_t tick = (boundaryAfterNow(boundary) - p->startU) / uPerTick_;
    if (p->data->length > 0)
        tick %= p->data->length;
    return {p->state->GetSegment(), tick};
}

} // namespace lumbrast::music::detail
