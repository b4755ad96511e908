// The small service objects and the music theory they share.
#include "model.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace lumbrast::music {

namespace {
std::string located(const std::string &description, const std::string &file, int line, int column) {
    if (file.empty())
        return description;
    if (line <= 0)
        return file + ": " + description;
    return file + ":" + std::to_string(line) + ":" + std::to_string(column > 0 ? column : 1) +
           ": " + description;
}

// A style's band or motif by position or by name; `what` ("band") and the
// style's name go into the message when there is none.
template <class T>
const T &entryAt(const std::vector<T> &list, int index, const char *what,
                 const std::string &style) {
    if (index < 0 || index >= static_cast<int>(list.size()))
        throw MusicError(ErrorCode::NotFound, "no " + std::string(what) + " at position " +
                                                  std::to_string(index) + " of style '" + style +
                                                  "'");
    return list[static_cast<std::size_t>(index)];
}

template <class T>
const T &entryNamed(const std::vector<T> &list, const std::string &name, const char *what,
                    const std::string &style) {
    for (const auto &e : list)
        if (e->name() == name)
            return e;
    throw MusicError(ErrorCode::NotFound,
                     "style '" + style + "' has no " + what + " named '" + name + "'");
}

constexpr std::array<std::string_view, kShapeCount> kShapeNames = {
    "FALLING", "LEVEL", "LOOPABLE", "LOUD", "QUIET", "PEAKING", "RANDOM", "RISING", "SONG"};
} // namespace

MusicError::MusicError(ErrorCode code, std::string description, std::string file, int line,
                       int column)
    : std::runtime_error(located(description, file, line, column)), code_(code),
      description_(std::move(description)), file_(std::move(file)), line_(line), column_(column) {}

std::string_view ShapeName(int shape) {
    if (shape < 0 || shape >= kShapeCount)
        return {};
    return kShapeNames[static_cast<std::size_t>(shape)];
}

