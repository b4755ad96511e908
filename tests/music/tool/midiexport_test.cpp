// A composed segment written as a MIDI file and read back with libsmf.
#include "midiexport.h"
#include "model.h"

#include <gtest/gtest.h>
#include <smf.h>

#include <filesystem>
#include <map>

using namespace lumbrast::music;
using detail::MidiEvent;

TEST(MidiExport, TracksTempoTimeSignatureAndProgramsReadBack) {
    // 6/8 at 150 eighths a minute: the file counts quarters, 75 a minute.
    auto d = std::make_shared<detail::SegmentData>();
    d->timeSig = {6, 8, 2};
    d->tempo = 150;
    d->measures = 1;
    d->length = 6 * kTicksPerBeat;
    d->band = {{0, 24, 0, 90}, {9, 0, 0, 70}};
    for (auto [tick, ch, key] : {std::tuple{0, 0, 60}, {480, 1, 36}, {960, 9, 38}}) {
        d->events.push_back({tick, MidiEvent::NoteOn, static_cast<std::uint8_t>(ch),
                             static_cast<std::uint8_t>(key), 100});
        d->events.push_back({tick + 240, MidiEvent::NoteOff, static_cast<std::uint8_t>(ch),
                             static_cast<std::uint8_t>(key), 0});
    }
    const auto path = std::filesystem::temp_directory_path() / "lumbrast_export.mid";
    tool::WriteMidiFile(Segment(d), path.string());

    smf_t *smf = smf_load(path.string().c_str());
    ASSERT_NE(smf, nullptr);
    // Conductor, then channels 1, 2 and 10; an eighth keeps its 480 ticks.
    EXPECT_EQ(std::tuple(smf->format, smf->number_of_tracks, smf->ppqn), std::tuple(1, 4, 960));
    const smf_tempo_t *t = smf_get_tempo_by_number(smf, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::tuple(t->microseconds_per_quarter_note, t->numerator, t->denominator),
              std::tuple(800000, 6, 8));
    // Per channel: its program and where its notes start.
    std::map<int, int> program;
    std::map<int, std::vector<int>> onsets;
    for (smf_event_t *e; (e = smf_get_next_event(smf)) != nullptr;) {
        if (smf_event_is_metadata(e))
            continue;
        const int status = e->midi_buffer[0] & 0xF0, ch = e->midi_buffer[0] & 0x0F;
        if (status == 0xC0)
            program[ch] = e->midi_buffer[1];
        if (status == 0x90 && e->midi_buffer[2] > 0)
            onsets[ch].push_back(e->time_pulses);
    }
    EXPECT_EQ(program, (std::map<int, int>{{0, 24}, {9, 0}}));
    EXPECT_EQ(onsets, (std::map<int, std::vector<int>>{{0, {0}}, {1, {480}}, {9, {960}}}));
    smf_delete(smf);
    std::filesystem::remove(path);
}
