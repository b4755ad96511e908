// Standard MIDI File export of a composed segment through libsmf.
#include "midiexport.h"

#include "model.h"

#include <smf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>

namespace lumbrast::music::tool {

namespace {

struct SmfDeleter {
    void operator()(smf_t *s) const { smf_delete(s); }
};

// libsmf copies the bytes of a meta event into the event it makes.
void addMeta(smf_track_t *track, int pulses, std::uint8_t type,
             std::initializer_list<std::uint8_t> data) {
    std::vector<std::uint8_t> bytes{0xFF, type, static_cast<std::uint8_t>(data.size())};
    bytes.insert(bytes.end(), data);
    smf_track_add_event_pulses(
        track, smf_event_new_from_pointer(bytes.data(), static_cast<int>(bytes.size())), pulses);
}

void addName(smf_track_t *track, const std::string &name) {
    smf_event_t *e = smf_event_new_textual(0x03, name.c_str());
    if (e)
        smf_track_add_event_pulses(track, e, 0);
}

void addMessage(smf_track_t *track, std::int64_t tick, int status, int a, int b = -1) {
    smf_track_add_event_pulses(track, smf_event_new_from_bytes(status, a, b),
                               static_cast<int>(tick));
}

} // namespace

bool IsMidiFileName(const std::string &path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot + 1);
    for (auto &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "mid" || ext == "midi";
}

void WriteMidiFile(const Segment &segment, const std::string &path) {
    const detail::SegmentData &d = *segment.data();
    // Our ticks divide the time signature's beat; the file counts quarter notes.
    const int beat = std::max<int>(1, d.timeSig.beat);
    const auto ppqn = static_cast<int>(kTicksPerBeat * beat / 4);
    if (d.length > std::int64_t{0x7FFFFFFF})
        throw MusicError(ErrorCode::WavWrite, "the music is too long for a MIDI file", path);
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_new());
    if (!smf || smf_set_format(smf.get(), 1) != 0 || smf_set_ppqn(smf.get(), ppqn) != 0)
        throw MusicError(ErrorCode::WavWrite, "cannot set up the MIDI file", path);

    smf_track_t *conductor = smf_track_new();
    smf_add_track(smf.get(), conductor);
    addName(conductor, d.name);
    const auto usPerQuarter =
        static_cast<std::uint32_t>(std::lround(60e6 / std::max(1.0, d.tempo) * beat / 4));
    addMeta(conductor, 0, 0x51,
            {static_cast<std::uint8_t>(usPerQuarter >> 16),
             static_cast<std::uint8_t>(usPerQuarter >> 8),
             static_cast<std::uint8_t>(usPerQuarter)});
    int log2Beat = 0;
    while ((1 << log2Beat) < beat)
        ++log2Beat;
    addMeta(conductor, 0, 0x58,
            {d.timeSig.beatsPerMeasure, static_cast<std::uint8_t>(log2Beat),
             static_cast<std::uint8_t>(std::max(1, 96 / beat)), 8});

    std::map<int, smf_track_t *> tracks;
    auto trackFor = [&](int channel) {
        auto [it, fresh] = tracks.try_emplace(channel, nullptr);
        if (fresh) {
            it->second = smf_track_new();
            smf_add_track(smf.get(), it->second);
            addName(it->second, channel == 9 ? "Drums" : "Channel " + std::to_string(channel + 1));
        }
        return it->second;
    };
    for (const auto &m : d.band) {
        smf_track_t *t = trackFor(m.channel);
        const int ch = m.channel & 15;
        if (m.channel != 9)
            addMessage(t, 0, 0xB0 | ch, 0, std::min(m.bank, 127));
        addMessage(t, 0, 0xC0 | ch, m.program);
        for (auto [control, value] :
             {std::pair{7, m.volume}, {10, m.pan}, {91, m.reverb}, {93, m.chorus}})
            addMessage(t, 0, 0xB0 | ch, control, value);
    }
    for (const auto &e : d.events) {
        smf_track_t *t = trackFor(e.channel);
        const int ch = e.channel & 15;
        switch (e.kind) {
        case detail::MidiEvent::NoteOn:
            addMessage(t, e.tick, 0x90 | ch, e.data1, e.data2);
            break;
        case detail::MidiEvent::NoteOff:
            addMessage(t, e.tick, 0x80 | ch, e.data1, 0);
            break;
        case detail::MidiEvent::Control:
            addMessage(t, e.tick, 0xB0 | ch, e.data1, e.data2);
            break;
        case detail::MidiEvent::Program:
            addMessage(t, e.tick, 0xC0 | ch, e.data1);
            break;
        }
    }
    for (int i = 1; i <= smf->number_of_tracks; ++i)
        if (smf_track_add_eot_pulses(smf_get_track_by_number(smf.get(), i),
                                     static_cast<int>(d.length)) != 0)
            throw MusicError(ErrorCode::WavWrite, "cannot end a track of the MIDI file", path);
    if (smf_save(smf.get(), path.c_str()) != 0)
        throw MusicError(ErrorCode::WavWrite, "cannot write the MIDI file", path);
}

} // namespace lumbrast::music::tool
