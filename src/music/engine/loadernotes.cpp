// Notes, parts and boundaries of patterns and motifs: "1.1 c1 1 90" and the
// tables around them.
#include "loaderreader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

namespace lumbrast::music::loading {

int pitchClass(std::string_view s, std::size_t &used) {
    static const char *names = "C D EF G A B";
    if (s.empty())
        return -1;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    const char *p = std::strchr(names, c);
    if (!p || c == ' ')
        return -1;
    int pc = static_cast<int>(p - names);
    used = 1;
    while (used < s.size() && (s[used] == '#' || s[used] == 'b')) {
        pc += s[used] == '#' ? 1 : -1;
        ++used;
    }
    return (pc + 12) % 12;
}

namespace {

const std::map<std::string, int, std::less<>> &drumNames() {
    static const std::map<std::string, int, std::less<>> names = {
        {"kick", 36},     {"kick2", 35},   {"rim", 37},       {"snare", 38},     {"clap", 39},
        {"snare2", 40},   {"lowtom", 45},  {"floortom", 41},  {"hat", 42},       {"pedalhat", 44},
        {"openhat", 46},  {"midtom", 47},  {"hightom", 50},   {"crash", 49},     {"ride", 51},
        {"ridebell", 53}, {"tamb", 54},    {"splash", 55},    {"cowbell", 56},   {"crash2", 57},
        {"bongohi", 60},  {"bongolo", 61}, {"congamute", 62}, {"congahi", 63},   {"congalo", 64},
        {"cabasa", 69},   {"shaker", 70},  {"clave", 75},     {"woodhi", 76},    {"woodlo", 77},
        {"triangle", 81}, {"mutetri", 80}, {"chimes", 84},    {"sidestick", 37},
    };
    return names;
}

struct Token {
    std::string_view text;
    int offset;
};

std::vector<Token> split(std::string_view s) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        std::size_t b = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > b)
            out.push_back({s.substr(b, i - b), static_cast<int>(b)});
    }
    return out;
}

bool parseInt(std::string_view s, long long &v) {
    if (s.empty() || s.size() > 9)
        return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// "1.2.3" bar.beat.grid, all from 1.
bool parsePosition(std::string_view s, const TimeSignature &ts, int measures, std::int64_t &tick,
                   std::string &why) {
    long long part[3] = {1, 1, 1};
    int n = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t dot = s.find('.', i);
        std::string_view f =
            s.substr(i, dot == std::string_view::npos ? std::string_view::npos : dot - i);
        if (n == 3 || !parseInt(f, part[n])) {
            why = "position '" + std::string(s) + "' must read bar.beat or bar.beat.grid (from 1)";
            return false;
        }
        ++n;
        if (dot == std::string_view::npos)
            break;
        i = dot + 1;
    }
    if (n < 2) {
        why = "position '" + std::string(s) + "' must read bar.beat or bar.beat.grid (from 1)";
        return false;
    }
    if (part[0] < 1 || part[0] > measures) {
        why = "bar " + std::to_string(part[0]) + " lies outside the " + std::to_string(measures) +
              " measure(s)";
        return false;
    }
    if (part[1] < 1 || part[1] > ts.beatsPerMeasure) {
        why = "beat " + std::to_string(part[1]) + " lies outside the measure of " +
              std::to_string(ts.beatsPerMeasure) + " beats";
        return false;
    }
    if (part[2] < 1 || part[2] > ts.gridsPerBeat) {
        why = "grid point " + std::to_string(part[2]) + " lies outside the beat of " +
              std::to_string(ts.gridsPerBeat) + " grid points";
        return false;
    }
    tick = (part[0] - 1) * kTicksPerBeat * ts.beatsPerMeasure + (part[1] - 1) * kTicksPerBeat +
           (part[2] - 1) * kTicksPerBeat / ts.gridsPerBeat;
    return true;
}

// Beats as "2", "1.5", "1/2", "3/4".
bool parseLength(std::string_view s, std::int64_t &ticks) {
    auto slash = s.find('/');
    if (slash != std::string_view::npos) {
        long long a = 0, b = 0;
        if (!parseInt(s.substr(0, slash), a) || !parseInt(s.substr(slash + 1), b) || b <= 0 ||
            a <= 0)
            return false;
        ticks = a * kTicksPerBeat / b;
    } else {
        double v = 0;
        auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !(v > 0) || v > 1024)
            return false;
        ticks = static_cast<std::int64_t>(std::llround(v * kTicksPerBeat));
    }
    return ticks >= 1 && ticks <= 1024 * kTicksPerBeat;
}

