// The sequencer: what falls due when, the notes it sends and the synthesis
// between them. Everything here runs with the engine's lock held.
#include "engine.h"

#include <fluidsynth.h>

#include <algorithm>
#include <limits>

namespace lumbrast::music::detail {

std::int64_t Engine::posOf(std::int64_t sample) const {
    return anchorU_ + (sample - anchorSample_) * tempoMilli_ * kTicksPerBeat;
}

std::int64_t Engine::sampleOf(std::int64_t u) const {
    return anchorSample_ + ceilDiv(u - anchorU_, tempoMilli_ * kTicksPerBeat);
}

bool Engine::nextItem(const Running &r, std::int64_t &u, int &priority) const {
    if (!r.started) {
        u = r.startU;
        priority = 0;
        return true;
    }
    const std::int64_t len = r.data->length;
    const std::int64_t loopBase = r.startU + r.loop * len * uPerTick_;
    u = loopBase + len * uPerTick_;
    priority = 4; // end of this pass
    if (r.cursor < r.events().size()) {
        const MidiEvent &e = r.events()[r.cursor];
        std::int64_t eu = loopBase + e.tick * uPerTick_;
        if (eu <= u) { // a note at the very end still comes before the end
            u = eu;
            priority = e.kind == MidiEvent::NoteOff ? 1 : 3;
        }
    }
    if (r.primary && r.beat < r.beatsPerLoop * (r.loop + 1)) {
        std::int64_t bu = r.startU + r.beat * kTicksPerBeat * uPerTick_;
        if (bu < u || (bu == u && 2 < priority)) {
            u = bu;
            priority = 2;
        }
    }
    return true;
}

void Engine::runDue() {
    while (true) {
        std::size_t best = running_.size();
        std::int64_t bestU = std::numeric_limits<std::int64_t>::max();
        int bestP = 9;
        for (std::size_t i = 0; i < running_.size(); ++i) {
            std::int64_t u;
            int p;
            if (!nextItem(running_[i], u, p))
                continue;
            if (u > nowU_)
                continue;
            if (u < bestU || (u == bestU && p < bestP)) {
                best = i;
                bestU = u;
                bestP = p;
            }
        }
        if (best == running_.size())
            return;
        if (bestP == 0 && running_[best].deferred)
            best = takeOver(best);
        Running &r = running_[best];
        switch (bestP) {
        case 0:
            startState(r);
            break;
        case 1:
        case 3:
            send(r.events()[r.cursor], &r);
            ++r.cursor;
            break;
        case 2: {
            int bpm = std::max<int>(1, r.data->timeSig.beatsPerMeasure);
            notice(kNotifyMeasureAndBeat, 0, static_cast<std::int32_t>(r.beat % bpm),
                   static_cast<std::int32_t>(r.beat / bpm), r.state);
            ++r.beat;
            break;
        }
        default:
            if (r.loopsLeft > 0 && r.data->length > 0) {
                --r.loopsLeft;
                ++r.loop;
                r.cursor = 0;
            } else {
                finish(best, kSegmentEnd);
            }
            break;
        }
    }
}

void Engine::startState(Running &r) {
    r.started = true;
    r.state->setStartSample(now_);
    if (r.primary && r.data->kind == Segment::Kind::Composed) {
        if (!r.deferred)
            setTempoLocked(r.data->tempo);
        r.beatsPerLoop =
            static_cast<std::int64_t>(r.data->measures) * r.data->timeSig.beatsPerMeasure;
    }
    r.deferred = false; // from here on it is the primary that plays
    if (r.data->kind == Segment::Kind::Motif)
        placeMotif(r);
    notice(kNotifySegment, kSegmentStart, 0, 0, r.state);
}

void Engine::placeMotif(Running &r) {
    const SegmentData &d = *r.data;
    const Running *p = primary();
    std::mt19937 rng(static_cast<std::uint32_t>(r.state->id() * 2654435761u));
    auto jitter = [&](int range) {
        return range > 0 ? std::uniform_int_distribution<int>(-range, range)(rng) : 0;
    };
    r.own.clear();
    for (const Part &part : d.motifParts) {
        int ht = part.humanTime >= 0 ? part.humanTime : d.humanTime;
        int hv = part.humanVelocity >= 0 ? part.humanVelocity : d.humanVelocity;
        for (const PatternNote &n : part.notes) {
            if (n.chance < 100 && std::uniform_int_distribution<int>(1, 100)(rng) > n.chance)
                continue;
            ChordContext chord = DefaultChord();
            if (p && p->data->kind == Segment::Kind::Composed) {
                std::int64_t at = (r.startU - p->startU) / uPerTick_ + n.start;
                chord = ChordAt(*p->data, at);
            }
            int key = ResolveKey(n, part, chord);
            std::int64_t on = std::max<std::int64_t>(0, n.start + jitter(ht));
            std::int64_t off = std::min<std::int64_t>(d.length, n.start + n.length);
            if (off <= on)
                continue;
            int vel = std::clamp(n.velocity + jitter(hv), 1, 127);
            r.own.push_back({on, MidiEvent::NoteOn, static_cast<std::uint8_t>(part.channel),
                             static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(vel)});
            r.own.push_back({off, MidiEvent::NoteOff, static_cast<std::uint8_t>(part.channel),
                             static_cast<std::uint8_t>(key), 0});
        }
    }
    std::stable_sort(r.own.begin(), r.own.end());
    r.cursor = 0;
}

void Engine::send(const MidiEvent &e, Running *r) {
    PlayedEvent pe{PlayedEvent::Kind::NoteOn, e.channel, e.data1, e.data2, now_,
                   r ? r->state->id() : 0};
    switch (e.kind) {
    case MidiEvent::NoteOn:
        fluid_synth_noteon(synth_, e.channel, e.data1, e.data2);
        if (r)
            r->sounding.emplace_back(e.channel, e.data1);
        break;
    case MidiEvent::NoteOff:
        pe.kind = PlayedEvent::Kind::NoteOff;
        fluid_synth_noteoff(synth_, e.channel, e.data1);
        if (r) {
            auto it = std::find(r->sounding.begin(), r->sounding.end(),
                                std::make_pair(e.channel, e.data1));
            if (it != r->sounding.end())
                r->sounding.erase(it);
        }
        break;
    case MidiEvent::Program:
        pe.kind = PlayedEvent::Kind::Program;
        if (e.channel != 9)
            fluid_synth_bank_select(synth_, e.channel, e.data2);
        fluid_synth_program_change(synth_, e.channel, e.data1);
        break;
    case MidiEvent::Control:
        pe.kind = PlayedEvent::Kind::Control;
        fluid_synth_cc(synth_, e.channel, e.data1, e.data2);
        break;
    }
    if (tap_)
        tap_(pe);
}

void Engine::silence(Running &r) {
    auto sounding = std::move(r.sounding);
    r.sounding.clear();
    for (auto [ch, key] : sounding)
        send({0, MidiEvent::NoteOff, ch, key, 0}, &r); // each off in the name of its state
}

void Engine::finish(std::size_t index, std::uint32_t option) {
    Running r = std::move(running_[index]);
    running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(index));
    silence(r);
    notice(kNotifySegment, option, 0, 0, r.state);
}

