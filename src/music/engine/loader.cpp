// Reads style and chord-map files (TOML, see docs/music-formats.md) into the
// model. Every complaint names file, line and column.
#include "model.h"

// toml++ 3.3 has internal consistency asserts that malformed input can
// reach (found by fuzzing); the parser then goes on to report a syntax
// error. Keep that behaviour in every build type rather than abort.
#define TOML_ASSERT(expr) static_cast<void>(0)
#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace lumbrast::music {

namespace {

using detail::BandData;
using detail::BandMember;
using detail::ChordMapData;
using detail::MotifData;
using detail::Part;
using detail::Pattern;
using detail::PatternNote;
using detail::StyleData;
using detail::Voice;

class Reader {
public:
    explicit Reader(std::string source) : source_(std::move(source)) {}

    [[noreturn]] void fail(const toml::node *node, const std::string &msg,
                           int extraColumn = 0) const {
        int line = 0, col = 0;
        if (node) {
            line = static_cast<int>(node->source().begin.line);
            col = static_cast<int>(node->source().begin.column) + extraColumn;
        }
        throw MusicError(ErrorCode::BadContent, msg, source_, line, col);
    }

    void onlyKeys(const toml::table &t, std::initializer_list<std::string_view> allowed,
                  const std::string &where) const {
        for (auto &&[k, v] : t) {
            if (std::find(allowed.begin(), allowed.end(), k.str()) == allowed.end())
                fail(&v, "unknown key '" + std::string(k.str()) + "' in " + where);
        }
    }

    const toml::table &table(const toml::table &parent, std::string_view key,
                             const std::string &where) const {
        const toml::node *n = parent.get(key);
        if (!n)
            fail(&parent, "missing [" + std::string(key) + "] in " + where);
        if (!n->is_table())
            fail(n, "'" + std::string(key) + "' must be a table");
        return *n->as_table();
    }

    std::string string(const toml::table &t, std::string_view key, const std::string &where,
                       const std::string *fallback = nullptr) const {
        const toml::node *n = t.get(key);
        if (!n) {
            if (fallback)
                return *fallback;
            fail(&t, "missing '" + std::string(key) + "' in " + where);
        }
        if (!n->is_string())
            fail(n, "'" + std::string(key) + "' must be text in quotes");
        std::string s = **n->as_string();
        if (s.size() > 200)
            fail(n, "'" + std::string(key) + "' is longer than 200 characters");
        return s;
    }

    long long integer(const toml::table &t, std::string_view key, long long lo, long long hi,
                      const std::string &where, const long long *fallback = nullptr) const {
        const toml::node *n = t.get(key);
        if (!n) {
            if (fallback)
                return *fallback;
            fail(&t, "missing '" + std::string(key) + "' in " + where);
        }
        return integerValue(n, std::string(key), lo, hi);
    }

    long long integerValue(const toml::node *n, const std::string &what, long long lo,
                           long long hi) const {
        if (!n->is_integer())
            fail(n, "'" + what + "' must be a whole number");
        long long v = **n->as_integer();
        if (v < lo || v > hi)
            fail(n, "'" + what + "' is " + std::to_string(v) + ", must be " + std::to_string(lo) +
                        " to " + std::to_string(hi));
        return v;
    }

    double number(const toml::table &t, std::string_view key, double lo, double hi,
                  const std::string &where) const {
        const toml::node *n = t.get(key);
        if (!n)
            fail(&t, "missing '" + std::string(key) + "' in " + where);
        double v = 0;
        if (n->is_integer())
            v = static_cast<double>(**n->as_integer());
        else if (n->is_floating_point())
            v = **n->as_floating_point();
        else
            fail(n, "'" + std::string(key) + "' must be a number");
        if (!(v >= lo && v <= hi)) {
            std::ostringstream os;
            os << "'" << key << "' is " << v << ", must be " << lo << " to " << hi;
            fail(n, os.str());
        }
        return v;
    }

    const toml::array *array(const toml::table &t, std::string_view key, bool required,
                             const std::string &where) const {
        const toml::node *n = t.get(key);
        if (!n) {
            if (required)
                fail(&t, "missing '" + std::string(key) + "' in " + where);
            return nullptr;
        }
        if (!n->is_array())
            fail(n, "'" + std::string(key) + "' must be a list [ ... ]");
        return n->as_array();
    }