int ShapeFromName(std::string_view name) {
    for (int i = 0; i < kShapeCount; ++i) {
        std::string_view s = kShapeNames[static_cast<std::size_t>(i)];
        if (s.size() == name.size() &&
            std::equal(s.begin(), s.end(), name.begin(), [](char a, char b) {
                return a == std::toupper(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

std::string_view EmbellishmentName(Embellishment e) {
    constexpr std::array<std::string_view, 5> kNames = {"normal", "intro", "fill", "break", "end"};
    const auto i = static_cast<std::size_t>(e);
    return i < kNames.size() ? kNames[i] : kNames[0];
}

// ---------------------------------------------------------------- style

Style::Style(std::shared_ptr<const detail::StyleData> data) : data_(std::move(data)) {
    for (const auto &b : data_->bands)
        bands_.push_back(std::make_shared<Band>(b));
    for (const auto &m : data_->motifs) {
        auto seg = std::make_shared<detail::SegmentData>();
        seg->kind = Segment::Kind::Motif;
        seg->name = m.name;
        seg->timeSig = data_->timeSig;
        seg->tempo = data_->tempo;
        seg->measures = m.measures;
        seg->length = m.measures * data_->measureTicks();
        seg->defaultBoundary = m.boundary;
        seg->motifParts = m.parts;
        seg->humanTime = data_->humanTime;
        seg->humanVelocity = data_->humanVelocity;
        auto s = std::make_shared<Segment>(seg);
        motifs_.push_back(s);
    }
}

const std::string &Style::name() const {
    return data_->name;
}
int Style::GetBandCount() const {
    return static_cast<int>(bands_.size());
}
double Style::GetTempo() const {
    return data_->tempo;
}
int Style::GetMotifCount() const {
    return static_cast<int>(motifs_.size());
}
TimeSignature Style::GetTimeSignature() const {
    return data_->timeSig;
}

std::string Style::GetBandName(int index) const {
    return entryAt(bands_, index, "band", data_->name)->name();
}
std::string Style::GetMotifName(int index) const {
    return entryAt(motifs_, index, "motif", data_->name)->name();
}

BandPtr Style::GetBand(const std::string &name) const {
    return entryNamed(bands_, name, "band", data_->name);
}
SegmentPtr Style::GetMotif(const std::string &name) const {
    return entryNamed(motifs_, name, "motif", data_->name);
}

ChordMap::ChordMap(std::shared_ptr<const detail::ChordMapData> data) : data_(std::move(data)) {}
const std::string &ChordMap::name() const {
    return data_->name;
}

// ---------------------------------------------------------------- band

Band::Band(std::shared_ptr<const detail::BandData> data) : data_(std::move(data)) {}
const std::string &Band::name() const {
    return data_->name;
}

SegmentPtr Band::CreateSegment() const {
    auto seg = std::make_shared<detail::SegmentData>();
    seg->kind = Segment::Kind::Band;
    seg->name = data_->name;
    seg->length = 0;
    seg->band = data_->members;
    detail::AppendBandEvents(seg->events, seg->band);
    return std::make_shared<Segment>(seg);
}

// ---------------------------------------------------------------- segment

Segment::Segment(std::shared_ptr<const detail::SegmentData> data) : data_(std::move(data)) {
    defaultBoundary_.store(data_->defaultBoundary);
}

Segment::Kind Segment::kind() const {
    return data_->kind;
}
const std::string &Segment::name() const {
    return data_->name;
}
std::int64_t Segment::GetLength() const {
    return data_->length;
}
int Segment::measures() const {
    return data_->measures;
}
TimeSignature Segment::timeSignature() const {
    return data_->timeSig;
}
double Segment::tempo() const {
    return data_->tempo;
}

void Segment::SetDefaultResolution(std::uint32_t boundary) {
    boundary &= kPlayGrid | kPlayBeat | kPlayMeasure;
    defaultBoundary_.store(boundary);
}

SegmentState::SegmentState(SegmentPtr segment, std::uint64_t id)
    : segment_(std::move(segment)), id_(id) {}

// ---------------------------------------------------------------- theory

namespace detail {

int ChordMapData::find(const std::string &id) const {
    for (std::size_t i = 0; i < chords.size(); ++i)
        if (chords[i].id == id)
            return static_cast<int>(i);
    return -1;
}

bool ChordMapData::connected(int from, int to) const {
    return std::any_of(edges.begin(), edges.end(),
                       [&](const ChordEdge &e) { return e.from == from && e.to == to; });
}

namespace {
using NamedSteps = std::vector<std::pair<std::string_view, std::vector<int>>>;

// The steps `table` gives `name`; none for a name it lacks.
std::vector<int> stepsNamed(const NamedSteps &table, const std::string &name) {
    for (const auto &[key, steps] : table)
        if (key == name)
            return steps;
    return {};
}
} // namespace

std::vector<int> ChordIntervals(const std::string &type) {
    static const NamedSteps types = {
        {"maj", {0, 4, 7}},          {"min", {0, 3, 7}},          {"dim", {0, 3, 6}},
        {"aug", {0, 4, 8}},          {"sus2", {0, 2, 7}},         {"sus4", {0, 5, 7}},
        {"6", {0, 4, 7, 9}},         {"min6", {0, 3, 7, 9}},      {"7", {0, 4, 7, 10}},
        {"maj7", {0, 4, 7, 11}},     {"min7", {0, 3, 7, 10}},     {"m7b5", {0, 3, 6, 10}},
        {"dim7", {0, 3, 6, 9}},      {"add9", {0, 2, 4, 7}},      {"9", {0, 4, 7, 10, 14}},
        {"maj9", {0, 4, 7, 11, 14}}, {"min9", {0, 3, 7, 10, 14}}, {"7sus4", {0, 5, 7, 10}},
    };
    return stepsNamed(types, type);
}

std::vector<int> ScaleSteps(const std::string &name) {
    static const NamedSteps scales = {
        {"major", {0, 2, 4, 5, 7, 9, 11}},
        {"ionian", {0, 2, 4, 5, 7, 9, 11}},
        {"minor", {0, 2, 3, 5, 7, 8, 10}},
        {"aeolian", {0, 2, 3, 5, 7, 8, 10}},
        {"harmonic-minor", {0, 2, 3, 5, 7, 8, 11}},
        {"dorian", {0, 2, 3, 5, 7, 9, 10}},
        {"phrygian", {0, 1, 3, 5, 7, 8, 10}},
        {"lydian", {0, 2, 4, 6, 7, 9, 11}},
        {"mixolydian", {0, 2, 4, 5, 7, 9, 10}},
        {"locrian", {0, 1, 3, 5, 6, 8, 10}},
        {"phrygian-dominant", {0, 1, 4, 5, 7, 8, 10}},
    };
    return stepsNamed(scales, name);
}

namespace {
// The scale degree (0-6, from the root) a chord tone stands on: a third on the
// third degree, a flat fifth on the fifth, a diminished seventh on the seventh.
int degreeOf(int interval, const std::vector<int> &intervals) {
    static constexpr int kDegree[12] = {0, 1, 1, 2, 2, 3, 4, 4, 4, 5, 6, 6};
    const int i = interval % 12;
    if (i == 9 && std::find(intervals.begin(), intervals.end(), 6) != intervals.end())
        return 6;
    return kDegree[i];
}
} // namespace

std::vector<int> ChordScale(const std::vector<int> &scale, int degree, int alter,
                            const std::vector<int> &intervals) {
    const int n = static_cast<int>(scale.size());
    std::vector<int> out(scale.size());
    const int root = scale[static_cast<std::size_t>(degree)] + alter;
    for (int k = 0; k < n; ++k)
        out[static_cast<std::size_t>(k)] =
            ((scale[static_cast<std::size_t>((degree + k) % n)] - root) % 12 + 12) % 12;
    for (int iv : intervals)
        out[static_cast<std::size_t>(degreeOf(iv, intervals) % n)] = iv % 12;
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

namespace {
int atOrAbove(int low, int pc) {
    int k = low + ((pc - low) % 12 + 12) % 12;
    return k;
}
int clampKey(int k) {
    while (k > 127)
        k -= 12;
    while (k < 0)
        k += 12;
    return k;
}
} // namespace

int ResolveKey(const PatternNote &note, const Part &part, const ChordContext &chord) {
    if (note.kind == PatternNote::Kind::Key || part.voice == Voice::Fixed)
        return note.index;
    const std::vector<int> &iv = *chord.intervals;
    const int n = static_cast<int>(iv.size());
    const int rootKey = atOrAbove(part.low, chord.root);
    int key = rootKey;
    if (note.kind == PatternNote::Kind::ChordTone) {
        int oct = note.index / n, j = note.index % n;
        if (part.voice == Voice::Root) {
            key = rootKey + iv[static_cast<std::size_t>(j)] + 12 * oct;
        } else {
            // Every tone at or above `low`: the chord turns into the inversion that
            // sits in the part's window, so successive chords move by small steps.
            int voiced[8];
            for (int i = 0; i < n && i < 8; ++i)
                voiced[i] =
                    atOrAbove(part.low, (chord.root + iv[static_cast<std::size_t>(i)]) % 12);
            std::sort(voiced, voiced + std::min(n, 8));
            key = voiced[std::min(j, 7)] + 12 * oct;
        }
    } else {
        // Scale steps counted from the chord root through the chord's own scale.
        const std::vector<int> &sc = *chord.scale;
        const int m = static_cast<int>(sc.size());
        key = rootKey + sc[static_cast<std::size_t>(note.index % m)] + 12 * (note.index / m);
    }
    return clampKey(key + 12 * note.octave);
}

ChordContext ChordAt(const SegmentData &segment, std::int64_t tick) {
    if (segment.chords.empty() || !segment.chordMap)
        return DefaultChord();
    if (segment.length > 0)
        tick = ((tick % segment.length) + segment.length) % segment.length;
    auto it = std::upper_bound(segment.chords.begin(), segment.chords.end(), tick,
                               [](std::int64_t t, const ChordSpan &c) { return t < c.tick; });
    if (it != segment.chords.begin())
        --it;
    const ChordDef &c = segment.chordMap->chords[static_cast<std::size_t>(it->chord)];
    return {c.root, &c.intervals, &c.scale};
}

void AppendBandEvents(std::vector<MidiEvent> &events, const std::vector<BandMember> &members) {
    auto b = [](int v) { return static_cast<std::uint8_t>(v); };
    for (const auto &m : members) {
        events.push_back({0, MidiEvent::Program, b(m.channel), b(m.program), b(m.bank)});
        events.push_back({0, MidiEvent::Control, b(m.channel), 7, b(m.volume)});
        events.push_back({0, MidiEvent::Control, b(m.channel), 10, b(m.pan)});
        events.push_back({0, MidiEvent::Control, b(m.channel), 91, b(m.reverb)});
        events.push_back({0, MidiEvent::Control, b(m.channel), 93, b(m.chorus)});
    }
}

ChordContext DefaultChord() {
    static const std::vector<int> triad = {0, 4, 7};
    static const std::vector<int> major = {0, 2, 4, 5, 7, 9, 11};
    return {0, &triad, &major};
}

} // namespace detail
} // namespace lumbrast::music
