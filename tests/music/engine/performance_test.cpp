// The performance on the offline clock: notices, boundaries, tempo, stop.
#include "engine.h"
#include "model.h"
#include "testdata.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <tuple>

using namespace lumbrast::music;
using namespace lumbrast::music::test;

namespace {

// At 120 bpm a beat is exactly 24000 samples at 48 kHz.
constexpr std::int64_t kBeat = 24000;

// Two parts written out of time order, a note running past the motif's end,
// velocities at both ends of the range, and parts that humanise on their own.
const char *kMotifs = R"(
band = [ { name = "One", channels = [ { channel = 1, program = 1 }, { channel = 2, program = 1 } ] } ]
motif = [ { name = "Cross", boundary = "beat", part = [
    { channel = 1, voice = "voicing", low = 60, humanize = { time = 0, velocity = 40 }, notes = ["1.2 c1 1 127", "1.3 c2 2 1"] },
    { channel = 2, voice = "voicing", low = 48, humanize = { time = 0, velocity = 0 }, notes = ["1.1 c1 1/2 100"] } ] },
  { name = "Half", boundary = "beat", part = [ { channel = 1, voice = "voicing", low = 60, notes = ["1.1 c1 1 100 ?50"] } ] },
  { name = "Twice", boundary = "beat", part = [ { channel = 1, voice = "voicing", low = 60, notes = ["1.1 c1 1 100", "1.2 c1 1 100"] } ] } ]
pattern = [ { name = "p", groove = [1, 100], part = [ { channel = 1, voice = "voicing", notes = ["1.1 c1 3 80"] } ] } ]
[style]
name = "Test Motifs"
tempo = 120
time_signature = [3, 4]
humanize = { time = 20, velocity = 30 }
)";

// An offline performance at 48 kHz whose played events go to `played`.
void initOffline(Performance &perf, std::vector<PlayedEvent> &played) {
    AudioParams p;
    p.output = AudioOutput::Offline;
    p.sampleRate = 48000;
    perf.InitAudio(p);
    perf.SetEventTap([&played](const PlayedEvent &e) { played.push_back(e); });
}

SegmentPtr compose(int measures) {
    return Composer(3).ComposeSegmentFromShape(waltz(), measures, 1, 1, false, false, majorMap());
}

struct Offline : testing::Test {
    Performance perf;
    std::vector<PlayedEvent> played;
    StylePtr style = waltz();

    void SetUp() override {
        initOffline(perf, played);
        perf.AddNotificationType(kNotifySegment);
        perf.AddNotificationType(kNotifyMeasureAndBeat);
    }
    std::vector<NotificationPMSG> drain() {
        std::vector<NotificationPMSG> out;
        for (NotificationPMSG n; perf.GetNotificationPMSG(n);)
            out.push_back(n);
        return out;
    }
    template <class Pred>
    static const NotificationPMSG *find(const std::vector<NotificationPMSG> &n, Pred p) {
        auto it = std::find_if(n.begin(), n.end(), p);
        return it == n.end() ? nullptr : &*it;
    }
    const PlayedEvent *firstPlayed(PlayedEvent::Kind kind, std::uint64_t stateId = 0) {
        for (const auto &e : played)
            if (e.kind == kind && (!stateId || e.stateId == stateId))
                return &e;
        return nullptr;
    }
};

} // namespace

