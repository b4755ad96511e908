// The composer: groove curve from the shape, chords walked along the chord
// map's graph, patterns chosen by groove and embellishment, notes placed
// against the chords and humanised.
#include "composer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

namespace lumbrast::music {

namespace detail {

namespace {

double smooth(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

int pick(Rng &rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}
bool chance(Rng &rng, double p) {
    return std::uniform_real_distribution<double>(0, 1)(rng) < p;
}

} // namespace

std::vector<int> GrooveCurve(int shape, int measures, int phraseMeasures, Rng &rng) {
    std::vector<int> g(static_cast<std::size_t>(std::max(0, measures)), 50);
    const int phrase = std::max(1, phraseMeasures);
    int walk = 50;
    for (int m = 0; m < measures; ++m) {
        double x = measures > 1 ? static_cast<double>(m) / (measures - 1) : 0.5;
        double v = 50;
        switch (static_cast<Shape>(shape)) {
        case Shape::Falling:
            v = 85 - 65 * x;
            break;
        case Shape::Level:
        case Shape::Loopable:
            break; // stays at the middle
        case Shape::Loud:
            v = 85;
            break;
        case Shape::Quiet:
            v = 18;
            break;
        case Shape::Peaking:
            // Up to a peak at three fifths of the way, then down, ending above the start.
            v = x <= 0.6 ? 25 + 65 * smooth(x / 0.6) : 90 - 55 * smooth((x - 0.6) / 0.4);
            break;
        case Shape::Random:
            // A walk that steps at phrase starts, so a phrase keeps one feel.
            if (m > 0 && m % phrase == 0)
                walk = std::clamp(walk + pick(rng, -22, 22), 10, 95);
            v = walk;
            break;
        case Shape::Rising:
            v = 20 + 65 * x;
            break;
        case Shape::Song: {
            // Sections of two phrases: verse, chorus, verse, chorus, bridge, chorus.
            static const int levels[6] = {38, 78, 40, 80, 58, 84};
            int section = m / (2 * phrase);
            v = levels[section % 6];
            break;
        }
        }
        g[static_cast<std::size_t>(m)] = std::clamp(static_cast<int>(std::lround(v)), 1, 100);
    }
    return g;
}

std::vector<Embellishment> PlanEmbellishments(const std::vector<int> &groove, int shape,
                                              int phraseMeasures, bool intro, int introMeasures,
                                              bool end, int endMeasures, Rng &rng) {
    const int n = static_cast<int>(groove.size());
    std::vector<Embellishment> e(groove.size(), Embellishment::Normal);
    const int phrase = std::max(1, phraseMeasures);
    // Fills and breaks at the last measure of a phrase, looking at the next one.
    for (int m = phrase - 1; m + 1 < n; m += phrase) {
        int now = groove[static_cast<std::size_t>(m)];
        int next = groove[static_cast<std::size_t>(m + 1)];
        bool sectionChange = shape == static_cast<int>(Shape::Song) && (m + 1) % (2 * phrase) == 0;
        if (next <= now - 20 || (sectionChange && next > now && chance(rng, 0.5)))
            e[static_cast<std::size_t>(m)] = Embellishment::Break;
        else if (next >= now + 10 || sectionChange || ((m + 1) / phrase) % 2 == 0 ||
                 chance(rng, 0.25))
            e[static_cast<std::size_t>(m)] = Embellishment::Fill;
    }
    int endLen = end ? std::min(endMeasures, n) : 0;
    int introLen = intro ? std::min(introMeasures, n - endLen) : 0;
    for (int m = 0; m < introLen; ++m)
        e[static_cast<std::size_t>(m)] = Embellishment::Intro;
    for (int m = n - endLen; m < n; ++m)
        e[static_cast<std::size_t>(m)] = Embellishment::End;
    // A fill right before the ending would crowd it.
    if (endLen > 0 && n - endLen - 1 >= introLen &&
        e[static_cast<std::size_t>(n - endLen - 1)] != Embellishment::Normal)
        e[static_cast<std::size_t>(n - endLen - 1)] = Embellishment::Normal;
    return e;
}

namespace {

struct Walker {
    const ChordMapData &map;
    int bpm;
    int activity;
    Rng &rng;
    std::vector<ChordSpan> spans; // in beats while walking

