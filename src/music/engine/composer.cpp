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

int SongSection(int measure, int phraseMeasures) {
    static constexpr int kinds[6] = {0, 1, 0, 1, 2, 1};
    return kinds[(measure / (2 * std::max(1, phraseMeasures))) % 6];
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
        auto best = static_cast<std::size_t>(std::min_element(options.begin(), options.end(),
                                                              [&](int a, int b) {
                                                                  return std::fabs(a * h - target) <
                                                                         std::fabs(b * h - target);
                                                              }) -
                                             options.begin());
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
    void walk(int first, int t, int end, const std::vector<int> &targets, int avoid) {
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
            if (std::any_of(options.begin(), options.end(),
                            [&](const ChordEdge *e) { return e->to != avoid; }))
                std::erase_if(options, [&](const ChordEdge *e) { return e->to == avoid; });
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

    int startChord(int previous, std::vector<int> starts, int avoid) {
        if (std::any_of(starts.begin(), starts.end(), [&](int c) { return c != avoid; }))
            std::erase(starts, avoid);
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
                                  bool loopable, Rng &rng, bool song) {
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
        const bool bridge =
            song && opening >= 0 && SongSection(p0 / bpm, std::max(1, map.phraseMeasures)) == 2;
        const int avoid = bridge ? opening : -1;
        int first = w.startChord(previous, map.startSignposts, avoid);
        if (opening < 0)
            opening = first;
        std::vector<int> targets = map.endSignposts;
        if (avoid >= 0 &&
            std::any_of(targets.begin(), targets.end(), [&](int c) { return c != avoid; }))
            std::erase(targets, avoid);
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
        w.walk(first, p0, p1, targets, avoid);
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

int GrooveDistance(const Pattern &p, int groove) {
    return groove < p.grooveLow ? p.grooveLow - groove : std::max(0, groove - p.grooveHigh);
}

namespace {

// Patterns with embellishment `e` nearest to `groove`, one of them at random.
const Pattern *choosePattern(const StyleData &style, Embellishment e, int groove, Rng &rng) {
    std::vector<const Pattern *> any;
    int best = 1 << 20;
    for (const auto &p : style.patterns)
        if (p.embellishment == e) {
            any.push_back(&p);
            best = std::min(best, GrooveDistance(p, groove));
        }
    std::erase_if(any, [&](const Pattern *p) { return GrooveDistance(*p, groove) != best; });
    if (any.empty())
        return nullptr;
    return any[static_cast<std::size_t>(pick(rng, 0, static_cast<int>(any.size()) - 1))];
}

int weighted(const std::vector<int> &weights, Rng &rng) {
    int total = 0;
    for (int w : weights)
        total += w;
    int r = pick(rng, 1, std::max(1, total));
    for (std::size_t i = 0; i < weights.size(); ++i) {
        r -= weights[i];
        if (r <= 0)
            return static_cast<int>(i);
    }
    return 0;
}

struct Planner {
    const StyleData &style;
    Rng &rng;
    const Pattern *current = nullptr;
    int held = 0;                            // phrases the current pattern has played
    std::map<int, const Pattern *> sections; // SONG: the pattern of each section
    // Per pattern and part: repetitions since each bar was last played.
    std::map<std::pair<const Pattern *, std::size_t>, std::vector<int>> ages;

    // A normal pattern for a phrase: those whose range holds its level, or lies
    // within 12 of it, move the music along; none plays more than two phrases
    // running while another fits.
    const Pattern *normal(int level) {
        std::vector<const Pattern *> near;
        std::vector<int> weights;
        int best = 1 << 20;
        for (const auto &p : style.patterns)
            if (p.embellishment == Embellishment::Normal)
                best = std::min(best, GrooveDistance(p, level));
        for (const auto &p : style.patterns) {
            const int d = GrooveDistance(p, level);
            if (p.embellishment != Embellishment::Normal || (d > 12 && d != best))
                continue;
            near.push_back(&p);
            weights.push_back((d == 0 ? 4 : 1) * (&p == current ? (held < 2 ? 2 : 0) : 2));
        }
        if (std::all_of(weights.begin(), weights.end(), [](int w) { return w == 0; }))
            return current;
        return near[static_cast<std::size_t>(weighted(weights, rng))];
    }

    // SONG keeps one pattern per section kind, each unlike the others where it can be.
    const Pattern *section(int kind, int level) {
        auto it = sections.find(kind);
        if (it != sections.end())
            return it->second;
        const Pattern *p = normal(level);
        for (int tries = 0; tries < 8; ++tries) {
            bool taken = std::any_of(sections.begin(), sections.end(),
                                     [&](const auto &s) { return s.second == p; });
            if (!taken)
                break;
            p = normal(level);
        }
        sections[kind] = p;
        return p;
    }

    // Each part's bar for one repetition: by weight, never the same twice running,
    // and the longer a bar has not been heard the likelier it comes back (up to 16 times).
    std::vector<int> bars(const Pattern &p) {
        std::vector<int> out;
        for (std::size_t i = 0; i < p.parts.size(); ++i) {
            const Part &part = p.parts[i];
            const std::size_t options = part.variations.size() + 1;
            if (options == 1) {
                out.push_back(-1);
                continue;
            }
            std::vector<int> w = part.weights;
            if (w.size() != options)
                w.assign(options, 1);
            auto [it, fresh] = ages.try_emplace({&p, i}, std::vector<int>(options, 1));
            std::vector<int> &age = it->second;
            const bool others = std::count_if(w.begin(), w.end(), [](int x) { return x > 0; }) > 1;
            for (std::size_t k = 0; k < options; ++k)
                w[k] *= age[k] == 0 && others ? 0 : std::min(age[k] * age[k], 16);
            const int chosen = weighted(w, rng);
            for (int &a : age)
                ++a;
            age[static_cast<std::size_t>(chosen)] = 0;
            out.push_back(chosen - 1);
        }
        return out;
    }
};

} // namespace

std::vector<Block> PlanPatterns(const StyleData &style, SegmentData &seg, int shape,
                                int phraseMeasures, const Pattern *intro, const Pattern *end,
                                Rng &rng) {
    const int measures = seg.measures;
    const int phrase = std::max(1, phraseMeasures);
    seg.patternNames.assign(static_cast<std::size_t>(measures), {});
    seg.variations.assign(static_cast<std::size_t>(measures), {});
    seg.phraseStarts.assign(static_cast<std::size_t>(measures), false);
    for (int m = 0; m < measures; m += phrase)
        seg.phraseStarts[static_cast<std::size_t>(m)] = true;
    Planner plan{style, rng, nullptr, 0, {}, {}};
    std::vector<Block> blocks;
    int m = 0;
    while (m < measures) {
        Embellishment want = seg.embellishments[static_cast<std::size_t>(m)];
        const int level = seg.groove[static_cast<std::size_t>(m)];
        const Pattern *p = nullptr;
        if (want == Embellishment::Intro)
            p = intro;
        else if (want == Embellishment::End)
            p = end;
        else if (want != Embellishment::Normal)
            p = choosePattern(style, want, level, rng);
        if (!p) {
            want = Embellishment::Normal;
            if (!plan.current || m % phrase == 0) {
                const Pattern *next = shape == static_cast<int>(Shape::Song)
                                          ? plan.section(SongSection(m, phrase), level)
                                          : plan.normal(level);
                plan.held = next == plan.current ? plan.held + 1 : 1;
                plan.current = next;
            }
            p = plan.current;
        }
        // The pattern runs while the same embellishment is wanted, and a normal
        // pattern starts afresh at each phrase.
        int run = 1;
        while (run < p->measures && m + run < measures &&
               seg.embellishments[static_cast<std::size_t>(m + run)] ==
                   seg.embellishments[static_cast<std::size_t>(m)] &&
               (want != Embellishment::Normal || (m + run) % phrase != 0))
            ++run;
        blocks.push_back({m, run, p, plan.bars(*p)});
        for (int k = 0; k < run; ++k) {
            seg.patternNames[static_cast<std::size_t>(m + k)] = p->name;
            seg.variations[static_cast<std::size_t>(m + k)] = blocks.back().variations;
        }
        m += run;
    }
    return blocks;
}

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
    seg->name = st.name + " / " + map.name + " / " + std::string(ShapeName(shape));
    seg->timeSig = st.timeSig;
    seg->tempo = st.tempo;
    seg->loudness = st.loudness;
    seg->measures = measures;
    seg->length = measures * st.measureTicks();
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
    seg->chords = WalkChords(map, measures, bpm, activity, loopable, rng,
                             shape == static_cast<int>(Shape::Song));

    const Pattern *introPattern =
        intro ? choosePattern(st, Embellishment::Intro, seg->groove.front(), rng) : nullptr;
    const Pattern *endPattern =
        end ? choosePattern(st, Embellishment::End, seg->groove.back(), rng) : nullptr;
    seg->embellishments =
        PlanEmbellishments(seg->groove, shape, map.phraseMeasures, introPattern != nullptr,
                           introPattern ? introPattern->measures : 0, endPattern != nullptr,
                           endPattern ? endPattern->measures : 0, rng);
    const std::vector<Block> blocks =
        PlanPatterns(st, *seg, shape, map.phraseMeasures, introPattern, endPattern, rng);
    WriteNotes(st, blocks, *seg, rng);
    return std::make_shared<Segment>(seg);
}

} // namespace lumbrast::music