TEST_F(Offline, MotifsStartOnTheExactSampleOfTheirBoundary) {
    // Default boundaries: beat for the bell, measure for the drum.
    SegmentPtr bell = style->GetMotif("Bell"), drum = style->GetMotif("Drum");
    const std::int64_t t0 = kBeat / 3; // the music starts late
    perf.AdvanceOffline(t0);
    perf.PlaySegmentEx(compose(8), 0);
    const std::int64_t now = t0 + 4 * kBeat + 1234; // inside beat 2 of measure 2
    perf.AdvanceOffline(now - t0);
    struct {
        std::uint32_t flags;
        SegmentPtr motif;
        std::int64_t expected;
    } cases[] = {
        {0x80, bell, now},
        {0x880, bell, t0 + 4 * kBeat + kBeat / 2}, // grid: half beats in this style
        {0x1080, bell, t0 + 5 * kBeat},
        {0x2080, bell, t0 + 6 * kBeat},
        {0x4080, bell, t0 + 5 * kBeat},
        {0x4080, drum, t0 + 6 * kBeat},
    };
    std::vector<SegmentStatePtr> states;
    for (const auto &c : cases)
        states.push_back(perf.PlaySegmentEx(c.motif, c.flags));
    drain();
    perf.AdvanceOffline(4 * kBeat);
    auto n = drain();
    for (std::size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << cases[i].flags);
        const PlayedEvent *note = firstPlayed(PlayedEvent::Kind::NoteOn, states[i]->id());
        auto start = find(
            n, [&](const auto &x) { return x.user == states[i] && x.option == kSegmentStart; });
        ASSERT_TRUE(note && start);
        EXPECT_EQ(note->sample, cases[i].expected);
        EXPECT_EQ(start->sampleTime, cases[i].expected);
    }
    // A motif ends one measure after it starts, with its own end notice.
    auto end = find(n, [&](auto &x) { return x.user == states[0] && x.option == kSegmentEnd; });
    EXPECT_TRUE(end && end->sampleTime == now + 3 * kBeat);
    // What falls on one sample comes in the order it was asked for, and a
    // note ends before another begins there.
    std::vector<std::uint64_t> started;
    for (const auto &x : n)
        if (x.option == kSegmentStart && x.type == kNotifySegment && x.sampleTime == t0 + 5 * kBeat)
            started.push_back(x.user->id());
    EXPECT_EQ(started, (std::vector<std::uint64_t>{states[2]->id(), states[4]->id()}));
    for (std::size_t i = 1; i < played.size(); ++i)
        EXPECT_FALSE(played[i].sample == played[i - 1].sample &&
                     played[i].kind == PlayedEvent::Kind::NoteOff &&
                     played[i - 1].kind == PlayedEvent::Kind::NoteOn)
            << "at sample " << played[i].sample;
}

// A motif takes each note's chord from the music under that note: the
// second note of one started on beat 3 sounds the next measure's chord, as
// the first note of one started there does.
TEST(Performance, MotifFollowsTheChordUnderEachNote) {
    SegmentPtr twice = Loader::ParseStyle(kMotifs, "MOTIFS.STY")->GetMotif("Twice");
    std::vector<std::vector<int>> heard[2];
    for (int late : {0, 1}) {
        Performance perf;
        std::vector<PlayedEvent> played;
        initOffline(perf, played);
        const std::int64_t t0 = late * (7 * kBeat + 5);
        perf.AdvanceOffline(t0);
        perf.PlaySegmentEx(compose(8), 0);
        std::vector<SegmentStatePtr> states;
        for (int m = 0; m < 7; ++m) {
            perf.AdvanceOffline(t0 + (m * 3 + 1) * kBeat + 100 - perf.GetSampleTime()); // beat 2
            states.push_back(perf.PlaySegmentEx(twice, 0x1080));
            states.push_back(perf.PlaySegmentEx(twice, 0x2080));
        }
        perf.AdvanceOffline(6 * kBeat);
        for (const auto &s : states) {
            heard[late].emplace_back();
            for (const auto &e : played)
                if (e.stateId == s->id() && e.kind == PlayedEvent::Kind::NoteOn)
                    heard[late].back().push_back(e.data1);
        }
        for (std::size_t i = 0; i < states.size(); i += 2) {
            ASSERT_TRUE(heard[late][i].size() == 2 && heard[late][i + 1].size() == 2);
            EXPECT_EQ(heard[late][i][1], heard[late][i + 1][0]) << "measure " << i / 2;
        }
    }
    EXPECT_EQ(heard[0], heard[1]); // the chords follow the music, not the clock
}