    std::vector<int> distanceTo(const std::vector<int> &targets) const {
        const int n = static_cast<int>(map.chords.size());
        std::vector<int> d(static_cast<std::size_t>(n), 1 << 20);
        std::vector<int> q;
        for (int t : targets)
            if (d[static_cast<std::size_t>(t)] != 0) {
                d[static_cast<std::size_t>(t)] = 0;
                q.push_back(t);
            }
        for (std::size_t i = 0; i < q.size(); ++i)
            for (const auto &e : map.edges)
                if (e.to == q[i] &&
                    d[static_cast<std::size_t>(e.from)] > d[static_cast<std::size_t>(q[i])] + 1) {
                    d[static_cast<std::size_t>(e.from)] = d[static_cast<std::size_t>(q[i])] + 1;
                    q.push_back(e.from);
                }
        return d;
    }

    // Harmonic rhythm: activity 0 moves on any beat, 1 on half measures,
    // 2 and 3 on whole measures.
    int grid() const {
        if (activity <= 0)
            return 1;
        if (activity == 1)
            return bpm % 2 == 0 ? bpm / 2 : bpm;
        return bpm;
    }

    // How long the chord before edge `e` lasts, in harmonic-rhythm units:
    // activity 0 stays near the edge's shortest time, 3 near its longest.
    int duration(const ChordEdge &e) {
        const int h = grid();
        double target = e.minBeats + (e.maxBeats - e.minBeats) * activity / 3.0;
        std::vector<int> options;
        for (int d = h; d <= e.maxBeats; d += h)
            if (d >= e.minBeats)
                options.push_back(d / h);
        if (options.empty())
            return std::max(1, static_cast<int>(std::lround(target / h)));
        std::size_t best = 0;
        for (std::size_t i = 1; i < options.size(); ++i)
            if (std::fabs(options[i] * h - target) < std::fabs(options[best] * h - target))
                best = i;
        if (options.size() > 1 && chance(rng, 0.3)) {
            if (best + 1 < options.size() && (best == 0 || chance(rng, 0.5)))
                ++best;
            else if (best > 0)
                --best;
        }
        return options[best];
    }

    int choose(const std::vector<const ChordEdge *> &edges) {
        int total = 0;
        for (auto *e : edges)
            total += e->weight;
        int r = pick(rng, 1, std::max(1, total));
        for (std::size_t i = 0; i < edges.size(); ++i) {
            r -= edges[i]->weight;
            if (r <= 0)
                return static_cast<int>(i);
        }
        return 0;
    }

    // How long a chord that already ends the phrase may simply ring on: the
    // longest stay the activity allows on its edges.
    int maxHold(int chord) const {
        double m = 0;
        for (const auto &e : map.edges)
            if (e.from == chord)
                m = std::max(m, e.minBeats + (e.maxBeats - e.minBeats) * activity / 3.0);
        return m > 0 ? std::max(grid(), static_cast<int>(std::lround(m))) : 2 * bpm;
    }

    // Walks from `first` over [t, end) beats, finishing on a chord in
    // `targets`. Chords change on the harmonic-rhythm grid; a chord that still
    // needs k steps to reach a target always leaves room for k more chords.
    void walk(int first, int t, int end, const std::vector<int> &targets) {
        const std::vector<int> dist = distanceTo(targets);
        const int h = grid();
        int cur = first;
        while (t < end) {
            const int remaining = end - t;
            const int units = remaining / h;
            const int dc = dist[static_cast<std::size_t>(cur)];
            const bool urgent = dc > 0 && units <= 2 * (dc + 1);
            std::vector<const ChordEdge *> options;
            for (const auto &e : map.edges) {
                if (e.from != cur)
                    continue;
                int ds = dist[static_cast<std::size_t>(e.to)];
                if (ds >= (1 << 20) || units - 1 < 1 + ds)
                    continue;
                if (urgent && ds >= dc)
                    continue;
                options.push_back(&e);
            }
            if (options.empty() || (dc == 0 && remaining <= maxHold(cur))) {
                spans.push_back({t, remaining, cur});
                return;
            }
            const ChordEdge &e = *options[static_cast<std::size_t>(choose(options))];
            const int ds = dist[static_cast<std::size_t>(e.to)];
            const int d = std::clamp(duration(e), 1, units - 1 - ds) * h;
            spans.push_back({t, d, cur});
            t += d;
            cur = e.to;
        }
    }

