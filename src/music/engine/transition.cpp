#include "transition.h"

#include "composer.h"

#include <algorithm>

namespace lumbrast::music {

namespace detail {

std::vector<int> ChordsToEnd(const ChordMapData &map, int from) {
    std::vector<int> path;
    const auto dist = [&](int c) { return map.distanceToEnd.at(static_cast<std::size_t>(c)); };
    for (int c = from; c >= 0 && dist(c) > 0;) {
        const ChordEdge *best = nullptr;
        for (const ChordEdge &e : map.edges)
            if (e.from == c && dist(e.to) < dist(c) && (!best || e.weight > best->weight))
                best = &e;
        if (!best)
            break;
        c = best->to;
        path.push_back(c);
    }
    if (path.empty())
        path = map.cadence;
    if (path.empty() && !map.endSignposts.empty())
        path.push_back(map.endSignposts.front());
    return path;
}

namespace {

int chordIndexAt(const SegmentData &seg, std::int64_t tick) {
    int chord = -1;
    for (const ChordSpan &s : seg.chords)
        if (s.tick <= tick)
            chord = s.chord;
    return chord;
}

const Pattern *endPattern(const StyleData &style, int groove) {
    const Pattern *best = nullptr;
    for (const Pattern &p : style.patterns)
        if (p.embellishment == Embellishment::End &&
            (!best || GrooveDistance(p, groove) < GrooveDistance(*best, groove)))
            best = &p;
    return best;
}

} // namespace

} // namespace detail

SegmentPtr ComposeTransition(const StylePtr &style, const ChordMapPtr &fallback,
                             const SegmentPtr &playing, std::int64_t tick, TransitionKind kind,
                             std::uint64_t seed) {
    using namespace detail;
    if (!style || !fallback)
        throw MusicError(ErrorCode::InvalidArgument, "a close needs a style and a chord map");
    const StyleData &st = *style->data();
    const SegmentData *now = playing ? playing->data().get() : nullptr;
    const bool ownMap = now && now->chordMap && !now->chords.empty();
    const std::shared_ptr<const ChordMapData> map = ownMap ? now->chordMap : fallback->data();
    const int bpm = std::max<int>(1, st.timeSig.beatsPerMeasure);
    // What sounds just before the boundary.
    const std::int64_t last =
        now ? (tick > 0 ? tick - 1 : std::max<std::int64_t>(0, now->length - 1)) : 0;
    int groove = 50;
    if (now && !now->groove.empty()) {
        const auto m =
            static_cast<std::size_t>(last / now->timeSig.beatsPerMeasure / kTicksPerBeat);
        groove = now->groove[std::min(m, now->groove.size() - 1)];
    }
    const std::vector<int> chords = ChordsToEnd(*map, ownMap ? chordIndexAt(*now, last) : -1);
    if (chords.empty())
        throw MusicError(ErrorCode::InvalidArgument, "the chord map has no end signpost");

    Rng rng(seed * 0x9E3779B97F4A7C15ULL + 7);
    const Pattern *end = kind == TransitionKind::Ending ? endPattern(st, groove) : nullptr;
    // The chords before the last take two beats each, in whole measures.
    const int before = static_cast<int>(chords.size()) - 1;
    const int leadMeasures = (2 * before + bpm - 1) / bpm;
    const int lastMeasures = end ? end->measures : 1;

    auto seg = std::make_shared<SegmentData>();
    seg->name =
        st.name + " / " + map->name + (kind == TransitionKind::Ending ? " / ending" : " / cadence");
    seg->timeSig = st.timeSig;
    seg->tempo = st.tempo;
    seg->loudness = st.loudness;
    seg->measures = leadMeasures + lastMeasures;
    seg->length = seg->measures * st.measureTicks();
    seg->chordMap = map;
    if (!st.bands.empty())
        seg->band = st.bands.front()->members;
    const std::int64_t lead = std::int64_t{leadMeasures} * bpm;
    for (int i = 0; i < before; ++i) {
        const std::int64_t from = lead * i / before, to = lead * (i + 1) / before;
        seg->chords.push_back({from * kTicksPerBeat, (to - from) * kTicksPerBeat,
                               chords[static_cast<std::size_t>(i)]});
    }
    seg->chords.push_back(
        {lead * kTicksPerBeat, std::int64_t{lastMeasures} * st.measureTicks(), chords.back()});
    const auto measures = static_cast<std::size_t>(seg->measures);
    seg->groove.assign(measures, groove);
    seg->embellishments.assign(measures, Embellishment::Normal);
    if (end)
        std::fill(seg->embellishments.begin() + leadMeasures, seg->embellishments.end(),
                  Embellishment::End);
    const std::vector<Block> blocks =
        PlanPatterns(st, *seg, static_cast<int>(Shape::Level), seg->measures, nullptr, end, rng);
    WriteNotes(st, blocks, *seg, rng);
    return std::make_shared<Segment>(seg);
}

SegmentPtr Quieter(const SegmentPtr &segment, double lu) {
    if (!segment || segment->data()->loudness == 0)
        return segment;
    auto d = std::make_shared<detail::SegmentData>(*segment->data());
    d->loudness = std::max(-40.0, d->loudness - lu);
    return std::make_shared<Segment>(d);
}

} // namespace lumbrast::music