TEST_F(Offline, TempoChangesAtOnceAndStopSilences) {
    SegmentPtr seg = compose(8);
    SegmentStatePtr st = perf.PlaySegmentEx(seg, 0);
    const std::int64_t change = kBeat + kBeat / 4; // a quarter into beat 2
    perf.AdvanceOffline(change);
    drain();
    perf.SendTempoPMSG(0, 1, 60.0); // half speed: the rest of the beat takes twice as long
    for (double bad : {0.99, 1000.01})
        EXPECT_THROW(perf.SendTempoPMSG(0, 1, bad), MusicError) << bad;
    perf.AdvanceOffline(4 * kBeat);
    auto n = drain();
    ASSERT_EQ(n.size(), 2u);
    EXPECT_TRUE(n[0].field1 == 2 && n[0].sampleTime == change + 2 * (kBeat * 3 / 4));
    EXPECT_EQ(n[1].sampleTime, n[0].sampleTime + 2 * kBeat);

    perf.StopEx(seg, 0, 0);
    n = drain();
    EXPECT_TRUE(n.size() == 1u && n[0].option == kSegmentAbort && n[0].user == st);

    // A secondary composition lays its notes over the tempo that runs.
    perf.PlaySegmentEx(compose(1), 0x80);
    perf.AdvanceOffline(1);
    EXPECT_EQ(perf.GetTempo(), 60.0);
    for (double edge : {1.0, 1000.0}) {
        perf.SendTempoPMSG(0, 1, edge);
        EXPECT_EQ(perf.GetTempo(), edge);
    }
}

// Over no music (C major) each note sounds at its written time, in time
// order across parts, cut at the motif's end, with a velocity MIDI can carry.
TEST_F(Offline, MotifNotesSoundAtTheirWrittenTimes) {
    using Note = std::tuple<PlayedEvent::Kind, int, int, std::int64_t>;
    const auto on = PlayedEvent::Kind::NoteOn, off = PlayedEvent::Kind::NoteOff;
    SegmentPtr cross = Loader::ParseStyle(kMotifs, "MOTIFS.STY")->GetMotif("Cross");
    std::set<int> loud, soft;
    for (int play = 0; play < 6; ++play) {
        played.clear();
        SegmentStatePtr st = perf.PlaySegmentEx(cross, 0x80);
        perf.AdvanceOffline(3 * kBeat + 1);
        std::vector<Note> notes;
        for (const auto &e : played) {
            notes.emplace_back(e.kind, e.channel, e.data1, e.sample - st->GetStartSample());
            if (e.kind == on && e.channel == 0)
                (e.data1 == 60 ? loud : soft).insert(e.data2);
            if (e.kind == on && e.channel == 1) {
                EXPECT_EQ(e.data2, 100); // the part's own humanising of 0 holds
            }
        }
        const std::vector<Note> expected = {{on, 1, 48, 0},         {off, 1, 48, kBeat / 2},
                                            {on, 0, 60, kBeat},     {off, 0, 60, 2 * kBeat},
                                            {on, 0, 64, 2 * kBeat}, {off, 0, 64, 3 * kBeat}};
        EXPECT_EQ(notes, expected) << "play " << play;
    }
    EXPECT_TRUE(*loud.begin() >= 87 && *loud.rbegin() == 127) << *loud.rbegin();
    EXPECT_TRUE(*soft.begin() == 1 && *soft.rbegin() <= 41) << *soft.begin();
    // A note by chance sounds in some plays, not in all.
    played.clear();
    for (int play = 0; play < 20; ++play) {
        perf.PlaySegmentEx(Loader::ParseStyle(kMotifs, "MOTIFS.STY")->GetMotif("Half"), 0x80);
        perf.AdvanceOffline(3 * kBeat + 1);
    }
    const auto sounded = std::count_if(played.begin(), played.end(),
                                       [](auto &e) { return e.kind == PlayedEvent::Kind::NoteOn; });
    EXPECT_TRUE(sounded > 0 && sounded < 20) << sounded;
}

