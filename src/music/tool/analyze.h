// Figures that tell how composed a composition sounds: repetition, pattern
// changes against phrases, wrong notes, leaps, timing spread and texture.
#pragma once

#include "model.h"

#include <string>
#include <vector>

namespace lumbrast::music::tool {

// A note as it sounds: from its note-on to its note-off.
struct SoundingNote {
    std::int64_t on = 0, off = 0;
    int channel = 0, key = 0;
    bool passing = false;
    bool leap = false;  // a jump its part asked for
    bool strum = false; // spread on purpose with the other strings of its chord
};

std::vector<SoundingNote> SoundingNotes(const detail::SegmentData &segment);

// A bass step over a fifth that its part did not ask for.
struct BassLeap {
    std::int64_t tick = 0; // of the note leapt to
    int from = 0, to = 0;  // MIDI keys
};

struct Analysis {
    int measures = 0;
    int distinct = 0; // measures that differ note for note from every other
    // Longest stretch in which each measure repeats one 1 to 4 measures earlier.
    int repeatAll = 0, repeatPitched = 0, repeatDrums = 0;
    int patternChanges = 0, patternChangesOffPhrase = 0;       // between normal patterns
    int variationChanges = -1, variationChangesOffPhrase = -1; // -1: no variations recorded
    int fewestVariationsPer64 = -1; // fewest variations one part plays in 64 measures
    double chordChangesPerMeasure = 0;
    int clashes = 0;
    int bassLeaps = 0, widestBassLeap = 0; // leaps over a fifth not written, in semitones
    std::vector<BassLeap> leaps;
    double onsetSpreadMs = 0; // widest spread of notes written together, unstrummed
    double strumMs = 0;       // widest strum
    double textureShare = 0;  // share of the most common texture, 0-1
};

Analysis Analyze(const detail::SegmentData &segment);

// Loudness of a render: EBU R128 integrated (LUFS) and true peak (dBTP).
struct Loudness {
    double lufs = 0;
    double truePeakDb = 0;
};

} // namespace lumbrast::music::tool
