// The style parser: tempo, time signature, bands, patterns and motifs.
#include "loaderreader.h"
#include "moments.h"

#include <set>

namespace lumbrast::music {

using namespace loading;

namespace {

// Reads the parts of a pattern or motif (`what`) and adds it to list, which
// holds at most `most`.
template <class T>
void addWithParts(const Reader &r, const toml::table &t, T item, std::vector<T> &list,
                  std::size_t most, const TimeSignature &ts, const std::string &what) {
    const std::string where = "[[" + what + ".part]]";
    for (const toml::table *part : r.tables(t, "part"))
        item.parts.push_back(parsePart(r, *part, ts, item.measures, where));
    if (item.parts.empty())
        r.fail(&t, what + " '" + item.name + "' has no " + where);
    if (list.size() >= most)
        r.fail(&t, "a style may hold at most " + std::to_string(most) + " " + what + "s");
    list.push_back(std::move(item));
}

} // namespace

StylePtr Loader::ParseStyle(std::string_view text, const std::string &source) {
    Reader r(source);
    const toml::table root =
        parseTopLevel(r, text, true, {"style", "band", "pattern", "motif", "moments"}, "a style");
    auto data = std::make_shared<StyleData>();
    const toml::table &st = readHead(
        r, root, "style",
        {"name", "tempo", "time_signature", "grid", "humanize", "swing", "accent", "loudness"},
        *data);
    data->tempo = r.number(st, "tempo", 1, 1000, "[style]");
    if (st.get("loudness")) // LUFS the engine aims for; absent: the instruments' own level
        data->loudness = r.number(st, "loudness", -40, -6, "[style]");
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

    long long straight = 50, flat = 0;
    data->swing = static_cast<int>(r.integer(st, "swing", 50, 75, "[style]", &straight));
    data->accent = static_cast<int>(r.integer(st, "accent", 0, 50, "[style]", &flat));

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
        using enum Embellishment;
        p.embellishment = r.choice<Embellishment>(
            *pt, "embellishment", "[[pattern]]", "normal",
            {{"normal", Normal}, {"intro", Intro}, {"fill", Fill}, {"break", Break}, {"end", End}},
            "embellishment must be \"normal\", \"intro\", \"fill\", \"break\" or \"end\"");
        long long one = 1;
        p.measures = static_cast<int>(r.integer(*pt, "measures", 1, 64, "[[pattern]]", &one));
        addWithParts(r, *pt, std::move(p), data->patterns, 512, data->timeSig, "pattern");
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
        addWithParts(r, *mt, std::move(m), data->motifs, 128, data->timeSig, "motif");
    }

    // A name the style lacks is no error: that moment passes in silence (info says so).
    if (const toml::node *n = root.get("moments")) {
        if (!n->is_table())
            r.fail(n, "moments must be a table: [moments] with pair3 = \"motif name\" ...");
        const toml::table &mt = *n->as_table();
        r.onlyKeys(mt, {"pair3", "pair2", "pair1", "miss", "timeout", "tension"}, "[moments]");
        data->momentsGiven = true;
        const std::string none;
        for (int i = 0; i < kMomentCount; ++i)
            data->moments[static_cast<std::size_t>(i)] =
                r.string(mt, MomentKey(static_cast<Moment>(i)), "[moments]", &none);
    }
    return std::make_shared<Style>(data);
}

} // namespace lumbrast::music