    // [[name]] as a list of tables.
    std::vector<const toml::table *> tables(const toml::table &t, std::string_view key) const {
        std::vector<const toml::table *> out;
        const toml::node *n = t.get(key);
        if (!n)
            return out;
        const toml::array *a = n->as_array();
        if (!a)
            fail(n, "'" + std::string(key) + "' must be written as [[" + std::string(key) +
                        "]] tables");
        for (auto &e : *a) {
            if (!e.is_table())
                fail(&e, "each '" + std::string(key) + "' must be a table");
            out.push_back(e.as_table());
        }
        return out;
    }

    const std::string &source() const { return source_; }

private:
    std::string source_;
};

// toml++ 3.3 misjudges some non-ASCII characters where it looks for
// whitespace (outside quoted text) and runs into undefined behaviour. TOML
// allows such characters only in quoted text and comments anyway, so they
// are refused anywhere else before the parser sees them.
void checkNonAsciiPlacement(std::string_view t, const std::string &source) {
    enum class In { Plain, Comment, Basic, Literal, MultiBasic, MultiLiteral } in = In::Plain;
    int line = 1, column = 0;
    bool continued = false; // after a line-ending backslash in multi-line text
    const std::string_view q3("\"\"\""), a3("'''");
    auto starts = [&](std::size_t i, std::string_view s) { return t.substr(i, s.size()) == s; };
    for (std::size_t i = 0; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if ((c & 0xC0) != 0x80)
            ++column;
        if (c == '\n') {
            ++line;
            column = 0;
            if (in == In::Comment || in == In::Basic || in == In::Literal)
                in = In::Plain;
            continue;
        }
        if (c >= 0x80 && (in == In::Plain || continued))
            throw MusicError(ErrorCode::Syntax,
                             "characters beyond ASCII belong only in quoted text or comments",
                             source, line, column);
        if (continued && c != ' ' && c != '\t' && c != '\r')
            continued = false;
        auto skip = [&](std::size_t n) {
            i += n;
            column += static_cast<int>(n);
        };
        switch (in) {
        case In::Plain:
            if (c == '#')
                in = In::Comment;
            else if (starts(i, q3))
                in = In::MultiBasic, skip(2);
            else if (starts(i, a3))
                in = In::MultiLiteral, skip(2);
            else if (c == '"')
                in = In::Basic;
            else if (c == '\'')
                in = In::Literal;
            break;
        case In::Basic:
            if (c == '\\' && i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) < 0x80 &&
                t[i + 1] != '\n')
                skip(1);
            else if (c == '"')
                in = In::Plain;
            break;
        case In::Literal:
            if (c == '\'')
                in = In::Plain;
            break;
        case In::MultiBasic:
            if (c == '\\') {
                std::size_t j = i + 1;
                while (j < t.size() && (t[j] == ' ' || t[j] == '\t' || t[j] == '\r'))
                    ++j;
                if (j < t.size() && t[j] == '\n')
                    continued = true;
                else if (i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) < 0x80)
                    skip(1);
            } else if (starts(i, q3)) {
                while (i + 3 < t.size() && t[i + 3] == '"')
                    skip(1);
                skip(2);
                in = In::Plain;
            }
            break;
        case In::MultiLiteral:
            if (starts(i, a3)) {
                while (i + 3 < t.size() && t[i + 3] == '\'')
                    skip(1);
                skip(2);
                in = In::Plain;
            }
            break;
        case In::Comment:
            break;
        }
    }
}

toml::table parseToml(std::string_view text, const std::string &source) {
    if (text.size() > Loader::kMaxFileBytes)
        throw MusicError(ErrorCode::FileTooLarge,
                         "file is " + std::to_string(text.size()) +
                             " bytes; music files may hold at most " +
                             std::to_string(Loader::kMaxFileBytes) + " bytes",
                         source, 1, 1);
    checkNonAsciiPlacement(text, source);
    try {
        return toml::parse(text, source);
    } catch (const toml::parse_error &e) {
        throw MusicError(ErrorCode::Syntax, std::string(e.description()), source,
                         static_cast<int>(e.source().begin.line),
                         static_cast<int>(e.source().begin.column));
    }
}