// A motif keeps its own notes and times whatever starts or stops around it:
// each one, played in a busy performance, sounds exactly as it does when
// the performance is left alone after its start.
TEST(Performance, EveryMotifPlaysItsOwnNotesWhateverStartsOrStopsAroundIt) {
    using Note = std::tuple<PlayedEvent::Kind, int, int, int, std::int64_t>;
    struct Run {
        Performance perf;
        std::vector<PlayedEvent> played;
        std::vector<SegmentStatePtr> states;
    };
    const StylePtr style = waltz();
    const SegmentPtr second = compose(4), bell = style->GetMotif("Bell");
    // Half a beat apart: music, motifs, a band, more music, then Stop of that (no segment).
    const std::vector<std::pair<SegmentPtr, std::uint32_t>> script = {
        {compose(8), 0},
        {bell, 0x80},
        {style->GetMotif("Drum"), 0x80},
        {style->GetBand("Two")->CreateSegment(), 0x80},
        {bell, 0x80},
        {second, 0},
        {nullptr, 0}};
    // Runs the script up to and including step `last`, then lets it play.
    auto run = [&](std::size_t last) {
        auto r = std::make_unique<Run>();
        initOffline(r->perf, r->played);
        for (std::size_t i = 0; i <= last; ++i) {
            if (const auto &[seg, flags] = script[i]; seg)
                r->states.push_back(r->perf.PlaySegmentEx(seg, flags));
            else
                r->perf.StopEx(second);
            r->perf.AdvanceOffline(i + 1 < script.size() ? kBeat / 2 : 0);
        }
        r->perf.AdvanceOffline(8 * kBeat);
        return r;
    };
    auto notesOf = [](const Run &r, const SegmentStatePtr &s) {
        std::vector<Note> out;
        for (const auto &e : r.played)
            if (e.stateId == s->id() && e.kind != PlayedEvent::Kind::Program)
                out.emplace_back(e.kind, e.channel, e.data1, e.data2,
                                 e.sample - s->GetStartSample());
        return out;
    };
    const auto busy = run(script.size() - 1);
    // Every state ends each note it starts, stopped or not.
    std::map<std::tuple<std::uint64_t, int, int>, int> sounding;
    for (const auto &e : busy->played)
        if (e.kind == PlayedEvent::Kind::NoteOn)
            ++sounding[{e.stateId, e.channel, e.data1}];
        else if (e.kind == PlayedEvent::Kind::NoteOff)
            --sounding[{e.stateId, e.channel, e.data1}];
    for (const auto &[key, count] : sounding)
        EXPECT_EQ(count, 0) << "state " << std::get<0>(key) << " key " << std::get<2>(key);
    for (std::size_t step : {1, 2, 4}) {
        SCOPED_TRACE(testing::Message() << "motif started at step " << step);
        const auto alone = run(step);
        const auto expected = notesOf(*alone, alone->states[step]);
        EXPECT_FALSE(expected.empty());
        EXPECT_NE(busy->states[step]->id(), 0u); // 0 marks events of no state
        EXPECT_EQ(notesOf(*busy, busy->states[step]), expected);
    }
}

// A new primary replaces the old one and plays its repeats; Stop then stops the
// music that plays, whichever segment was handed out last, and a motif over it plays on.
TEST_F(Offline, NewPrimaryReplacesTheOldOneAndStopStopsTheOneThatPlays) {
    SegmentPtr a = compose(4), b = compose(2);
    SegmentStatePtr sa = perf.PlaySegmentEx(a, 0);
    perf.AdvanceOffline(kBeat);
    b->SetRepeats(1);
    SegmentStatePtr sb = perf.PlaySegmentEx(b, 0);
    EXPECT_TRUE(!perf.IsPlaying(a) && perf.IsPlaying(b, sb) && !perf.IsPlaying(b, sa));
    perf.AdvanceOffline(20 * kBeat);
    auto n = drain();
    EXPECT_EQ(
        std::count_if(n.begin(), n.end(),
                      [&](auto &x) { return x.type == kNotifyMeasureAndBeat && x.user == sb; }),
        12); // two measures of 3/4, played twice
    EXPECT_TRUE(find(n, [&](auto &x) { return x.user == sa && x.option == kSegmentAbort; }));
    auto endB = find(n, [&](auto &x) { return x.user == sb && x.option == kSegmentEnd; });
    EXPECT_TRUE(endB && endB->sampleTime == kBeat + 12 * kBeat);
    // The repeat plays the first pass's notes again, each as far into its pass.
    std::vector<std::pair<int, std::int64_t>> passes[2];
    for (const auto &e : played)
        if (e.stateId == sb->id() && e.kind == PlayedEvent::Kind::NoteOn) {
            const std::int64_t at = e.sample - sb->GetStartSample();
            passes[at >= 6 * kBeat ? 1 : 0].emplace_back(e.data1, at % (6 * kBeat));
        }
    EXPECT_FALSE(passes[0].empty());
    EXPECT_EQ(passes[0], passes[1]);

    perf.PlaySegmentEx(a, 0);
    perf.AdvanceOffline(kBeat);
    sb = perf.PlaySegmentEx(b, 0);
    SegmentStatePtr bell = perf.PlaySegmentEx(style->GetMotif("Bell"), 0x80);
    perf.AdvanceOffline(kBeat);
    drain();
    perf.StopEx(nullptr, 0, kStopPrimary);
    EXPECT_FALSE(perf.IsPlaying(b));
    EXPECT_TRUE(perf.IsPlaying(nullptr, bell));
    n = drain();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_TRUE(n[0].user == sb && n[0].option == kSegmentAbort);
    perf.AdvanceOffline(4 * kBeat);
    for (const auto &x : drain())
        EXPECT_TRUE(x.user == bell && x.type == kNotifySegment); // no more beats
}