    int startChord(int previous, const std::vector<int> &starts) {
        std::vector<const ChordEdge *> options;
        if (previous >= 0)
            for (const auto &e : map.edges)
                if (e.from == previous &&
                    std::find(starts.begin(), starts.end(), e.to) != starts.end())
                    options.push_back(&e);
        if (!options.empty())
            return options[static_cast<std::size_t>(choose(options))]->to;
        return starts[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(starts.size()) - 1))];
    }
};

} // namespace

std::vector<ChordSpan> WalkChords(const ChordMapData &map, int measures, int bpm, int activity,
                                  bool loopable, Rng &rng) {
    Walker w{map, bpm, activity, rng, {}};
    const int total = measures * bpm;
    if (total <= 0)
        return {};
    const int phrase = std::max(1, map.phraseMeasures) * bpm;

    // The closing progression: last chord over the last measure, the others
    // sharing the measure before it.
    std::vector<ChordSpan> cadence;
    if (!loopable && !map.cadence.empty()) {
        std::vector<int> cad = map.cadence;
        if (total < 2 * bpm)
            cad = {cad.back()};
        while (cad.size() > 1 && static_cast<int>(cad.size()) - 1 > bpm)
            cad.erase(cad.begin());
        int finalLen = total < 2 * bpm ? std::max(1, total / 2) : bpm;
        int t = total - finalLen;
        if (cad.size() > 1) {
            int k = static_cast<int>(cad.size()) - 1;
            int share = bpm / k;
            int first = bpm - share * (k - 1);
            t -= bpm;
            for (int i = 0; i < k; ++i) {
                int len = i == 0 ? first : share;
                cadence.push_back({t, len, cad[static_cast<std::size_t>(i)]});
                t += len;
            }
        }
        cadence.push_back({t, finalLen, cad.back()});
        if (cadence.front().tick < 1)
            cadence = {{total - finalLen, finalLen, cad.back()}};
    }
    const int walkEnd = cadence.empty() ? total : static_cast<int>(cadence.front().tick);

    int previous = -1;
    int opening = -1;
    for (int p0 = 0; p0 < walkEnd; p0 += phrase) {
        int p1 = std::min(p0 + phrase, walkEnd);
        int first = w.startChord(previous, map.startSignposts);
        if (opening < 0)
            opening = first;
        std::vector<int> targets = map.endSignposts;
        if (p1 == walkEnd) {
            // The last phrase leads into the cadence, or back to the opening chord.
            int into = loopable ? opening : (cadence.empty() ? -1 : cadence.front().chord);
            if (into >= 0) {
                std::vector<int> before;
                for (const auto &e : map.edges)
                    if (e.to == into &&
                        std::find(before.begin(), before.end(), e.from) == before.end())
                        before.push_back(e.from);
                std::vector<int> dist = w.distanceTo(before.empty() ? targets : before);
                if (!before.empty() && dist[static_cast<std::size_t>(first)] < (1 << 20))
                    targets = before;
            }
        }
        w.walk(first, p0, p1, targets);
        previous = w.spans.back().chord;
    }
    for (const auto &c : cadence)
        w.spans.push_back(c);
    for (auto &s : w.spans) {
        s.tick *= kTicksPerBeat;
        s.length *= kTicksPerBeat;
    }
    return w.spans;
}

namespace {

struct Note {
    std::int64_t on, off;
    int channel, key, velocity;
};

const Pattern *choosePattern(const StyleData &style, Embellishment e, int groove,
                             const Pattern *keep, Rng &rng) {
    std::vector<const Pattern *> holding, any;
    for (const auto &p : style.patterns) {
        if (p.embellishment != e)
            continue;
        any.push_back(&p);
        if (groove >= p.grooveLow && groove <= p.grooveHigh)
            holding.push_back(&p);
    }
    if (any.empty())
        return nullptr;
    if (holding.empty()) {
        // None covers this level: the nearest range.
        auto dist = [&](const Pattern *p) {
            return groove < p->grooveLow ? p->grooveLow - groove : groove - p->grooveHigh;
        };
        int best = 1 << 20;
        for (auto *p : any)
            best = std::min(best, dist(p));
        for (auto *p : any)
            if (dist(p) == best)
                holding.push_back(p);
    }
    if (keep && std::find(holding.begin(), holding.end(), keep) != holding.end() &&
        (holding.size() == 1 || chance(rng, 0.65)))
        return keep;
    if (keep && holding.size() > 1)
        holding.erase(std::remove(holding.begin(), holding.end(), keep), holding.end());
    return holding[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(holding.size()) - 1))];
}

} // namespace
} // namespace detail