// `kind` names what the file should be ("style file"), for the message about a folder.
std::string readFile(const std::string &path, const std::string &kind) {
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory)
        throw MusicError(ErrorCode::WrongKind, "this is a folder, not a " + kind, path);
    if (!ec && type != std::filesystem::file_type::regular)
        throw MusicError(ErrorCode::WrongKind, "this is not a file that can be read as a " + kind,
                         path);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw MusicError(ErrorCode::FileNotFound, "cannot open the file", path);
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0)
        throw MusicError(ErrorCode::FileNotFound, "cannot read the file", path);
    if (static_cast<std::uint64_t>(size) > Loader::kMaxFileBytes)
        throw MusicError(ErrorCode::FileTooLarge,
                         "file is " + std::to_string(size) +
                             " bytes; music files may hold at most " +
                             std::to_string(Loader::kMaxFileBytes) + " bytes",
                         path, 1, 1);
    in.seekg(0);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), size);
    if (!in)
        throw MusicError(ErrorCode::FileNotFound, "cannot read the file", path);
    return text;
}

// ---------------------------------------------------------------- notes

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

Part parsePart(const Reader &r, const toml::table &t, const TimeSignature &ts, int measures,
               const std::string &where) {
    r.onlyKeys(t, {"channel", "voice", "low", "notes", "humanize", "hold"}, where);
    Part part;
    part.channel = static_cast<int>(r.integer(t, "channel", 1, 16, where)) - 1;
    static const std::string fixed = "fixed";
    std::string voice = r.string(t, "voice", where, &fixed);
    if (voice == "root")
        part.voice = Voice::Root;
    else if (voice == "voicing")
        part.voice = Voice::Voicing;
    else if (voice == "fixed")
        part.voice = Voice::Fixed;
    else
        r.fail(t.get("voice"), "voice must be \"root\", \"voicing\" or \"fixed\"");
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
    if (const toml::node *h = t.get("hold")) {
        if (!h->is_boolean())
            r.fail(h, "hold must be true or false");
        part.hold = **h->as_boolean();
    }
    const toml::array *notes = r.array(t, "notes", true, where);
    if (notes->size() > 4096)
        r.fail(t.get("notes"), "a part may hold at most 4096 notes");
    for (auto &n : *notes)
        part.notes.push_back(parseNote(r, n, part.voice, ts, measures));
    std::sort(part.notes.begin(), part.notes.end(),
              [](const PatternNote &a, const PatternNote &b) { return a.start < b.start; });
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

void checkKind(const toml::table &root, const std::string &source, bool wantStyle) {
    bool isStyle = root.contains("style");
    bool isMap = root.contains("chordmap");
    if (wantStyle && !isStyle && isMap)
        throw MusicError(ErrorCode::WrongKind, "this is a chord map, not a style", source, 1, 1);
    if (!wantStyle && !isMap && isStyle)
        throw MusicError(ErrorCode::WrongKind, "this is a style, not a chord map", source, 1, 1);
    if (!isStyle && !isMap)
        throw MusicError(ErrorCode::BadContent,
                         wantStyle ? "missing [style] table: not a style file"
                                   : "missing [chordmap] table: not a chord map file",
                         source, 1, 1);
}

} // namespace

// ---------------------------------------------------------------- style

