// The figures of Analyze, read from a composed segment's events and plan.
#include "analyze.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>

namespace lumbrast::music::tool {

using detail::MidiEvent;
using detail::SegmentData;

namespace {

constexpr int kDrumChannel = 9;

bool isPitched(const SoundingNote &n) {
    return n.channel != kDrumChannel;
}

// Humanising moves onsets by less than half a grid step, so the nearest grid
// point is where a note was written.
struct Grid {
    std::int64_t step;
    std::int64_t slot(std::int64_t tick) const { return (tick + step / 2) / step; }
};

std::uint64_t mix(std::uint64_t h, std::int64_t v) {
    h ^= static_cast<std::uint64_t>(v) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    return h;
}

// One fingerprint per measure of the notes `keep` accepts; `what` picks the
// properties that count.
template <class Keep, class What>
std::vector<std::uint64_t> fingerprints(const std::vector<SoundingNote> &notes, const Grid &grid,
                                        std::int64_t slotsPerMeasure, int measures, Keep keep,
                                        What what) {
    std::vector<std::vector<std::int64_t>> items(static_cast<std::size_t>(measures));
    for (const auto &n : notes) {
        const std::int64_t slot = grid.slot(n.on);
        const std::int64_t m = slot / slotsPerMeasure;
        if (!keep(n) || m >= measures)
            continue;
        items[static_cast<std::size_t>(m)].push_back(what(n, slot % slotsPerMeasure));
    }
    std::vector<std::uint64_t> out;
    out.reserve(items.size());
    for (auto &v : items) {
        std::sort(v.begin(), v.end());
        std::uint64_t h = v.size();
        for (auto x : v)
            h = mix(h, x);
        out.push_back(h);
    }
    return out;
}

// Longest stretch whose every measure repeats the one `period` (1-4) earlier,
// the first period included.
int longestRepeat(const std::vector<std::uint64_t> &fp) {
    int best = fp.empty() ? 0 : 1;
    for (std::size_t period = 1; period <= 4; ++period) {
        int run = 0;
        for (std::size_t i = period; i < fp.size(); ++i) {
            run = fp[i] == fp[i - period] ? run + 1 : 0;
            if (run > 0)
                best = std::max(best, run + static_cast<int>(period));
        }
    }
    return best;
}

bool chordTone(int key, const detail::ChordContext &c) {
    if (!c.intervals)
        return false;
    const int pc = ((key - c.root) % 12 + 12) % 12;
    return std::any_of(c.intervals->begin(), c.intervals->end(),
                       [pc](int i) { return i % 12 == pc; });
}

// Sustained pairs a minor second (or ninth) apart in different parts, one of
// them a tone of the chord that sounds.
int countClashes(const SegmentData &seg, const std::vector<SoundingNote> &notes) {
    const std::int64_t sustain = kTicksPerBeat / 2;
    std::vector<const SoundingNote *> active;
    int clashes = 0;
    for (const auto &n : notes) {
        if (!isPitched(n))
            continue;
        std::erase_if(active, [&](const SoundingNote *a) { return a->off <= n.on; });
        for (const SoundingNote *a : active) {
            if (a->channel == n.channel || a->passing || n.passing)
                continue;
            if (std::abs(a->key - n.key) % 12 != 1 || std::min(a->off, n.off) - n.on < sustain)
                continue;
            const auto chord = detail::ChordAt(seg, n.on);
            if (chordTone(a->key, chord) || chordTone(n.key, chord))
                ++clashes;
        }
        active.push_back(&n);
    }
    return clashes;
}

// The bass is the pitched part lowest on average; of notes struck together
// its lowest counts. A leap its part asked for is no fault.
void bassLeaps(const std::vector<SoundingNote> &notes, const Grid &grid, Analysis &a) {
    std::map<int, std::pair<double, int>> sums;
    for (const auto &n : notes)
        if (isPitched(n)) {
            sums[n.channel].first += n.key;
            ++sums[n.channel].second;
        }
    int bass = -1;
    double lowest = 1e9;
    for (const auto &[ch, s] : sums)
        if (s.first / s.second < lowest) {
            lowest = s.first / s.second;
            bass = ch;
        }
    std::int64_t slot = -1, on = 0;
    int prev = -1, cur = -1;
    bool asked = false;
    auto close = [&] {
        if (prev >= 0 && cur >= 0 && !asked && std::abs(cur - prev) > 7) {
            ++a.bassLeaps;
            a.widestBassLeap = std::max(a.widestBassLeap, std::abs(cur - prev));
            a.leaps.push_back({on, prev, cur});
        }
        if (cur >= 0)
            prev = cur;
    };
    for (const auto &n : notes) {
        if (n.channel != bass)
            continue;
        if (grid.slot(n.on) != slot) {
            close();
            slot = grid.slot(n.on);
            on = n.on;
            cur = n.key;
            asked = n.leap;
        } else if (n.key < cur) {
            cur = n.key;
            asked = n.leap;
        }
    }
    close();
}

bool phraseStartAt(const SegmentData &seg, int m) {
    if (!seg.phraseStarts.empty())
        return static_cast<std::size_t>(m) < seg.phraseStarts.size() &&
               seg.phraseStarts[static_cast<std::size_t>(m)];
    const int phrase = seg.chordMap ? std::max(1, seg.chordMap->phraseMeasures) : 4;
    return m % phrase == 0;
}

void patternFigures(const SegmentData &seg, Analysis &a) {
    const std::string *prev = nullptr;
    const auto n = static_cast<int>(std::min(seg.patternNames.size(), seg.embellishments.size()));
    for (int m = 0; m < n; ++m) {
        if (seg.embellishments[static_cast<std::size_t>(m)] != Embellishment::Normal)
            continue;
        const std::string &name = seg.patternNames[static_cast<std::size_t>(m)];
        if (prev && *prev != name) {
            ++a.patternChanges;
            a.patternChangesOffPhrase += phraseStartAt(seg, m) ? 0 : 1;
        }
        prev = &name;
    }
    if (seg.variations.empty())
        return;
    a.variationChanges = a.variationChangesOffPhrase = 0;
    const auto vm = static_cast<int>(std::min<std::size_t>(seg.variations.size(), n));
    for (int m = 1; m < vm; ++m) {
        const auto i = static_cast<std::size_t>(m);
        if (seg.patternNames[i] == seg.patternNames[i - 1] &&
            seg.variations[i] != seg.variations[i - 1]) {
            ++a.variationChanges;
            a.variationChangesOffPhrase += phraseStartAt(seg, m) ? 0 : 1;
        }
    }
    // Per 64 measures, each part that plays 16 of them: how many variations it plays.
    for (int w = 0; w < vm; w += 64) {
        std::map<std::pair<std::string, std::size_t>, std::pair<int, std::set<int>>> heard;
        for (int m = w; m < std::min(vm, w + 64); ++m) {
            const auto i = static_cast<std::size_t>(m);
            for (std::size_t p = 0; p < seg.variations[i].size(); ++p) {
                auto &h = heard[{seg.patternNames[i], p}];
                ++h.first;
                h.second.insert(seg.variations[i][p]);
            }
        }
        for (const auto &[key, h] : heard)
            if (h.first >= std::min(16, vm - w) &&
                (a.fewestVariationsPer64 < 0 ||
                 static_cast<int>(h.second.size()) < a.fewestVariationsPer64))
                a.fewestVariationsPer64 = static_cast<int>(h.second.size());
    }
}

} // namespace

std::vector<SoundingNote> SoundingNotes(const SegmentData &segment) {
    std::vector<SoundingNote> notes;
    std::unordered_map<int, std::vector<std::size_t>> open;
    for (const MidiEvent &e : segment.events) {
        const int id = e.channel * 128 + e.data1;
        if (e.kind == MidiEvent::NoteOn && e.data2 > 0) {
            open[id].push_back(notes.size());
            notes.push_back({e.tick, segment.length, e.channel, e.data1,
                             (e.flags & MidiEvent::Passing) != 0, (e.flags & MidiEvent::Leap) != 0,
                             (e.flags & MidiEvent::Strum) != 0});
        } else if (e.kind == MidiEvent::NoteOff || e.kind == MidiEvent::NoteOn) {
            auto &stack = open[id];
            if (!stack.empty()) {
                notes[stack.front()].off = e.tick;
                stack.erase(stack.begin());
            }
        }
    }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const SoundingNote &a, const SoundingNote &b) { return a.on < b.on; });
    return notes;
}