Composer::Composer()
    : seed_(static_cast<std::uint64_t>(
                std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
            std::random_device{}()) {}
Composer::Composer(std::uint64_t seed) : seed_(seed) {}
void Composer::SetSeed(std::uint64_t seed) {
    seed_ = seed;
    compositions_ = 0;
}

SegmentPtr Composer::ComposeSegmentFromShape(const StylePtr &style, int measures, int shape,
                                             int activity, bool intro, bool end,
                                             const ChordMapPtr &chordMap) {
    using namespace detail;
    if (!style)
        throw MusicError(ErrorCode::InvalidArgument, "no style given to compose with");
    if (!chordMap)
        throw MusicError(ErrorCode::InvalidArgument, "no chord map given to compose with");
    if (measures < 0 || measures > 32767)
        throw MusicError(ErrorCode::InvalidArgument,
                         "length must be 0 to 32767 measures, not " + std::to_string(measures));
    if (shape < 0 || shape >= kShapeCount)
        throw MusicError(ErrorCode::InvalidArgument,
                         "shape must be 0 to 8, not " + std::to_string(shape));
    if (activity < 0 || activity > 3)
        throw MusicError(ErrorCode::InvalidArgument,
                         "activity must be 0 to 3, not " + std::to_string(activity));

    const StyleData &st = *style->data();
    const ChordMapData &map = *chordMap->data();
    Rng rng(seed_ * 0x9E3779B97F4A7C15ULL + (compositions_++) * 0xBF58476D1CE4E5B9ULL + 1);

    auto seg = std::make_shared<SegmentData>();
    seg->kind = Segment::Kind::Composed;
    seg->name = st.name + " / " + map.name + " / " + std::string(ShapeName(shape));
    seg->timeSig = st.timeSig;
    seg->tempo = st.tempo;
    seg->loudness = st.loudness;
    seg->measures = measures;
    const std::int64_t measureTicks = st.measureTicks();
    seg->length = measures * measureTicks;
    seg->chordMap = chordMap->data();
    // The instruments to make ready; no band events, so the band the listener
    // applied stays in effect when the segment starts or loops.
    if (!st.bands.empty())
        seg->band = st.bands.front()->members;
    if (measures == 0)
        return std::make_shared<Segment>(seg);

    const int bpm = st.timeSig.beatsPerMeasure;
    const bool loopable = shape == static_cast<int>(Shape::Loopable);
    seg->groove = GrooveCurve(shape, measures, map.phraseMeasures, rng);
    seg->chords = WalkChords(map, measures, bpm, activity, loopable, rng);

    const Pattern *introPattern =
        intro ? choosePattern(st, Embellishment::Intro, seg->groove.front(), nullptr, rng)
              : nullptr;
    const Pattern *endPattern =
        end ? choosePattern(st, Embellishment::End, seg->groove.back(), nullptr, rng) : nullptr;
    seg->embellishments =
        PlanEmbellishments(seg->groove, shape, map.phraseMeasures, introPattern != nullptr,
                           introPattern ? introPattern->measures : 0, endPattern != nullptr,
                           endPattern ? endPattern->measures : 0, rng);
    seg->patternNames.assign(static_cast<std::size_t>(measures), {});

    std::vector<Note> notes;
    notes.reserve(static_cast<std::size_t>(measures) * 48);
    auto nextChordChange = [&](std::int64_t tick) {
        auto it = std::upper_bound(seg->chords.begin(), seg->chords.end(), tick,
                                   [](std::int64_t t, const ChordSpan &c) { return t < c.tick; });
        return it == seg->chords.end() ? seg->length : it->tick;
    };

    const Pattern *current = nullptr;
    const int phrase = std::max(1, map.phraseMeasures);
    int m = 0;
    while (m < measures) {
        Embellishment want = seg->embellishments[static_cast<std::size_t>(m)];
        const int level = seg->groove[static_cast<std::size_t>(m)];
        const Pattern *p = nullptr;
        if (want == Embellishment::Intro)
            p = introPattern;
        else if (want == Embellishment::End)
            p = endPattern;
        else if (want != Embellishment::Normal)
            p = choosePattern(st, want, level, nullptr, rng);
        if (!p) {
            want = Embellishment::Normal;
            p = current = choosePattern(st, Embellishment::Normal, level, current, rng);
        }
        // The pattern runs while the same embellishment is wanted, and a normal
        // pattern starts afresh at each phrase.
        int run = 1;
        while (run < p->measures && m + run < measures &&
               seg->embellishments[static_cast<std::size_t>(m + run)] ==
                   seg->embellishments[static_cast<std::size_t>(m)] &&
               (want != Embellishment::Normal || (m + run) % phrase != 0))
            ++run;
        const std::int64_t base = m * measureTicks;
        const std::int64_t span = run * measureTicks;
        for (int k = 0; k < run; ++k)
            seg->patternNames[static_cast<std::size_t>(m + k)] = p->name;
        // Louder at higher groove, gently.
        const double dyn = 0.8 + 0.4 * level / 100.0;
        for (const Part &part : p->parts) {
            const int ht = part.humanTime >= 0 ? part.humanTime : st.humanTime;
            const int hv = part.humanVelocity >= 0 ? part.humanVelocity : st.humanVelocity;
            for (const PatternNote &n : part.notes) {
                if (n.start >= span)
                    break;
                if (n.chance < 100 && pick(rng, 1, 100) > n.chance)
                    continue;
                const std::int64_t written = base + n.start;
                std::int64_t on = written;
                if (ht > 0)
                    on = std::max<std::int64_t>(0, on + pick(rng, -ht, ht));
                int vel = std::clamp(static_cast<int>(std::lround(n.velocity * dyn)) +
                                         (hv > 0 ? pick(rng, -hv, hv) : 0),
                                     1, 127);
                const std::int64_t until = std::min<std::int64_t>(written + n.length, seg->length);
                if (n.kind == PatternNote::Kind::Key || part.voice == Voice::Fixed) {
                    if (until > on)
                        notes.push_back({on, until, part.channel, n.index, vel});
                    continue;
                }
                // A chord note that outlasts its chord is struck again on the new
                // chord (unless it is nearly over), so sustained parts follow the
                // harmony instead of clashing with it or falling silent.
                // A tone the new chord shares simply sustains, as a player would hold it.
                std::int64_t from = written;
                int key = ResolveKey(n, part, ChordAt(*seg, from));
                std::int64_t change = from;
                while (true) {
                    change = part.hold ? until : std::min(until, nextChordChange(change));
                    if (change >= until || until - change < kTicksPerBeat / 2) {
                        if (until > on)
                            notes.push_back(
                                {on, change >= until ? until : change, part.channel, key, vel});
                        break;
                    }
                    int next = ResolveKey(n, part, ChordAt(*seg, change));
                    if (next == key)
                        continue;
                    if (change > on)
                        notes.push_back({on, change, part.channel, key, vel});
                    on = change;
                    key = next;
                    vel = std::max(1, vel * 7 / 8);
                }
            }
        }
        m += run;
    }

    // A key struck again while it still sounds ends the earlier note there.
    std::stable_sort(notes.begin(), notes.end(),
                     [](const Note &a, const Note &b) { return a.on < b.on; });
    std::map<int, std::size_t> last;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        int id = notes[i].channel * 128 + notes[i].key;
        auto it = last.find(id);
        if (it != last.end()) {
            Note &prev = notes[it->second];
            if (prev.off > notes[i].on)
                prev.off = std::max(prev.on + 1, notes[i].on);
            if (prev.off > notes[i].on)
                notes[i].on = prev.off;
        }
        last[id] = i;
    }
    for (const Note &n : notes) {
        if (n.off <= n.on)
            continue;
        auto ch = static_cast<std::uint8_t>(n.channel);
        seg->events.push_back({n.on, MidiEvent::NoteOn, ch, static_cast<std::uint8_t>(n.key),
                               static_cast<std::uint8_t>(n.velocity)});
        seg->events.push_back({n.off, MidiEvent::NoteOff, ch, static_cast<std::uint8_t>(n.key), 0});
    }
    std::stable_sort(seg->events.begin(), seg->events.end());
    return std::make_shared<Segment>(seg);
}

} // namespace lumbrast::music