StylePtr Loader::ParseStyle(std::string_view text, const std::string &source) {
    toml::table root = parseToml(text, source);
    checkKind(root, source, true);
    Reader r(source);
    r.onlyKeys(root, {"style", "band", "pattern", "motif"}, "a style");
    auto data = std::make_shared<StyleData>();
    data->source = source;

    const toml::table &st = r.table(root, "style", "the file");
    r.onlyKeys(st, {"name", "tempo", "time_signature", "grid", "humanize"}, "[style]");
    data->name = r.string(st, "name", "[style]");
    data->tempo = r.number(st, "tempo", 1, 1000, "[style]");
    const toml::array *sig = r.array(st, "time_signature", true, "[style]");
    if (sig->size() != 2)
        r.fail(st.get("time_signature"),
               "time_signature must be [beats per measure, beat], e.g. [3, 4]");
    data->timeSig.beatsPerMeasure =
        static_cast<std::uint8_t>(r.integerValue(sig->get(0), "beats per measure", 1, 16));
    long long beat = r.integerValue(sig->get(1), "beat", 1, 32);
    if (beat != 1 && beat != 2 && beat != 4 && beat != 8 && beat != 16 && beat != 32)
        r.fail(sig->get(1), "beat must be 1, 2, 4, 8, 16 or 32");
    data->timeSig.beat = static_cast<std::uint8_t>(beat);
    long long grid = 4;
    data->timeSig.gridsPerBeat =
        static_cast<std::uint16_t>(r.integer(st, "grid", 1, 12, "[style]", &grid));
    if (kTicksPerBeat % data->timeSig.gridsPerBeat != 0)
        r.fail(st.get("grid"), "grid must divide a beat evenly: 1, 2, 3, 4, 5, 6, 8, 10 or 12");
    if (const toml::node *h = st.get("humanize")) {
        if (!h->is_table())
            r.fail(h, "humanize must be a table { time = .., velocity = .. }");
        const toml::table &ht = *h->as_table();
        r.onlyKeys(ht, {"time", "velocity"}, "humanize");
        long long t0 = data->humanTime, v0 = data->humanVelocity;
        data->humanTime = static_cast<int>(r.integer(ht, "time", 0, 120, "humanize", &t0));
        data->humanVelocity = static_cast<int>(r.integer(ht, "velocity", 0, 40, "humanize", &v0));
    }

    std::set<std::string> names;
    for (const toml::table *bt : r.tables(root, "band")) {
        r.onlyKeys(*bt, {"name", "channels"}, "[[band]]");
        auto band = std::make_shared<BandData>();
        band->name = r.string(*bt, "name", "[[band]]");
        if (!names.insert("band:" + band->name).second)
            r.fail(bt->get("name"), "a second band named '" + band->name + "'");
        const toml::array *chans = r.array(*bt, "channels", true, "[[band]]");
        std::set<int> seen;
        for (auto &c : *chans) {
            if (!c.is_table())
                r.fail(&c, "each channel must be { channel = .., program = .. }");
            const toml::table &ct = *c.as_table();
            r.onlyKeys(ct, {"channel", "program", "bank", "volume", "pan", "reverb", "chorus"},
                       "a band channel");
            BandMember m;
            m.channel = static_cast<int>(r.integer(ct, "channel", 1, 16, "a band channel")) - 1;
            if (!seen.insert(m.channel).second)
                r.fail(&c,
                       "channel " + std::to_string(m.channel + 1) + " appears twice in this band");
            m.program = static_cast<int>(r.integer(ct, "program", 1, 128, "a band channel")) - 1;
            long long bank = 0, vol = 100, pan = 64, rev = 40, cho = 0;
            m.bank = static_cast<int>(r.integer(ct, "bank", 0, 128, "a band channel", &bank));
            m.volume = static_cast<int>(r.integer(ct, "volume", 0, 127, "a band channel", &vol));
            m.pan = static_cast<int>(r.integer(ct, "pan", 0, 127, "a band channel", &pan));
            m.reverb = static_cast<int>(r.integer(ct, "reverb", 0, 127, "a band channel", &rev));
            m.chorus = static_cast<int>(r.integer(ct, "chorus", 0, 127, "a band channel", &cho));
            band->members.push_back(m);
        }
        if (data->bands.size() >= 64)
            r.fail(bt, "a style may hold at most 64 bands");
        data->bands.push_back(band);
    }

    for (const toml::table *pt : r.tables(root, "pattern")) {
        r.onlyKeys(*pt, {"name", "groove", "embellishment", "measures", "part"}, "[[pattern]]");
        Pattern p;
        p.name = r.string(*pt, "name", "[[pattern]]");
        const toml::array *g = r.array(*pt, "groove", true, "[[pattern]]");
        if (g->size() != 2)
            r.fail(pt->get("groove"), "groove must be [lowest, highest], each 1 to 100");
        p.grooveLow = static_cast<int>(r.integerValue(g->get(0), "groove", 1, 100));
        p.grooveHigh = static_cast<int>(r.integerValue(g->get(1), "groove", 1, 100));
        if (p.grooveLow > p.grooveHigh)
            r.fail(pt->get("groove"), "groove range runs backwards");
        static const std::string normal = "normal";
        std::string e = r.string(*pt, "embellishment", "[[pattern]]", &normal);
        if (e == "normal")
            p.embellishment = Embellishment::Normal;
        else if (e == "intro")
            p.embellishment = Embellishment::Intro;
        else if (e == "fill")
            p.embellishment = Embellishment::Fill;
        else if (e == "break")
            p.embellishment = Embellishment::Break;
        else if (e == "end")
            p.embellishment = Embellishment::End;
        else
            r.fail(pt->get("embellishment"),
                   "embellishment must be \"normal\", \"intro\", \"fill\", \"break\" or \"end\"");
        long long one = 1;
        p.measures = static_cast<int>(r.integer(*pt, "measures", 1, 64, "[[pattern]]", &one));
        for (const toml::table *part : r.tables(*pt, "part"))
            p.parts.push_back(parsePart(r, *part, data->timeSig, p.measures, "[[pattern.part]]"));
        if (p.parts.empty())
            r.fail(pt, "pattern '" + p.name + "' has no [[pattern.part]]");
        if (data->patterns.size() >= 512)
            r.fail(pt, "a style may hold at most 512 patterns");
        data->patterns.push_back(std::move(p));
    }
    if (data->patterns.empty())
        r.fail(&root, "a style needs at least one [[pattern]]");
    if (std::none_of(data->patterns.begin(), data->patterns.end(),
                     [](const Pattern &p) { return p.embellishment == Embellishment::Normal; }))
        r.fail(&root, "a style needs at least one pattern with embellishment \"normal\"");

    for (const toml::table *mt : r.tables(root, "motif")) {
        r.onlyKeys(*mt, {"name", "measures", "boundary", "part"}, "[[motif]]");
        MotifData m;
        m.name = r.string(*mt, "name", "[[motif]]");
        if (!names.insert("motif:" + m.name).second)
            r.fail(mt->get("name"), "a second motif named '" + m.name + "'");
        long long one = 1;
        m.measures = static_cast<int>(r.integer(*mt, "measures", 1, 16, "[[motif]]", &one));
        m.boundary = parseBoundary(r, *mt);
        for (const toml::table *part : r.tables(*mt, "part"))
            m.parts.push_back(parsePart(r, *part, data->timeSig, m.measures, "[[motif.part]]"));
        if (m.parts.empty())
            r.fail(mt, "motif '" + m.name + "' has no [[motif.part]]");
        if (data->motifs.size() >= 128)
            r.fail(mt, "a style may hold at most 128 motifs");
        data->motifs.push_back(std::move(m));
    }
    return std::make_shared<Style>(data);
}