TEST_F(Offline, OnlyRequestedNoticesSecondariesOverSilenceAndClosing) {
    perf.RemoveNotificationType(kNotifyMeasureAndBeat);
    EXPECT_THROW(perf.AddNotificationType(4), MusicError);
    SegmentPtr empty = compose(0);
    empty->SetRepeats(0xFFFFFFFF); // nothing to repeat: it ends at once
    for (const SegmentPtr &seg : {compose(2), empty}) {
        perf.PlaySegmentEx(seg, 0);
        perf.AdvanceOffline(7 * kBeat);
        auto n = drain();
        EXPECT_TRUE(n.size() == 2u && n[0].option == kSegmentStart && n[1].option == kSegmentEnd);
    }

    perf.RemoveNotificationType(kNotifySegment);
    perf.AddNotificationType(kNotifyMeasureAndBeat);
    perf.PlaySegmentEx(compose(1), 0);
    perf.AdvanceOffline(3 * kBeat + 1);
    auto beats = drain();
    EXPECT_TRUE(beats.size() == 3u && beats[0].type == kNotifyMeasureAndBeat);
    perf.RemoveNotificationType(kNotifyMeasureAndBeat);
    perf.AddNotificationType(kNotifySegment);

    // With no music under it a motif starts at once and sounds over C major.
    const std::int64_t now = perf.GetSampleTime();
    SegmentStatePtr bell = perf.PlaySegmentEx(style->GetMotif("Bell"), 0x2080);
    perf.AdvanceOffline(500);
    const PlayedEvent *note = firstPlayed(PlayedEvent::Kind::NoteOn, bell->id());
    EXPECT_TRUE(note && note->data1 == 72 && note->sample == now); // C5
    // A band segment sets its instruments at once and ends.
    BandPtr band = style->GetBand("Two");
    band->Download(perf);
    SegmentPtr bs = band->CreateSegment();
    bs->Download(perf.GetDefaultAudioPath());
    EXPECT_TRUE(band->isDownloaded() && bs->isDownloaded());
    SegmentStatePtr bst = perf.PlaySegmentEx(bs, 0x80);
    perf.AdvanceOffline(1);
    const PlayedEvent *program = firstPlayed(PlayedEvent::Kind::Program, bst->id());
    // At once, nylon guitar (program 25 counted from 1), and over.
    EXPECT_TRUE(program && program->sample == now + 500 && program->data1 == 24);
    EXPECT_FALSE(perf.IsPlaying(bs));
    band->Unload(perf);
    EXPECT_FALSE(band->isDownloaded());
    // A drum kit the SoundFont lacks falls back to the standard kit.
    EXPECT_NO_THROW(Loader::ParseStyle(replaced(kWaltz, "channel = 10, program = 1 ",
                                                "channel = 10, program = 100 "),
                                       "KIT.STY")
                        ->GetBand("One")
                        ->Download(perf));

    EXPECT_THROW(perf.PlaySegmentEx(nullptr, 0), MusicError);
    float sample = 0;
    EXPECT_THROW(perf.RenderOffline(&sample, nullptr, 1), MusicError);
    EXPECT_THROW(perf.PlaySegmentEx(empty, 0, 5), MusicError);
    // Unread notices are bounded: the oldest go first.
    perf.SetNotificationHandle(nullptr); // with notices waiting
    drain();
    for (int i = 0; i < 50001; ++i) {
        perf.PlaySegmentEx(empty, 0);
        perf.AdvanceOffline(1);
    }
    auto n = drain();
    EXPECT_TRUE(n.size() == 100000u && n.back().option == kSegmentEnd) << n.size();
    AudioPathPtr path = perf.GetDefaultAudioPath();
    perf.CloseDown();
    for (const auto &call : std::vector<std::function<void()>>{
             [&] { perf.AddNotificationType(kNotifySegment); },
             [&] { perf.SetNotificationHandle(nullptr); }, [&] { perf.PlaySegmentEx(empty, 0); },
             [&] { band->Download(perf); }, [&] { perf.SetMasterAutoDownload(true); }})
        EXPECT_EQ(errorOf(call).code(), ErrorCode::ClosedDown);
    EXPECT_FALSE(perf.IsPlaying(nullptr));
    EXPECT_THROW(empty->Download(path), MusicError);
    perf.CloseDown(); // twice is harmless
}

