// The parsed contents of styles, chord maps, bands and segments. Shared
// read-only between the loader, the composer and the performance.
#pragma once

#include "musicservice.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumbrast::music::detail {

// How a part turns chord-relative notes into keys.
enum class Voice : std::uint8_t {
    Root,    // chord root placed at or above `low`, tones stacked on it
    Voicing, // every chord tone placed at or above `low`, sorted: smooth inversions
    Fixed,   // absolute keys (drums, pedal tones)
};

struct PatternNote {
    enum class Kind : std::uint8_t { ChordTone, ScaleStep, Key };
    std::int32_t start = 0;  // ticks from the pattern's start
    std::int32_t length = 0; // ticks
    Kind kind = Kind::Key;
    std::int16_t index = 0; // chord tone or scale step from 0; or the MIDI key
    std::int8_t octave = 0; // octaves added
    std::uint8_t velocity = 100;
    std::uint8_t chance = 100; // percent
};

enum class Articulation : std::uint8_t { Normal, Legato, Staccato };

struct Part {
    int channel = 0; // from 0
    Voice voice = Voice::Fixed;
    int low = 48;           // lowest key of the root / voicing window
    int humanTime = -1;     // ticks either side; -1: the style's
    int humanVelocity = -1; // velocity either side; -1: the style's
    bool hold = false;      // chord notes ring on over a chord change
    bool leap = false;      // root parts: the root at or above `low`, not the nearest one
    int swing = -1;         // percent of a beat where its second half starts; -1: the style's
    int strum = 0;          // milliseconds a chord's notes spread over, low to high
    Articulation articulation = Articulation::Normal;
    std::vector<PatternNote> notes;
    // Other bars the part may play instead of `notes`; weights[0] is for `notes`,
    // weights[i + 1] for variations[i] (empty: all equal).
    std::vector<std::vector<PatternNote>> variations;
    std::vector<int> weights;
};

struct Pattern {
    std::string name;
    int grooveLow = 1;
    int grooveHigh = 100;
    Embellishment embellishment = Embellishment::Normal;
    int measures = 1;
    std::vector<Part> parts;
};

struct BandMember {
    int channel = 0; // from 0
    int program = 0; // General MIDI program from 0 (drum kit on channel 9)
    int bank = 0;
    int volume = 100;
    int pan = 64;
    int reverb = 40;
    int chorus = 0;
};

struct BandData {
    std::string name;
    std::vector<BandMember> members;
};

struct MotifData {
    std::string name;
    int measures = 1;
    std::uint32_t boundary = kPlayBeat; // default boundary (0 = at once)
    std::vector<Part> parts;
};

struct StyleData {
    std::string name;
    std::string source;
    double tempo = 120;
    TimeSignature timeSig;
    int humanTime = 8;
    int humanVelocity = 6;
    int swing = 50;      // percent of a beat where its second half starts (50: straight)
    int accent = 0;      // percent added on the downbeat, half of it on other strong beats
    double loudness = 0; // target integrated loudness in LUFS; 0: none declared
    std::vector<std::shared_ptr<const BandData>> bands;
    std::vector<Pattern> patterns;
    std::vector<MotifData> motifs;
    // The motif named for each game moment (see moments.h); with no [moments]
    // table the defaults apply.
    bool momentsGiven = false;
    std::array<std::string, 6> moments;

    std::int64_t measureTicks() const { return kTicksPerBeat * timeSig.beatsPerMeasure; }
};

struct ChordDef {
    std::string id;
    int root = 0;               // pitch class 0-11
    std::vector<int> intervals; // semitones above the root, ascending, first 0
    std::vector<int> scale;     // the chord's scale: 7 semitones above the root, first 0
    std::string type;
};

struct ChordEdge {
    int from = 0, to = 0; // indices into the chords
    int weight = 1;
    int minBeats = 1, maxBeats = 4; // how long the chord is held
};

