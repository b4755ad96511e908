// The chord-map parser: key and scale, chords, connections and signposts.
#include "loaderreader.h"

#include <map>

namespace lumbrast::music {

using namespace loading;

namespace {
std::string unknownScale(const std::string &name) {
    std::string message = "unknown scale '" + name;
    message += "'; use major, minor, harmonic-minor, dorian, phrygian, lydian, mixolydian, "
               "locrian or phrygian-dominant";
    return message;
}
} // namespace

ChordMapPtr Loader::ParseChordMap(std::string_view text, const std::string &source) {
    Reader r(source);
    const toml::table root = parseTopLevel(
        r, text, false, {"chordmap", "chord", "connection", "signposts"}, "a chord map");
    auto data = std::make_shared<ChordMapData>();
    const toml::table &ct =
        readHead(r, root, "chordmap", {"name", "key", "scale", "phrase"}, *data);
    std::string key = r.string(ct, "key", "[chordmap]");
    std::size_t used = 0;
    data->key = pitchClass(key, used);
    if (data->key < 0 || used != key.size())
        r.fail(ct.get("key"), "key must be a note name like C, F# or Bb");
    data->scaleName = r.string(ct, "scale", "[chordmap]");
    data->scale = detail::ScaleSteps(data->scaleName);
    if (data->scale.empty())
        r.fail(ct.get("scale"), unknownScale(data->scaleName));
    long long four = 4;
    data->phraseMeasures = static_cast<int>(r.integer(ct, "phrase", 1, 16, "[chordmap]", &four));

    std::map<std::string, const toml::table *> where;
    for (const toml::table *t : r.tables(root, "chord")) {
        r.onlyKeys(*t, {"id", "degree", "alter", "type", "scale"}, "[[chord]]");
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
        c.scale = detail::ChordScale(data->scale, degree - 1, alter, c.intervals);
        if (const toml::node *named = t->get("scale")) {
            // A scale of its own, built on the chord's root, must hold every chord tone.
            const std::string name = r.string(*t, "scale", "[[chord]]");
            c.scale = detail::ScaleSteps(name);
            if (c.scale.empty())
                r.fail(named, unknownScale(name));
            for (int iv : c.intervals)
                if (std::find(c.scale.begin(), c.scale.end(), iv % 12) == c.scale.end())
                    r.fail(named, "scale '" + name + "' does not hold the chord's tone " +
                                      std::to_string(iv % 12) + " semitones above its root; " +
                                      "choose a scale that fits " + c.type);
        }
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

} // namespace lumbrast::music