PatternNote parseNote(const Reader &r, const toml::node &node, Voice voice, const TimeSignature &ts,
                      int measures) {
    if (!node.is_string())
        r.fail(&node, "each note must be text like \"1.1 c1 1 90\"");
    const std::string &text = **node.as_string();
    auto toks = split(text);
    auto at = [&](const Token &t) { return t.offset + 1; }; // +1 for the opening quote
    if (toks.size() < 3 || toks.size() > 5)
        r.fail(&node,
               "a note reads: position pitch length [velocity] [?chance], e.g. \"1.1 c1 1 90\"");
    PatternNote n;
    std::string why;
    std::int64_t tick = 0;
    if (!parsePosition(toks[0].text, ts, measures, tick, why))
        r.fail(&node, why, at(toks[0]));
    n.start = static_cast<std::int32_t>(tick);

    std::string_view p = toks[1].text;
    if (voice == Voice::Fixed) {
        long long key = 0;
        std::size_t used = 0;
        auto d = drumNames().find(p);
        if (d != drumNames().end()) {
            key = d->second;
        } else if (parseInt(p, key)) {
            if (key < 0 || key > 127)
                r.fail(&node, "key " + std::string(p) + " must be 0 to 127", at(toks[1]));
        } else {
            int pc = pitchClass(p, used);
            long long oct = 0;
            if (pc < 0 || used >= p.size() || !parseInt(p.substr(used), oct) || oct < -1 || oct > 9)
                r.fail(&node,
                       "pitch '" + std::string(p) +
                           "' must be a drum name, a key number or a note like C4 or F#3",
                       at(toks[1]));
            key = (oct + 1) * 12 + pc;
            if (key < 0 || key > 127)
                r.fail(&node, "note '" + std::string(p) + "' lies outside MIDI keys", at(toks[1]));
        }
        n.kind = PatternNote::Kind::Key;
        n.index = static_cast<std::int16_t>(key);
    } else {
        if (p.size() < 2 || (p[0] != 'c' && p[0] != 's'))
            r.fail(&node,
                   "pitch '" + std::string(p) +
                       "' must be a chord tone c1..c9 or a scale step s1..s15",
                   at(toks[1]));
        n.kind = p[0] == 'c' ? PatternNote::Kind::ChordTone : PatternNote::Kind::ScaleStep;
        std::size_t e = 1;
        while (e < p.size() && std::isdigit(static_cast<unsigned char>(p[e])))
            ++e;
        long long idx = 0;
        if (!parseInt(p.substr(1, e - 1), idx) || idx < 1 ||
            idx > (n.kind == PatternNote::Kind::ChordTone ? 9 : 15))
            r.fail(&node,
                   "pitch '" + std::string(p) +
                       "' must be a chord tone c1..c9 or a scale step s1..s15",
                   at(toks[1]));
        n.index = static_cast<std::int16_t>(idx - 1);
        int oct = 0;
        for (; e < p.size(); ++e) {
            if (p[e] == '\'')
                ++oct;
            else if (p[e] == ',')
                --oct;
            else
                r.fail(&node, "after the pitch only ' (octave up) or , (octave down) may follow",
                       at(toks[1]) + static_cast<int>(e));
        }
        if (oct < -3 || oct > 3)
            r.fail(&node, "at most three octaves up or down", at(toks[1]));
        n.octave = static_cast<std::int8_t>(oct);
    }

    std::int64_t len = 0;
    if (!parseLength(toks[2].text, len))
        r.fail(&node, "length '" + std::string(toks[2].text) + "' must be beats like 1, 0.5 or 3/4",
               at(toks[2]));
    n.length = static_cast<std::int32_t>(len);

    for (std::size_t i = 3; i < toks.size(); ++i) {
        std::string_view t = toks[i].text;
        long long v = 0;
        if (t[0] == '?') {
            if (!parseInt(t.substr(1), v) || v < 1 || v > 100)
                r.fail(&node, "chance '" + std::string(t) + "' must be ?1 to ?100 (percent)",
                       at(toks[i]));
            n.chance = static_cast<std::uint8_t>(v);
        } else {
            if (!parseInt(t, v) || v < 1 || v > 127)
                r.fail(&node, "velocity '" + std::string(t) + "' must be 1 to 127", at(toks[i]));
            n.velocity = static_cast<std::uint8_t>(v);
        }
    }
    return n;
}

} // namespace