struct ChordMapData {
    std::string name;
    std::string source;
    int key = 0; // pitch class of the tonic
    std::string scaleName;
    std::vector<int> scale; // pitch classes of the scale, from the tonic
    int phraseMeasures = 4;
    std::vector<ChordDef> chords;
    std::vector<ChordEdge> edges;
    std::vector<int> startSignposts;
    std::vector<int> endSignposts;
    std::vector<int> cadence;       // the closing progression, last chord last
    std::vector<int> distanceToEnd; // graph steps from each chord to an end signpost

    int find(const std::string &id) const;
    bool connected(int from, int to) const;
};

// One resolved MIDI message in a segment. Within one tick: note-offs first,
// then controls and programs, then note-ons.
struct MidiEvent {
    enum Kind : std::uint8_t { NoteOff = 0, Control = 1, Program = 2, NoteOn = 3 };
    std::int64_t tick = 0;
    std::uint8_t kind = NoteOn;
    std::uint8_t channel = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t flags = 0; // Flag bits: what the composer meant by the note

    enum Flag : std::uint8_t {
        Passing = 1, // a passing note, not meant as a chord tone
        Leap = 2,    // a jump over a fifth the part asked for
        Strum = 4,   // one string of a strummed chord, spread on purpose
    };
};

inline bool operator<(const MidiEvent &a, const MidiEvent &b) {
    if (a.tick != b.tick)
        return a.tick < b.tick;
    return a.kind < b.kind;
}

struct ChordSpan {
    std::int64_t tick = 0;
    std::int64_t length = 0;
    int chord = 0; // index in the chord map
};

// The chord in force at some moment, enough to place chord-relative notes.
struct ChordContext {
    int root = 0;
    const std::vector<int> *intervals = nullptr;
    const std::vector<int> *scale = nullptr; // the chord's scale, above its root
};

struct SegmentData {
    Segment::Kind kind = Segment::Kind::Composed;
    std::string name;
    TimeSignature timeSig;
    double tempo = 120;
    double loudness = 0; // the style's target in LUFS; 0: none
    // Per measure: a rough power of its notes (velocity and channel volume, as
    // the synthesiser weighs them, times duration), and its mean over the
    // segment; the loudness follower looks ahead with them.
    std::vector<float> energy;
    double energyMean = 0;
    int measures = 0;
    std::int64_t length = 0; // ticks
    std::uint32_t defaultBoundary = 0;
    std::vector<BandMember> band;  // applied when the segment starts
    std::vector<MidiEvent> events; // composed and band segments
    // Composed segments: what the composer decided, measure by measure.
    std::vector<ChordSpan> chords;
    std::vector<int> groove;
    std::vector<Embellishment> embellishments;
    std::vector<std::string> patternNames;
    // Per measure and per part of its pattern: the variation played (-1: the part's own bar).
    std::vector<std::vector<int>> variations;
    std::vector<bool> phraseStarts; // per measure: a phrase begins here
    std::shared_ptr<const ChordMapData> chordMap;
    // Motifs: chord-relative parts, placed against the primary's chord at play.
    std::vector<Part> motifParts;
    int humanTime = 0;
    int humanVelocity = 0;
};

// MIDI key of a chord-relative or fixed note for the given chord.
int ResolveKey(const PatternNote &note, const Part &part, const ChordContext &chord);

// Chord context of a composed segment at a tick (wraps around its length).
ChordContext ChordAt(const SegmentData &segment, std::int64_t tick);
// C major triad, for motifs played without a composed segment.
ChordContext DefaultChord();

// Program, volume, pan and effect sends of a band, as events at tick 0.
void AppendBandEvents(std::vector<MidiEvent> &events, const std::vector<BandMember> &members);

// Intervals of a chord type name ("maj7", "min" ...); empty if unknown.
std::vector<int> ChordIntervals(const std::string &type);
// Scale steps of a scale name; empty if unknown.
std::vector<int> ScaleSteps(const std::string &name);
// The scale of a chord on `degree` (0-6, root altered by `alter`) of `scale`: the
// scale's tones from the chord's root, each chord tone replacing the degree it
// stands on. Semitones above the root, ascending.
std::vector<int> ChordScale(const std::vector<int> &scale, int degree, int alter,
                            const std::vector<int> &intervals);

} // namespace lumbrast::music::detail