void Engine::render(std::int64_t frames, float *left, float *right, std::int64_t offset) {
    if (frames <= 0 || output_ == AudioOutput::RealTimeSilent)
        return; // nobody hears it
    float *out[2] = {left + offset, right + offset};
    float *fx[4] = {out[0], out[1], out[0], out[1]};
    fluid_synth_process(synth_, static_cast<int>(frames), 4, fx, 2, out);
}

void Engine::process(std::int64_t frames, float *left, float *right) {
    const std::int64_t begin = now_;
    const std::int64_t end = now_ + frames;
    runDue();
    while (now_ < end) {
        std::int64_t next = end;
        for (const auto &r : running_) {
            std::int64_t u;
            int p;
            if (nextItem(r, u, p))
                next = std::min(next, sampleOf(u));
        }
        next = std::max(next, now_ + 1);
        render(next - now_, left, right, now_ - begin);
        now_ = next;
        nowU_ = posOf(now_);
        runDue();
    }
    // What the composed primary plays now, for the loudness follower.
    const Running *p = primary();
    if (p && !p->data->energy.empty() && p->data->length > 0) {
        const std::int64_t tick = ((nowU_ - p->startU) / uPerTick_) % p->data->length;
        const auto m = static_cast<std::size_t>(std::max<std::int64_t>(0, tick) *
                                                p->data->measures / p->data->length);
        master_.expect(p->data->energy[std::min(m, p->data->energy.size() - 1)]);
    }
}

} // namespace lumbrast::music::detail