Analysis Analyze(const SegmentData &seg) {
    Analysis a;
    a.measures = seg.measures;
    const auto notes = SoundingNotes(seg);
    const Grid grid{
        std::max<std::int64_t>(1, kTicksPerBeat / std::max<int>(1, seg.timeSig.gridsPerBeat))};
    const std::int64_t slotsPerMeasure =
        std::max<std::int64_t>(1, kTicksPerBeat * seg.timeSig.beatsPerMeasure / grid.step);

    auto notesOf = [&](const SoundingNote &n, std::int64_t slot) {
        const std::int64_t len = (n.off - n.on + grid.step / 2) / grid.step;
        return ((slot * 16 + n.channel) * 128 + n.key) * 4096 + std::min<std::int64_t>(len, 4095);
    };
    auto any = [](const SoundingNote &) { return true; };
    auto drums = [](const SoundingNote &n) { return !isPitched(n); };
    const auto all = fingerprints(notes, grid, slotsPerMeasure, seg.measures, any, notesOf);
    a.distinct = static_cast<int>(std::set<std::uint64_t>(all.begin(), all.end()).size());
    a.repeatAll = longestRepeat(all);
    a.repeatPitched =
        longestRepeat(fingerprints(notes, grid, slotsPerMeasure, seg.measures, isPitched, notesOf));
    a.repeatDrums =
        longestRepeat(fingerprints(notes, grid, slotsPerMeasure, seg.measures, drums, notesOf));

    // Texture: where each pitched part strikes, whatever the keys.
    const auto texture = fingerprints(
        notes, grid, slotsPerMeasure, seg.measures, isPitched,
        [](const SoundingNote &n, std::int64_t slot) { return slot * 16 + n.channel; });
    std::unordered_map<std::uint64_t, int> counts;
    int most = 0;
    for (auto t : texture)
        most = std::max(most, ++counts[t]);
    a.textureShare = seg.measures > 0 ? static_cast<double>(most) / seg.measures : 0;

    patternFigures(seg, a);
    int changes = 0;
    for (std::size_t i = 1; i < seg.chords.size(); ++i)
        changes += seg.chords[i].chord != seg.chords[i - 1].chord ? 1 : 0;
    a.chordChangesPerMeasure = seg.measures > 0 ? static_cast<double>(changes) / seg.measures : 0;
    a.clashes = countClashes(seg, notes);
    bassLeaps(notes, grid, a);

    // Notes written together, and apart from them each part's strummed chords.
    std::map<std::pair<std::int64_t, int>, std::pair<std::int64_t, std::int64_t>> together;
    for (const auto &n : notes) {
        const auto key = std::pair{grid.slot(n.on), n.strum ? n.channel : -1};
        auto [it, fresh] = together.try_emplace(key, n.on, n.on);
        it->second.first = std::min(it->second.first, n.on);
        it->second.second = std::max(it->second.second, n.on);
    }
    std::int64_t spread = 0, strum = 0;
    for (const auto &[key, range] : together) {
        std::int64_t &widest = key.second < 0 ? spread : strum;
        widest = std::max(widest, range.second - range.first);
    }
    const double msPerTick =
        60000.0 / (std::max(1.0, seg.tempo) * static_cast<double>(kTicksPerBeat));
    a.onsetSpreadMs = static_cast<double>(spread) * msPerTick;
    a.strumMs = static_cast<double>(strum) * msPerTick;
    return a;
}

} // namespace lumbrast::music::tool