namespace {

std::vector<PatternNote> parseNotes(const Reader &r, const toml::node *list, Voice voice,
                                    const TimeSignature &ts, int measures, const char *what) {
    if (!list->is_array())
        r.fail(list, std::string(what) + " must be a list [ ... ] of notes");
    const toml::array &notes = *list->as_array();
    if (notes.size() > 4096)
        r.fail(list, std::string(what) + " may hold at most 4096 notes");
    std::vector<PatternNote> out;
    for (auto &n : notes)
        out.push_back(parseNote(r, n, voice, ts, measures));
    std::stable_sort(out.begin(), out.end(),
                     [](const PatternNote &a, const PatternNote &b) { return a.start < b.start; });
    return out;
}

bool flag(const Reader &r, const toml::table &t, std::string_view key) {
    const toml::node *h = t.get(key);
    if (h && !h->is_boolean())
        r.fail(h, std::string(key) + " must be true or false");
    return h && **h->as_boolean();
}

// The part's other bars and how often each is played against its own notes.
void parseVariations(const Reader &r, const toml::table &t, Part &part, const TimeSignature &ts,
                     int measures) {
    if (const toml::node *v = t.get("variations")) {
        const toml::array *list = v->as_array();
        if (!list || list->empty() || list->size() > 16)
            r.fail(v, "variations must be a list of 1 to 16 note lists: [[\"1.1 c1 1\"], ...]");
        for (auto &bar : *list)
            part.variations.push_back(
                parseNotes(r, &bar, part.voice, ts, measures, "each variation"));
    }
    const toml::array *w = r.array(t, "weights", false, "a part");
    if (!w)
        return;
    if (w->size() != part.variations.size() + 1)
        r.fail(t.get("weights"), "weights must give " + std::to_string(part.variations.size() + 1) +
                                     " numbers: one for the part's notes, then one per variation");
    int sum = 0;
    for (auto &x : *w) {
        part.weights.push_back(static_cast<int>(r.integerValue(&x, "weight", 0, 1000)));
        sum += part.weights.back();
    }
    if (sum == 0)
        r.fail(t.get("weights"), "weights sum to 0: at least one must be above 0");
}

} // namespace

Part parsePart(const Reader &r, const toml::table &t, const TimeSignature &ts, int measures,
               const std::string &where) {
    r.onlyKeys(t,
               {"channel", "voice", "low", "notes", "humanize", "hold", "leap", "swing", "strum",
                "articulation", "variations", "weights"},
               where);
    Part part;
    part.channel = static_cast<int>(r.integer(t, "channel", 1, 16, where)) - 1;
    part.voice = r.choice<Voice>(
        t, "voice", where, "fixed",
        {{"root", Voice::Root}, {"voicing", Voice::Voicing}, {"fixed", Voice::Fixed}},
        "voice must be \"root\", \"voicing\" or \"fixed\"");
    long long lowDefault = part.voice == Voice::Root ? 36 : 55;
    part.low = static_cast<int>(r.integer(t, "low", 12, 108, where, &lowDefault));
    if (const toml::node *h = t.get("humanize")) {
        if (!h->is_table())
            r.fail(h, "humanize must be a table { time = .., velocity = .. }");
        const toml::table &ht = *h->as_table();
        r.onlyKeys(ht, {"time", "velocity"}, "humanize");
        long long minus = -1;
        part.humanTime = static_cast<int>(r.integer(ht, "time", 0, 120, "humanize", &minus));
        part.humanVelocity = static_cast<int>(r.integer(ht, "velocity", 0, 40, "humanize", &minus));
    }
    part.hold = flag(r, t, "hold");
    part.leap = flag(r, t, "leap");
    long long none = 0;
    if (t.get("swing"))
        part.swing = static_cast<int>(r.integer(t, "swing", 50, 75, where));
    part.strum = static_cast<int>(r.integer(t, "strum", 0, 50, where, &none));
    using enum detail::Articulation;
    part.articulation = r.choice<detail::Articulation>(
        t, "articulation", where, "normal",
        {{"normal", Normal}, {"legato", Legato}, {"staccato", Staccato}},
        "articulation must be \"normal\", \"legato\" or \"staccato\"");
    const toml::node *notes = t.get("notes");
    if (!notes)
        r.fail(&t, "missing 'notes' in " + where);
    part.notes = parseNotes(r, notes, part.voice, ts, measures, "notes");
    parseVariations(r, t, part, ts, measures);
    return part;
}

std::uint32_t parseBoundary(const Reader &r, const toml::table &t) {
    const toml::node *n = t.get("boundary");
    if (!n)
        return kPlayBeat;
    if (!n->is_string())
        r.fail(n, "boundary must be \"immediate\", \"grid\", \"beat\" or \"measure\"");
    std::string b = **n->as_string();
    if (b == "immediate")
        return 0;
    if (b == "grid")
        return kPlayGrid;
    if (b == "beat")
        return kPlayBeat;
    if (b == "measure")
        return kPlayMeasure;
    r.fail(n, "boundary must be \"immediate\", \"grid\", \"beat\" or \"measure\"");
}

} // namespace lumbrast::music::loading