StylePtr Loader::LoadStyle(const std::string &path) {
    return ParseStyle(readFile(path, "style file"), path);
}

// ---------------------------------------------------------------- chord map

ChordMapPtr Loader::ParseChordMap(std::string_view text, const std::string &source) {
    toml::table root = parseToml(text, source);
    checkKind(root, source, false);
    Reader r(source);
    r.onlyKeys(root, {"chordmap", "chord", "connection", "signposts"}, "a chord map");
    auto data = std::make_shared<ChordMapData>();
    data->source = source;

    const toml::table &ct = r.table(root, "chordmap", "the file");
    r.onlyKeys(ct, {"name", "key", "scale", "phrase"}, "[chordmap]");
    data->name = r.string(ct, "name", "[chordmap]");
    std::string key = r.string(ct, "key", "[chordmap]");
    std::size_t used = 0;
    data->key = pitchClass(key, used);
    if (data->key < 0 || used != key.size())
        r.fail(ct.get("key"), "key must be a note name like C, F# or Bb");
    data->scaleName = r.string(ct, "scale", "[chordmap]");
    data->scale = detail::ScaleSteps(data->scaleName);
    if (data->scale.empty())
        r.fail(ct.get("scale"),
               "unknown scale '" + data->scaleName +
                   "'; use major, minor, harmonic-minor, dorian, phrygian, lydian or mixolydian");
    long long four = 4;
    data->phraseMeasures = static_cast<int>(r.integer(ct, "phrase", 1, 16, "[chordmap]", &four));

    std::map<std::string, const toml::table *> where;
    for (const toml::table *t : r.tables(root, "chord")) {
        r.onlyKeys(*t, {"id", "degree", "alter", "type"}, "[[chord]]");
        detail::ChordDef c;
        c.id = r.string(*t, "id", "[[chord]]");
        if (c.id.empty() || c.id.find(' ') != std::string::npos)
            r.fail(t->get("id"), "chord id must be one word");
        if (data->find(c.id) >= 0)
            r.fail(t->get("id"), "a second chord with id '" + c.id + "'");
        int degree = static_cast<int>(r.integer(*t, "degree", 1, 7, "[[chord]]"));
        long long zero = 0;
        int alter = static_cast<int>(r.integer(*t, "alter", -2, 2, "[[chord]]", &zero));
        c.root = (data->key + data->scale[static_cast<std::size_t>(degree - 1)] + alter + 24) % 12;
        c.type = r.string(*t, "type", "[[chord]]");
        c.intervals = detail::ChordIntervals(c.type);
        if (c.intervals.empty())
            r.fail(t->get("type"), "unknown chord type '" + c.type +
                                       "'; use maj, min, dim, aug, sus2, sus4, 6, min6, 7, maj7, "
                                       "min7, m7b5, dim7, add9, 9, maj9, min9");
        if (data->chords.size() >= 64)
            r.fail(t, "a chord map may hold at most 64 chords");
        where[c.id] = t;
        data->chords.push_back(std::move(c));
    }
    if (data->chords.empty())
        r.fail(&root, "a chord map needs at least one [[chord]]");

    auto chordRef = [&](const toml::node *n) {
        if (!n || !n->is_string())
            r.fail(n, "a chord is named by its id in quotes");
        int i = data->find(**n->as_string());
        if (i < 0)
            r.fail(n, "no chord with id '" + **n->as_string() + "'");
        return i;
    };
    auto chordList = [&](const toml::table &t, std::string_view k, bool required) {
        std::vector<int> out;
        const toml::node *n = t.get(k);
        if (!n) {
            if (required)
                r.fail(&t, "missing '" + std::string(k) + "'");
            return out;
        }
        if (n->is_string()) {
            out.push_back(chordRef(n));
            return out;
        }
        if (!n->is_array())
            r.fail(n, "'" + std::string(k) + "' must be a chord id or a list of them");
        for (auto &e : *n->as_array())
            out.push_back(chordRef(&e));
        if (out.empty() && required)
            r.fail(n, "'" + std::string(k) + "' must name at least one chord");
        return out;
    };

    for (const toml::table *t : r.tables(root, "connection")) {
        r.onlyKeys(*t, {"from", "to", "weight", "beats"}, "[[connection]]");
        int from = chordRef(t->get("from") ? t->get("from") : static_cast<const toml::node *>(t));
        std::vector<int> to = chordList(*t, "to", true);
        long long one = 1;
        int weight = static_cast<int>(r.integer(*t, "weight", 1, 1000, "[[connection]]", &one));
        const toml::array *beats = r.array(*t, "beats", true, "[[connection]]");
        if (beats->size() != 2)
            r.fail(t->get("beats"), "beats must be [shortest, longest] in beats");
        int lo = static_cast<int>(r.integerValue(beats->get(0), "beats", 1, 64));
        int hi = static_cast<int>(r.integerValue(beats->get(1), "beats", 1, 64));
        if (lo > hi)
            r.fail(t->get("beats"), "beats range runs backwards");
        for (int d : to) {
            if (data->edges.size() >= 4096)
                r.fail(t, "a chord map may hold at most 4096 connections");
            data->edges.push_back({from, d, weight, lo, hi});
        }
    }

    const toml::table &sp = r.table(root, "signposts", "the chord map");
    r.onlyKeys(sp, {"start", "end", "cadence"}, "[signposts]");
    data->startSignposts = chordList(sp, "start", true);
    data->endSignposts = chordList(sp, "end", true);
    data->cadence = chordList(sp, "cadence", true);
    if (data->cadence.size() > 4)
        r.fail(sp.get("cadence"), "a cadence has at most 4 chords");

    // Every chord must be able to reach a phrase end along the graph, or the
    // composer could walk into a corner.
    const int n = static_cast<int>(data->chords.size());
    const int inf = 1 << 20;
    data->distanceToEnd.assign(static_cast<std::size_t>(n), inf);
    std::vector<int> queue;
    for (int e : data->endSignposts) {
        if (data->distanceToEnd[static_cast<std::size_t>(e)] != 0)
            queue.push_back(e);
        data->distanceToEnd[static_cast<std::size_t>(e)] = 0;
    }
    for (std::size_t qi = 0; qi < queue.size(); ++qi) {
        int c = queue[qi];
        for (const auto &e : data->edges)
            if (e.to == c && data->distanceToEnd[static_cast<std::size_t>(e.from)] == inf) {
                data->distanceToEnd[static_cast<std::size_t>(e.from)] =
                    data->distanceToEnd[static_cast<std::size_t>(c)] + 1;
                queue.push_back(e.from);
            }
    }
    for (int i = 0; i < n; ++i) {
        const auto &c = data->chords[static_cast<std::size_t>(i)];
        if (data->distanceToEnd[static_cast<std::size_t>(i)] == inf)
            r.fail(where[c.id],
                   "chord '" + c.id + "' has no path of connections to a phrase-end signpost");
    }
    return std::make_shared<ChordMap>(data);
}

ChordMapPtr Loader::LoadChordMap(const std::string &path) {
    return ParseChordMap(readFile(path, "chord map file"), path);
}

} // namespace lumbrast::music
