// The composer's notes: each planned pattern's parts placed against the chords,
// with the style's feel (swing, accents, articulation, strums, humanising).
#include "composer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace lumbrast::music::detail {

std::int64_t Swing(std::int64_t tick, int swing) {
    const std::int64_t half = kTicksPerBeat / 2;
    const std::int64_t beat = tick - tick % kTicksPerBeat;
    const std::int64_t x = tick % kTicksPerBeat;
    if (x <= half)
        return beat + x * swing / 50;
    return beat + kTicksPerBeat * swing / 100 + (x - half) * (100 - swing) / 50;
}

int Accent(std::int64_t tick, int beatsPerMeasure, int accent) {
    const std::int64_t measure = kTicksPerBeat * beatsPerMeasure;
    const std::int64_t at = tick % measure;
    if (at == 0)
        return 100 + accent;
    if (at % kTicksPerBeat != 0)
        return 100 - accent / 2;
    // The middle of an even measure is its second strong beat.
    return beatsPerMeasure % 2 == 0 && beatsPerMeasure >= 4 && at * 2 == measure ? 100 + accent / 2
                                                                                 : 100;
}

namespace {

constexpr int kDrumChannel = 9;

struct Note {
    std::int64_t on, off;
    int channel, key, velocity;
    std::uint8_t flags;
    // Root parts: the chord the note was written on (-1: placed as it stands),
    // `low` of its part, and whether the part plays as written (`leap`).
    std::ptrdiff_t span = -1;
    int low = 0;
    bool asWritten = false;
};

// A value in [-1, 1] fixed for each tick of one composition: notes written at
// the same moment share it, so a chord or a kick under a bass note stays together.
double groupDraw(std::uint64_t salt, std::int64_t tick) {
    std::uint64_t z = salt + static_cast<std::uint64_t>(tick) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

struct Writer {
    const StyleData &style;
    SegmentData &seg;
    std::uint64_t salt;
    Rng &rng;
    std::vector<Note> notes;
    std::int64_t nextChordChange(std::int64_t tick) const {
        auto it = std::upper_bound(seg.chords.begin(), seg.chords.end(), tick,
                                   [](std::int64_t t, const ChordSpan &c) { return t < c.tick; });
        return it == seg.chords.end() ? seg.length : it->tick;
    }

    std::ptrdiff_t spanAt(std::int64_t tick) const {
        return std::upper_bound(seg.chords.begin(), seg.chords.end(), tick,
                                [](std::int64_t t, const ChordSpan &s) { return t < s.tick; }) -
               seg.chords.begin();
    }

    int chordAt(std::int64_t tick) const { // index in the chord map, -1 before the first
        const std::ptrdiff_t span = spanAt(tick);
        return span > 0 ? seg.chords[static_cast<std::size_t>(span - 1)].chord : -1;
    }

    static std::uint8_t flagsFor(const PatternNote &n, const ChordContext &c, int key) {
        return n.kind == PatternNote::Kind::ScaleStep && !tone(key, c) ? MidiEvent::Passing : 0;
    }

    void part(const Part &part, const std::vector<PatternNote> &bar, std::int64_t base,
              std::int64_t span, int level) {
        const int ht = part.humanTime >= 0 ? part.humanTime : style.humanTime;
        const int hv = part.humanVelocity >= 0 ? part.humanVelocity : style.humanVelocity;
        const int swing = part.swing >= 0 ? part.swing : style.swing;
        const int bpm = style.timeSig.beatsPerMeasure;
        // Louder at higher groove, gently.
        const double dyn = 0.8 + 0.4 * level / 100.0;
        const std::size_t first = notes.size();
        for (std::size_t i = 0; i < bar.size(); ++i) {
            const PatternNote &n = bar[i];
            if (n.start >= span)
                break;
            if (n.chance < 100 && std::uniform_int_distribution<int>(1, 100)(rng) > n.chance)
                continue;
            std::int64_t length = n.length;
            if (part.articulation == Articulation::Staccato) {
                length = std::max<std::int64_t>(kTicksPerBeat / 8, length / 2);
            } else if (part.articulation == Articulation::Legato) {
                // On to the part's next onset, at most a beat further.
                const auto later =
                    std::find_if(bar.begin() + static_cast<std::ptrdiff_t>(i), bar.end(),
                                 [&](const PatternNote &o) { return o.start > n.start; });
                const std::int64_t next = later != bar.end() ? later->start : span;
                length = std::clamp<std::int64_t>(next - n.start, length, length + kTicksPerBeat);
            }
            const std::int64_t written = base + n.start;
            // Where a written tick sounds: swung, then moved with its onset group.
            auto sound = [&](std::int64_t t) {
                const std::int64_t shift =
                    ht > 0 ? std::lround(groupDraw(salt, t) * ht) : std::int64_t{0};
                return std::max<std::int64_t>(0, Swing(t, swing) + shift);
            };
            std::int64_t on = sound(written);
            const int accented = static_cast<int>(
                std::lround(n.velocity * dyn * Accent(written, bpm, style.accent) / 100.0));
            int vel = std::clamp(
                accented + (hv > 0 ? std::uniform_int_distribution<int>(-hv, hv)(rng) : 0), 1, 127);
            const std::int64_t until =
                std::min<std::int64_t>(Swing(written + length, swing), seg.length);
            if (n.kind == PatternNote::Kind::Key || part.voice == Voice::Fixed) {
                if (until > on)
                    notes.push_back({on, until, part.channel, n.index, vel, 0});
                continue;
            }
            // A chord note that outlasts its chord is struck again on the new
            // chord (unless it is nearly over), so sustained parts follow the
            // harmony instead of clashing with it or falling silent.
            // A tone the new chord shares simply sustains, as a player would hold it.
            ChordContext c = ChordAt(seg, written);
            int key = ResolveKey(n, part, c);
            std::uint8_t flags = flagsFor(n, c, key);
            std::ptrdiff_t at = spanAt(written);
            std::int64_t change = written;
            while (true) {
                change = part.hold ? until : std::min(until, nextChordChange(change));
                if (change >= until || until - change < kTicksPerBeat / 2) {
                    if (until > on)
                        line({on, change < until ? sound(change) : until, part.channel, key, vel,
                              flags},
                             part, at);
                    break;
                }
                c = ChordAt(seg, change);
                const int next = ResolveKey(n, part, c);
                if (next == key)
                    continue;
                const std::int64_t struck = sound(change);
                if (struck > on)
                    line({on, struck, part.channel, key, vel, flags}, part, at);
                on = struck;
                key = next;
                flags = flagsFor(n, c, key);
                at = spanAt(change);
                vel = std::max(1, vel * 7 / 8);
            }
        }
        if (part.strum > 0)
            strum(part.strum, first);
    }

    // A chord note; a root part's is placed later, with its whole line.
    void line(Note note, const Part &part, std::ptrdiff_t span) {
        if (part.voice == Voice::Root) {
            note.span = span;
            note.low = part.low;
            note.asWritten = part.leap;
        }
        notes.push_back(note);
    }

    // Notes struck together by one part, spread from the lowest up over `ms`.
    void strum(int ms, std::size_t first) {
        const double span = ms / 1000.0 * style.tempo / 60.0 * kTicksPerBeat;
        auto begin = notes.begin() + static_cast<std::ptrdiff_t>(first);
        std::stable_sort(begin, notes.end(), [](const Note &a, const Note &b) {
            return a.on != b.on ? a.on < b.on : a.key < b.key;
        });
        for (auto g = begin; g != notes.end();) {
            auto e = g;
            while (e != notes.end() && e->on == g->on)
                ++e;
            const auto strings = static_cast<double>(std::max<std::ptrdiff_t>(1, e - g - 1));
            for (auto n = g; n != e; ++n) {
                n->on = std::min(n->on + std::lround(span * static_cast<double>(n - g) / strings),
                                 n->off - 1);
                if (e - g > 1)
                    n->flags |= MidiEvent::Strum;
            }
            g = e;
        }
    }

    // A root part's line, planned as a whole: every group of notes struck
    // together moves by the octaves that keep each step within a fifth and the
    // notes within an octave below `low` and two above; a line that climbs or
    // sinks chord after chord may pass those bounds by up to a fourth rather
    // than leap back. Notes on one chord
    // keep their written intervals where they can, and the line stays as near
    // the written register as that allows. A step over a fifth written under
    // one chord, or by a part that plays as written, is marked as asked for.
    void planLine(const std::vector<std::size_t> &line) {
        struct Group { // notes struck together
            std::size_t begin, end;
            int lo, hi, low;
            std::size_t unit; // groups on one chord share it
            bool fixed;
        };
        std::vector<Group> groups;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const Note &n = notes[line[i]];
            if (groups.empty() || notes[line[groups.back().begin]].on != n.on) {
                std::size_t unit = 0;
                if (!groups.empty()) {
                    const Note &prev = notes[line[groups.back().begin]];
                    unit = groups.back().unit +
                           (prev.span != n.span || prev.asWritten != n.asWritten ? 1 : 0);
                }
                groups.push_back({i, i, n.key, n.key, n.low, unit, n.asWritten});
            }
            Group &g = groups.back();
            g.end = i + 1;
            g.lo = std::min(g.lo, n.key);
            g.hi = std::max(g.hi, n.key);
        }
        if (groups.empty())
            return;
        constexpr int kShifts = 5; // -2 to +2 octaves
        constexpr double kLeap = 1000, kLeapPerSemitone = 50, kOutside = 1e6, kReshape = 20;
        constexpr int kMargin =
            5; // semitones past the bounds, each dearer, all cheaper than a leap
        constexpr double kPerSemitoneOut = 100;
        auto shiftOf = [](int k) { return 12 * (k - kShifts / 2); };
        std::vector<std::array<double, kShifts>> cost(groups.size());
        std::vector<std::array<int, kShifts>> from(groups.size());
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const Group &now = groups[g];
            for (int k = 0; k < kShifts; ++k) {
                const int s = shiftOf(k);
                double own = std::abs(s) / 12.0;
                if (now.fixed)
                    own = s == 0 ? 0 : 1e9;
                else {
                    const int below = now.low - 12 - (now.lo + s),
                              above = now.hi + s - now.low - 24;
                    const int out = std::max({0, below, above});
                    own += out > kMargin ? kOutside : kPerSemitoneOut * out;
                }
                double best = g == 0 ? 0 : 1e18;
                for (int j = 0; g > 0 && j < kShifts; ++j) {
                    const Group &prev = groups[g - 1];
                    const bool written = prev.unit == now.unit && (j == k || now.fixed);
                    const int step = std::abs(now.lo + s - prev.lo - shiftOf(j));
                    double c = cost[g - 1][static_cast<std::size_t>(j)];
                    if (prev.unit == now.unit && j != k)
                        c += kReshape;
                    if (step > 7 && !written && !now.fixed && !prev.fixed)
                        c += kLeap + kLeapPerSemitone * step;
                    if (c < best) {
                        best = c;
                        from[g][static_cast<std::size_t>(k)] = j;
                    }
                }
                cost[g][static_cast<std::size_t>(k)] = best + own;
            }
        }
        int k = static_cast<int>(std::min_element(cost.back().begin(), cost.back().end()) -
                                 cost.back().begin());
        std::vector<int> shift(groups.size());
        for (std::size_t g = groups.size(); g-- > 0;) {
            shift[g] = shiftOf(k);
            k = from[g][static_cast<std::size_t>(k)];
        }
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const bool asked =
                g > 0 && std::abs(groups[g].lo + shift[g] - groups[g - 1].lo - shift[g - 1]) > 7 &&
                (groups[g].fixed ||
                 (groups[g].unit == groups[g - 1].unit && shift[g] == shift[g - 1]));
            for (std::size_t i = groups[g].begin; i < groups[g].end; ++i) {
                notes[line[i]].key += shift[g];
                if (asked)
                    notes[line[i]].flags |= MidiEvent::Leap;
            }
        }
    }

    // A note a semitone (or that and octaves) above another part's held note
    // grates. A chord note struck against one moves to the nearest chord tone
    // that does not, or is left out.
    // A root-line note moved this way keeps within a fifth of its line's
    // neighbours where some chord tone allows, as its line was planned.
    void avoidClashes() {
        constexpr std::size_t kNone = SIZE_MAX;
        std::vector<std::size_t> before(notes.size(), kNone), after(notes.size(), kNone);
        std::map<int, std::size_t> seen;
        for (std::size_t i = notes.size(); i-- > 0;)
            if (notes[i].span >= 0) {
                auto [it, fresh] = seen.try_emplace(notes[i].channel, i);
                if (!fresh) {
                    after[i] = notes[it->second].on == notes[i].on ? after[it->second] : it->second;
                    it->second = i;
                }
            }
        seen.clear();
        std::vector<std::size_t> active;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            Note &n = notes[i];
            if (n.channel == kDrumChannel)
                continue;
            if (n.span >= 0) {
                auto [it, fresh] = seen.try_emplace(n.channel, i);
                if (!fresh) {
                    before[i] = notes[it->second].on == n.on ? before[it->second] : it->second;
                    it->second = i;
                }
            }
            std::erase_if(active, [&](std::size_t a) { return notes[a].off <= n.on; });
            auto grates = [&](int key) {
                return std::any_of(active.begin(), active.end(), [&](std::size_t a) {
                    const Note &o = notes[a];
                    return o.channel != n.channel && std::abs(o.key - key) % 12 == 1 &&
                           std::min(o.off, n.off) - n.on >= kTicksPerBeat / 2 &&
                           !((o.flags | n.flags) & MidiEvent::Passing);
                });
            };
            auto near = [&](int key, std::size_t j) {
                return j == kNone || std::abs(notes[j].key - key) <= 7;
            };
            if (grates(n.key)) {
                const ChordContext c = ChordAt(seg, n.on);
                auto search = [&](bool line) {
                    for (int d = 1; d <= 7; ++d)
                        for (int key : {n.key - d, n.key + d})
                            if (key >= 0 && key <= 127 && tone(key, c) && !grates(key) &&
                                (!line || (near(key, before[i]) && near(key, after[i]))))
                                return key;
                    return -1;
                };
                int best = search(true);
                // A root line with no tone to turn to keeps its note: what another
                // part still holds over from the last chord ends where this one begins.
                if (best < 0 && n.span >= 0) {
                    for (std::size_t a : active)
                        if (notes[a].span < 0 && notes[a].channel != n.channel &&
                            chordAt(notes[a].on) != chordAt(n.on) &&
                            std::abs(notes[a].key - n.key) % 12 == 1)
                            notes[a].off = n.on;
                    best = grates(n.key) ? -1 : n.key;
                }
                if (best < 0)
                    best = search(false);
                if (best < 0) {
                    n.off = n.on;
                    continue;
                }
                n.key = best;
            }
            active.push_back(i);
        }
    }

    static bool tone(int key, const ChordContext &c) {
        const int rel = ((key - c.root) % 12 + 12) % 12;
        return std::any_of(c.intervals->begin(), c.intervals->end(),
                           [&](int i) { return i % 12 == rel; });
    }

    // The synthesiser's power goes with the fourth power of velocity and of
    // channel volume; a note counts for at most two beats, as most fade by then.
    void measureEnergy() {
        std::array<double, 16> volume{};
        volume.fill(std::pow(100.0 / 127, 4));
        for (const BandMember &m : seg.band)
            if (m.channel >= 0 && m.channel < 16)
                volume[static_cast<std::size_t>(m.channel)] = std::pow(m.volume / 127.0, 4);
        const std::int64_t measure = style.measureTicks();
        std::vector<double> sum(static_cast<std::size_t>(seg.measures), 0.0);
        for (const Note &n : notes) {
            const auto m = static_cast<std::size_t>(n.on / measure);
            if (n.off <= n.on || m >= sum.size())
                continue;
            const double length = static_cast<double>(std::min(n.off - n.on, 2 * kTicksPerBeat));
            sum[m] += std::pow(n.velocity / 127.0, 4) *
                      volume[static_cast<std::size_t>(n.channel & 15)] * length /
                      static_cast<double>(measure);
        }
        seg.energy.assign(sum.begin(), sum.end());
        seg.energyMean = 0;
        for (double e : sum)
            seg.energyMean += e / static_cast<double>(sum.size());
    }

    // A key struck again while it still sounds ends the earlier note there.
    void finish() {
        std::stable_sort(notes.begin(), notes.end(),
                         [](const Note &a, const Note &b) { return a.on < b.on; });
        std::map<int, std::vector<std::size_t>> byChannel;
        for (std::size_t i = 0; i < notes.size(); ++i)
            if (notes[i].span >= 0)
                byChannel[notes[i].channel].push_back(i);
        for (const auto &[channel, line] : byChannel)
            planLine(line);
        avoidClashes();
        std::map<int, std::size_t> last;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const int id = notes[i].channel * 128 + notes[i].key;
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
        measureEnergy();
        auto b = [](int v) { return static_cast<std::uint8_t>(v); };
        for (const Note &n : notes) {
            if (n.off <= n.on)
                continue;
            seg.events.push_back(
                {n.on, MidiEvent::NoteOn, b(n.channel), b(n.key), b(n.velocity), n.flags});
            seg.events.push_back({n.off, MidiEvent::NoteOff, b(n.channel), b(n.key), 0, n.flags});
        }
        std::stable_sort(seg.events.begin(), seg.events.end());
    }
};

} // namespace

void WriteNotes(const StyleData &style, const std::vector<Block> &blocks, SegmentData &seg,
                Rng &rng) {
    Writer w{style, seg, rng(), rng, {}};
    w.notes.reserve(static_cast<std::size_t>(seg.measures) * 64);
    const std::int64_t measureTicks = style.measureTicks();
    for (const Block &b : blocks) {
        const int level = seg.groove[static_cast<std::size_t>(b.measure)];
        for (std::size_t i = 0; i < b.pattern->parts.size(); ++i) {
            const Part &p = b.pattern->parts[i];
            const int v = i < b.variations.size() ? b.variations[i] : -1;
            w.part(p, v < 0 ? p.notes : p.variations[static_cast<std::size_t>(v)],
                   b.measure * measureTicks, b.measures * measureTicks, level);
        }
    }
    w.finish();
}

} // namespace lumbrast::music::detail
