// lumbrast-music analyze: the figures of one composition, or of every style
// with every chord map over the nine shapes, as a table.
#include "analyze.h"
#include "commands.h"
#include "composer.h"
#include "loudness.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace lumbrast::music::tool {

namespace {

using detail::SegmentData;

SegmentPtr compose(const StylePtr &style, const ChordMapPtr &map, int shape, int measures,
                   int activity, std::uint64_t seed) {
    Composer composer(seed);
    return composer.ComposeSegmentFromShape(style, measures, shape, activity, false, false, map);
}

std::optional<Loudness> measure(const ComposeArgs &o, const StylePtr &style,
                                const SegmentPtr &seg) {
    if (!o.audio)
        return std::nullopt;
    AudioParams params;
    params.soundFont = o.soundFont;
    SegmentPtr band = style->GetBandCount() > 0
                          ? style->GetBand(style->GetBandName(0))->CreateSegment()
                          : nullptr;
    return MeasureRender(seg, band, params);
}

std::string fixed(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string count(int v) {
    return v < 0 ? "-" : std::to_string(v);
}

const char *kHeader = "%-22s %5s %11s %9s %9s %6s %5s %5s %8s %7s %6s %5s %13s %6s\n";

void printHeader(const char *first) {
    std::printf(kHeader, first, "dist", "rep a/p/d", "pat(off)", "var(off)", "var/64", "chd/m",
                "clash", "leap(max)", "spread", "strum", "tex%", "LUFS (target)", "dBTP");
}

void printRow(const std::string &label, const Analysis &a, const std::string &lufs,
              const std::string &peak) {
    std::printf(
        kHeader, label.c_str(), std::to_string(a.distinct).c_str(),
        (std::to_string(a.repeatAll) + "/" + std::to_string(a.repeatPitched) + "/" +
         std::to_string(a.repeatDrums))
            .c_str(),
        (std::to_string(a.patternChanges) + "(" + std::to_string(a.patternChangesOffPhrase) + ")")
            .c_str(),
        (count(a.variationChanges) + "(" + count(a.variationChangesOffPhrase) + ")").c_str(),
        count(a.fewestVariationsPer64).c_str(), fixed(a.chordChangesPerMeasure, 2).c_str(),
        std::to_string(a.clashes).c_str(),
        (std::to_string(a.bassLeaps) + "(" + std::to_string(a.widestBassLeap) + ")").c_str(),
        fixed(a.onsetSpreadMs, 1).c_str(), fixed(a.strumMs, 1).c_str(),
        fixed(100 * a.textureShare, 0).c_str(), lufs.c_str(), peak.c_str());
}

std::string target(const Style &style) {
    const double t = style.data()->loudness;
    return t != 0 ? "(" + fixed(t, 0) + ")" : "(-)";
}

std::string chordName(const SegmentData &seg, std::int64_t tick) {
    for (const auto &c : seg.chords)
        if (tick >= c.tick && tick < c.tick + c.length && seg.chordMap &&
            static_cast<std::size_t>(c.chord) < seg.chordMap->chords.size())
            return seg.chordMap->chords[static_cast<std::size_t>(c.chord)].id;
    return "?";
}

// Where each bass leap falls, so that the bar behind it can be found and rewritten.
void printLeaps(const std::string &label, const SegmentData &seg, const Analysis &a) {
    const std::int64_t beat = kTicksPerBeat;
    const std::int64_t measure = beat * std::max<int>(1, seg.timeSig.beatsPerMeasure);
    for (const BassLeap &l : a.leaps) {
        const auto m = static_cast<std::size_t>(l.tick / measure);
        std::string vars;
        if (m < seg.variations.size())
            for (int v : seg.variations[m])
                vars += (vars.empty() ? "" : ",") + std::to_string(v);
        const std::int64_t grid = beat / std::max<int>(1, seg.timeSig.gridsPerBeat);
        const std::int64_t before = std::max<std::int64_t>(0, l.tick - grid);
        std::printf("%sleap %d -> %d at measure %zu beat %.2f: %s %s [%s], chord %s -> %s\n",
                    label.c_str(), l.from, l.to, m + 1,
                    1.0 + static_cast<double>(l.tick % measure) / static_cast<double>(beat),
                    m < seg.patternNames.size() ? seg.patternNames[m].c_str() : "?",
                    m < seg.embellishments.size()
                        ? std::string(EmbellishmentName(seg.embellishments[m])).c_str()
                        : "?",
                    vars.c_str(), chordName(seg, before).c_str(), chordName(seg, l.tick).c_str());
    }
}

int one(const ComposeArgs &o) {
    Loader loader;
    StylePtr style = loader.LoadStyle(o.style);
    ChordMapPtr map = loader.LoadChordMap(o.chordMap);
    const std::uint64_t seed = o.seed.value_or(1);
    SegmentPtr seg = compose(style, map, o.shape, o.measures, o.activity, seed);
    const Analysis a = Analyze(*seg->data());
    std::printf("%s, %d measures, seed %llu, activity %d\n", seg->name().c_str(), o.measures,
                static_cast<unsigned long long>(seed), o.activity);
    printHeader("");
    auto l = measure(o, style, seg);
    printRow("", a, (l ? fixed(l->lufs, 1) : "-") + " " + target(*style),
             l ? fixed(l->truePeakDb, 1) : "-");
    std::printf("chord changes per measure at activity 0-3:");
    for (int act = 0; act <= 3; ++act)
        std::printf(" %.2f", Analyze(*compose(style, map, o.shape, o.measures, act, seed)->data())
                                 .chordChangesPerMeasure);
    std::printf("\n");
    if (o.where)
        printLeaps("", *seg->data(), a);
    return 0;
}

// Every style with every chord map in a folder: the worst figures over the
// nine shapes and the seeds, and the loudness of a short render per shape.
// Exit status 1 when a file could not be read.
int all(const ComposeArgs &o) {
    namespace fs = std::filesystem;
    std::vector<std::string> styles, maps;
    for (const auto &e : fs::directory_iterator(o.all)) {
        std::string ext = e.path().extension().string();
        for (auto &c : ext)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ext == ".STY")
            styles.push_back(e.path().string());
        else if (ext == ".CDM")
            maps.push_back(e.path().string());
    }
    std::sort(styles.begin(), styles.end());
    std::sort(maps.begin(), maps.end());
    std::printf("%d measures, seeds 1-%d, nine shapes; loudness of %d-measure renders, seed 1\n",
                o.measures, o.seeds, o.loudnessMeasures);
    printHeader("style + chord map");
    // A file that does not load is named and left out; the others still count.
    Loader loader;
    int failed = 0;
    auto load = [&](const std::string &file, auto read) -> decltype(read(file)) {
        try {
            return read(file);
        } catch (const MusicError &e) {
            std::fprintf(stderr, "%s (left out)\n", e.what());
            ++failed;
            return nullptr;
        }
    };
    std::vector<std::pair<std::string, ChordMapPtr>> mapsRead;
    for (const auto &mf : maps)
        if (auto map = load(mf, [&](const std::string &f) { return loader.LoadChordMap(f); }))
            mapsRead.emplace_back(mf, map);
    for (const auto &sf : styles) {
        StylePtr style = load(sf, [&](const std::string &f) { return loader.LoadStyle(f); });
        if (!style)
            continue;
        for (const auto &[mf, map] : mapsRead) {
            Analysis worst;
            worst.chordChangesPerMeasure = 0;
            double lo = 1e9, hi = -1e9, peak = -1e9;
            int runs = 0;
            for (int shape = 0; shape <= 8; ++shape) {
                for (int seed = 1; seed <= o.seeds; ++seed) {
                    const auto seg = compose(style, map, shape, o.measures, o.activity,
                                             static_cast<std::uint64_t>(seed));
                    const Analysis a = Analyze(*seg->data());
                    if (o.where)
                        printLeaps(fs::path(sf).stem().string() + " + " +
                                       fs::path(mf).stem().string() + " shape " +
                                       std::to_string(shape) + " seed " + std::to_string(seed) +
                                       ": ",
                                   *seg->data(), a);
                    worst.distinct = runs++ ? std::min(worst.distinct, a.distinct) : a.distinct;
                    worst.repeatAll = std::max(worst.repeatAll, a.repeatAll);
                    worst.repeatPitched = std::max(worst.repeatPitched, a.repeatPitched);
                    worst.repeatDrums = std::max(worst.repeatDrums, a.repeatDrums);
                    worst.patternChanges += a.patternChanges;
                    worst.patternChangesOffPhrase += a.patternChangesOffPhrase;
                    if (a.variationChanges >= 0) {
                        worst.variationChanges =
                            std::max(0, worst.variationChanges) + a.variationChanges;
                        worst.variationChangesOffPhrase =
                            std::max(0, worst.variationChangesOffPhrase) +
                            a.variationChangesOffPhrase;
                    }
                    if (a.fewestVariationsPer64 >= 0 &&
                        (worst.fewestVariationsPer64 < 0 ||
                         a.fewestVariationsPer64 < worst.fewestVariationsPer64))
                        worst.fewestVariationsPer64 = a.fewestVariationsPer64;
                    worst.chordChangesPerMeasure += a.chordChangesPerMeasure;
                    worst.clashes += a.clashes;
                    worst.bassLeaps += a.bassLeaps;
                    worst.widestBassLeap = std::max(worst.widestBassLeap, a.widestBassLeap);
                    worst.onsetSpreadMs = std::max(worst.onsetSpreadMs, a.onsetSpreadMs);
                    worst.strumMs = std::max(worst.strumMs, a.strumMs);
                    worst.textureShare = std::max(worst.textureShare, a.textureShare);
                }
                if (auto l = measure(
                        o, style, compose(style, map, shape, o.loudnessMeasures, o.activity, 1))) {
                    lo = std::min(lo, l->lufs);
                    hi = std::max(hi, l->lufs);
                    peak = std::max(peak, l->truePeakDb);
                }
            }
            worst.chordChangesPerMeasure /= std::max(1, runs);
            const std::string label =
                fs::path(sf).stem().string() + " + " + fs::path(mf).stem().string();
            printRow(label, worst,
                     (o.audio ? fixed(lo, 1) + ".." + fixed(hi, 1) : "-") + " " + target(*style),
                     o.audio ? fixed(peak, 1) : "-");
            std::fflush(stdout);
        }
    }
    std::printf("dist: fewest distinct measures; rep, spread, strum, tex%%, leap max, dBTP: "
                "largest;\n"
                "pat, var, clash, leap: totals; var/64: fewest; chd/m: mean.\n");
    return failed > 0 ? 1 : 0;
}

} // namespace

int RunAnalyze(const ComposeArgs &args) {
    return args.all.empty() ? one(args) : all(args);
}

} // namespace lumbrast::music::tool