// Rendering writes its frames, all of them and nothing around them: silence,
// then notes starting and ending inside the blocks.
TEST_F(Offline, RenderWritesExactlyItsFrames) {
    const std::size_t n = 10000; // more than one block
    for (const float loudest : {0.01f, 0.9f}) {
        std::vector<float> left(3 * n, 1.0f), right(3 * n, 1.0f);
        perf.RenderOffline(left.data() + n, right.data() + n, static_cast<std::int64_t>(n));
        for (std::size_t i = 0; i < 3 * n; ++i)
            ASSERT_TRUE(i >= n && i < 2 * n
                            ? std::fabs(left[i]) < loudest && std::fabs(right[i]) < loudest
                            : left[i] == 1.0f && right[i] == 1.0f)
                << i;
        perf.PlaySegmentEx(compose(2), 0);
    }
}

TEST(Performance, MissingSoundFontOrDeviceIsReportedClearly) {
    Performance perf;
    for (const auto &call : std::vector<std::function<void()>>{
             [&] { perf.PlaySegmentEx(waltz()->GetMotif("Bell"), 0x80); },
             [&] { perf.AdvanceOffline(1); }, [&] { perf.GetDefaultAudioPath(); },
             [&] { waltz()->GetBand("One")->Download(perf); },
             [&] { perf.SendTempoPMSG(0, 1, 60.0); }, [&] { perf.StopEx(nullptr, 0, 0); }})
        EXPECT_EQ(errorOf(call).code(), ErrorCode::NotInitialised);
    AudioParams p;
    p.output = AudioOutput::Offline;
    for (const auto &[rate, ok] :
         {std::pair(8000, true), {192000, true}, {7999, false}, {192001, false}}) {
        Performance edge;
        p.sampleRate = rate;
        if (ok)
            EXPECT_NO_THROW(edge.InitAudio(p)) << rate;
        else
            EXPECT_THROW(edge.InitAudio(p), MusicError) << rate;
    }
    p.sampleRate = 48000;
    for (const char *font : {"/nonexistent/none.sf2", LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY"}) {
        p.soundFont = font;
        MusicError e = errorOf([&] { perf.InitAudio(p); });
        EXPECT_EQ(e.code(), ErrorCode::NoSoundFont);
        EXPECT_NE(e.description().find("timgm6mb-soundfont"), std::string::npos) << e.what();
    }

    // No usable device: Automatic falls back to the silent real-time clock with
    // one message; Device refuses and leaves the performance ready for another try.
    p = AudioParams();
    p.driver = "no-such-driver";
    Performance silent;
    silent.InitAudio(p);
    EXPECT_EQ(silent.audioOutput(), AudioOutput::RealTimeSilent);
    EXPECT_EQ(silent.audioDriver(), "none");
    const std::string status = silent.audioStatus(), detail = silent.audioStatusDetail();
    EXPECT_TRUE(status.find("without sound") != std::string::npos &&
                status.find("tried") == std::string::npos) // the technical part is apart
        << status;
    EXPECT_EQ(detail, "tried none"); // a driver this synthesiser lacks is no attempt
    EXPECT_EQ(errorOf([&] { silent.AdvanceOffline(10); }).code(), ErrorCode::WrongClock);
    silent.CloseDown();
    p.driver = "alsa"; // asked for by name, it is tried whatever the cards
    Performance named;
    named.InitAudio(p);
    const std::string why = named.audioStatusDetail();
    EXPECT_EQ(why.find("no sound card"), std::string::npos) << why;
    EXPECT_TRUE(named.audioOutput() == AudioOutput::Device ||
                why.find("alsa: ") != std::string::npos)
        << why; // it opened, or says why not
    named.CloseDown();
    p.driver = "no-such-driver";
    p.output = AudioOutput::Device;
    EXPECT_EQ(errorOf([&] { perf.InitAudio(p); }).code(), ErrorCode::AudioFailure);
    p.output = AudioOutput::Offline;
    EXPECT_NO_THROW(perf.InitAudio(p));
    EXPECT_NO_THROW(perf.AdvanceOffline(100));
}

// Without a device the clock follows real time, but after the process stood
// still it plays on from where it was instead of catching up on the gap.
TEST(Performance, SilentClockResumesAfterAStallWithoutCatchingUp) {
    std::atomic<std::int64_t> micros{1'000'000};
    Performance perf;
    perf.engine()->setClock([&] { return micros.load(); });
    AudioParams p;
    p.output = AudioOutput::RealTimeSilent;
    p.sampleRate = 48000;
    perf.InitAudio(p);
    perf.PlaySegmentEx(
        Composer(1).ComposeSegmentFromShape(waltz(), 8, 1, 1, false, false, majorMap()), 0);
    micros += 50'000;
    perf.engine()->clockStep();
    EXPECT_EQ(perf.GetSampleTime(), 2400);
    micros += 5'000'000;
    perf.engine()->clockStep();
    EXPECT_EQ(perf.GetSampleTime(), 2400 + 4800); // a tenth of a second, not five
    micros += 20'000;
    perf.engine()->clockStep();
    EXPECT_EQ(perf.GetSampleTime(), 2400 + 4800 + 960);
}

// Notices reach the handle's thread through Qt's event loop: a burst is one
// signal. Without a device the real-time clock runs into a null output and
// notices still flow.
TEST(Performance, NoticesArriveThroughTheEventLoopOnBothClocks) {
    int argc = 1;
    char name[] = "test", *argv[] = {name};
    QCoreApplication app(argc, argv);
    for (AudioOutput output : {AudioOutput::Offline, AudioOutput::RealTimeSilent}) {
        Performance perf;
        AudioParams p;
        p.output = output;
        perf.InitAudio(p);
        perf.AddNotificationType(kNotifySegment);
        perf.AddNotificationType(kNotifyMeasureAndBeat);
        auto handle = std::make_shared<NotificationEvent>(7);
        const bool offline = output == AudioOutput::Offline;
        if (!offline)
            perf.SetNotificationHandle(handle);
        int signalCount = 0, notices = 0, id = -1;
        bool ended = false;
        QEventLoop loop;
        QObject::connect(handle.get(), &NotificationEvent::signalled, &loop, [&](int eventId) {
            ++signalCount;
            id = eventId;
            for (NotificationPMSG n; perf.GetNotificationPMSG(n); ++notices)
                ended |= n.option == kSegmentEnd;
            if (ended)
                loop.quit();
        });
        perf.PlaySegmentEx(Composer(1).ComposeSegmentFromShape(waltz(), offline ? 2 : 0, 1, 1,
                                                               false, false, majorMap()),
                           0);
        if (offline) {
            perf.AdvanceOffline(10 * p.sampleRate);
            perf.SetNotificationHandle(handle); // notices already wait: it is signalled
            EXPECT_EQ(signalCount, 0);          // nothing runs outside the event loop
            QCoreApplication::processEvents();
            perf.AdvanceOffline(100); // nothing new, no signal
            QCoreApplication::processEvents();
            EXPECT_TRUE(signalCount == 1 && notices == 8) << signalCount << " " << notices;
            perf.PlaySegmentEx(compose(2), 0);
            perf.StopEx(nullptr, 0, 0); // a second burst, from Stop alone, is a second signal
            QCoreApplication::processEvents();
            EXPECT_EQ(signalCount, 2);
        } else {
            QTimer::singleShot(10000, &loop, &QEventLoop::quit); // guard only
            loop.exec();
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(id, 7);
        perf.CloseDown();
    }
}
