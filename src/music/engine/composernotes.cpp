// The composer's notes: each planned pattern's parts placed against the chords,
// with the style's feel (swing, accents, articulation, strums, humanising).
#include "composer.h"

#include <algorithm>
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

int atOrAbove(int low, int pc) {
    return low + ((pc - low) % 12 + 12) % 12;
}

struct Writer {
    const StyleData &style;
    SegmentData &seg;
    std::uint64_t salt;
    Rng &rng;
    std::vector<Note> notes;
    struct Line {
        int last = -1, written = -1; // the key last played and the key it was written as
        std::ptrdiff_t span = -1;    // the chord it was played on
    };
    std::map<int, Line> lines; // per channel: where its root-following line stands

    std::int64_t nextChordChange(std::int64_t tick) const {
        auto it = std::upper_bound(seg.chords.begin(), seg.chords.end(), tick,
                                   [](std::int64_t t, const ChordSpan &c) { return t < c.tick; });
        return it == seg.chords.end() ? seg.length : it->tick;
    }

    // Where a root part plays a note written as `written` at `tick`: as a line,
    // moving to the octave nearest its last note (a written leap over a fifth
    // within one chord is kept), and between a fourth up and a fifth down, or a
    // fifth up and a fourth down, towards the window's middle. It stays within
    // an octave below `low` and two above. `leap` plays the note as written.
    int place(const Part &part, int written, std::int64_t tick) {
        if (part.voice != Voice::Root || part.leap)
            return written;
        Line &line = lines[part.channel];
        const auto span =
            std::upper_bound(seg.chords.begin(), seg.chords.end(), tick,
                             [](std::int64_t t, const ChordSpan &s) { return t < s.tick; }) -
            seg.chords.begin();
        int key = written;
        if (line.last >= 0) {
            const int up = ((written - line.last) % 12 + 12) % 12;
            const int above = line.last + up, below = above - 12;
            const int centre = part.low + 6;
            if (span == line.span && std::abs(written - line.written) > 7)
                key = line.last + written - line.written;
            else if (up < 5 || up > 7)
                key = up < 5 ? above : below;
            else
                key = std::abs(above - centre) <= std::abs(below - centre) ? above : below;
            while (key < part.low - 12)
                key += 12;
            while (key > part.low + 24)
                key -= 12;
        }
        line = {key, written, span};
        return key;
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
            int key = place(part, ResolveKey(n, part, c), written);
            std::uint8_t flags = flagsFor(n, c, key);
            std::int64_t change = written;
            while (true) {
                change = part.hold ? until : std::min(until, nextChordChange(change));
                if (change >= until || until - change < kTicksPerBeat / 2) {
                    if (until > on)
                        notes.push_back({on, change < until ? sound(change) : until, part.channel,
                                         key, vel, flags});
                    break;
                }
                c = ChordAt(seg, change);
                const int next = place(part, ResolveKey(n, part, c), change);
                if (next == key)
                    continue;
                const std::int64_t at = sound(change);
                if (at > on)
                    notes.push_back({on, at, part.channel, key, vel, flags});
                on = at;
                key = next;
                flags = flagsFor(n, c, key);
                vel = std::max(1, vel * 7 / 8);
            }
        }
        if (part.strum > 0)
            strum(part.strum, first);
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
            for (auto n = g; n != e; ++n)
                n->on = std::min(n->on + std::lround(span * static_cast<double>(n - g) / strings),
                                 n->off - 1);
            g = e;
        }
    }

    // A note a semitone (or that and octaves) above another part's held note
    // grates. A chord note struck against one moves to the nearest chord tone
    // that does not, or is left out.
    void avoidClashes() {
        std::vector<std::size_t> active;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            Note &n = notes[i];
            if (n.channel == kDrumChannel)
                continue;
            std::erase_if(active, [&](std::size_t a) { return notes[a].off <= n.on; });
            auto grates = [&](int key) {
                return std::any_of(active.begin(), active.end(), [&](std::size_t a) {
                    const Note &o = notes[a];
                    return o.channel != n.channel && std::abs(o.key - key) % 12 == 1 &&
                           std::min(o.off, n.off) - n.on >= kTicksPerBeat / 2 &&
                           !((o.flags | n.flags) & MidiEvent::Passing);
                });
            };
            if (grates(n.key)) {
                const ChordContext c = ChordAt(seg, n.on);
                int best = -1;
                for (int d = 1; d <= 7 && best < 0; ++d)
                    for (int key : {n.key - d, n.key + d})
                        if (best < 0 && key >= 0 && key <= 127 && tone(key, c) && !grates(key))
                            best = key;
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

    // A key struck again while it still sounds ends the earlier note there.
    void finish() {
        std::stable_sort(notes.begin(), notes.end(),
                         [](const Note &a, const Note &b) { return a.on < b.on; });
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
    Writer w{style, seg, rng(), rng, {}, {}};
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
