// The performance on the offline clock: notices, boundaries, tempo, stop.
#include "engine.h"
#include "testdata.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <tuple>

using namespace lumbrast::music;
using namespace lumbrast::music::test;
using Kind = PlayedEvent::Kind;

namespace {

// At 120 bpm a beat is exactly 24000 samples at 48 kHz.
constexpr std::int64_t kBeat = 24000;

SegmentPtr compose(int measures) {
    return Composer(3).ComposeSegmentFromShape(waltz(), measures, 1, 1, false, false, majorMap());
}

// Kind, channel, key, velocity and sample from the state's start.
using Note = std::tuple<Kind, int, int, int, std::int64_t>;

// An offline performance at 48 kHz that records what it plays.
struct Recording {
    Performance perf;
    std::vector<PlayedEvent> played;
    std::vector<SegmentStatePtr> states;
    Recording() {
        AudioParams p;
        p.output = AudioOutput::Offline;
        p.sampleRate = 48000;
        perf.InitAudio(p);
        perf.SetEventTap([this](const PlayedEvent &e) { played.push_back(e); });
    }
    std::vector<Note> notesOf(const SegmentStatePtr &s) const {
        std::vector<Note> out;
        for (const auto &e : played)
            if (e.stateId == s->id() && e.kind != Kind::Program)
                out.emplace_back(e.kind, e.channel, e.data1, e.data2,
                                 e.sample - s->GetStartSample());
        return out;
    }
};

struct Offline : testing::Test, Recording {
    StylePtr style = waltz();

    Offline() {
        perf.AddNotificationType(kNotifySegment);
        perf.AddNotificationType(kNotifyMeasureAndBeat);
    }
    std::vector<NotificationPMSG> drain() {
        std::vector<NotificationPMSG> out;
        for (NotificationPMSG n; perf.GetNotificationPMSG(n);)
            out.push_back(n);
        return out;
    }
    // When `state` had its segment notice `option`; -1 when it had none.
    static std::int64_t at(const std::vector<NotificationPMSG> &n, const SegmentStatePtr &state,
                           std::uint32_t option) {
        for (const auto &x : n)
            if (x.type == kNotifySegment && x.user == state && x.option == option)
                return x.sampleTime;
        return -1;
    }
};

} // namespace

TEST_F(Offline, MotifsStartOnTheExactSampleOfTheirBoundaryAndFollowTheChords) {
    SegmentPtr bell = style->GetMotif("Bell"), drum = style->GetMotif("Drum");
    const std::int64_t t0 = kBeat + 5;                                     // the music starts late
    const std::int64_t beat3 = t0 + 5 * kBeat, now = beat3 - kBeat + 1234; // in measure 2
    perf.AdvanceOffline(t0);
    perf.PlaySegmentEx(compose(8), 0);
    perf.AdvanceOffline(now - t0);
    // At once, next grid (half beats here), beat, measure, and by default
    // beat for the bell and measure for the drum.
    states = {perf.PlaySegmentEx(bell, 0x80),   perf.PlaySegmentEx(bell, 0x880),
              perf.PlaySegmentEx(bell, 0x1080), perf.PlaySegmentEx(bell, 0x2080),
              perf.PlaySegmentEx(bell, 0x4080), perf.PlaySegmentEx(drum, 0x4080)};
    perf.AdvanceOffline(4 * kBeat);
    const auto n = drain();
    const std::int64_t next = beat3 + kBeat;
    const std::vector<std::int64_t> expected = {now, beat3 - kBeat / 2, beat3, next, beat3, next};
    std::vector<std::int64_t> notes;
    for (const auto &s : states)
        notes.push_back(s->GetStartSample() + std::get<4>(notesOf(s).at(0)));
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(at(n, states[0], kSegmentEnd), now + 3 * kBeat); // a motif lasts a measure
    // Each note takes the chord under it: the second notes of motifs started on
    // beat 3 and on beat 2 of the next measure both sound that measure's chord.
    std::vector<SegmentStatePtr> early, late;
    for (int m = 3; m < 7; ++m) {
        perf.AdvanceOffline(t0 + (m * 3 + 1) * kBeat + 100 - perf.GetSampleTime());
        early.push_back(perf.PlaySegmentEx(bell, 0x1080));
        perf.AdvanceOffline(t0 + (m * 3 + 4) * kBeat - perf.GetSampleTime());
        late.push_back(perf.PlaySegmentEx(bell, 0x80));
    }
    perf.AdvanceOffline(3 * kBeat);
    for (std::size_t i = 0; i < early.size(); ++i)
        EXPECT_EQ(std::get<2>(notesOf(early[i]).at(2)), std::get<2>(notesOf(late[i]).at(2))) << i;
}

// Over no music (C major) a motif starts at once and each note sounds at its
// written time, in time order across parts, cut at the motif's end; a part's
// own humanising holds over the style's.
TEST_F(Offline, MotifNotesSoundAtTheirWrittenTimes) {
    const auto on = Kind::NoteOn, off = Kind::NoteOff;
    const std::string text = replaced(kWaltz, "time = 0, velocity = 0", "time = 20, velocity = 30");
    const StylePtr motifs = Loader::ParseStyle(replaced(text, "motif = [", R"(motif = [
  { name = "Cross", boundary = "beat", part = [
    { channel = 1, voice = "voicing", low = 60, humanize = { time = 0, velocity = 40 }, notes = ["1.2 c1 1 127", "1.3 c2 2 1"] },
    { channel = 2, voice = "voicing", low = 48, humanize = { time = 0, velocity = 0 }, notes = ["1.1 c1 1/2 100"] } ] },)"),
                                               "MOTIFS.STY");
    for (int play = 0; play < 20; ++play) {
        const std::int64_t now = perf.GetSampleTime();
        const SegmentStatePtr st = perf.PlaySegmentEx(motifs->GetMotif("Cross"), 0x2080);
        perf.AdvanceOffline(3 * kBeat + 1);
        EXPECT_EQ(st->GetStartSample(), now); // no measure to wait for
        auto notes = notesOf(st);
        for (auto &[kind, channel, key, velocity, when] : notes)
            if (kind == on && channel == 0) // humanised: set aside
                velocity = 0;
        const std::vector<Note> expected = {{on, 1, 48, 100, 0},       {off, 1, 48, 0, kBeat / 2},
                                            {on, 0, 60, 0, kBeat},     {off, 0, 60, 0, 2 * kBeat},
                                            {on, 0, 64, 0, 2 * kBeat}, {off, 0, 64, 0, 3 * kBeat}};
        EXPECT_EQ(notes, expected) << "play " << play;
    }
}

// A motif in a busy performance sounds exactly as it does when the
// performance is left alone after its start.
TEST(Performance, EveryMotifPlaysItsOwnNotesWhateverStartsOrStopsAroundIt) {
    const StylePtr style = waltz();
    const SegmentPtr second = compose(4), bell = style->GetMotif("Bell");
    // Half a beat apart: music, motifs, a band, more music (primaries at 0 and 5), then Stop.
    const std::vector<SegmentPtr> script = {
        compose(8), bell,   style->GetMotif("Drum"), style->GetBand("Two")->CreateSegment(), bell,
        second,     nullptr};
    auto run = [&](std::size_t last) { // the script up to step `last`, then left alone
        auto r = std::make_unique<Recording>();
        for (std::size_t i = 0; i <= last; ++i) {
            if (script[i])
                r->states.push_back(r->perf.PlaySegmentEx(script[i], i % 5 ? 0x80 : 0));
            else
                r->perf.StopEx(second);
            r->perf.AdvanceOffline(i + 1 < script.size() ? kBeat / 2 : 0);
        }
        r->perf.AdvanceOffline(8 * kBeat);
        return r;
    };
    const auto busy = run(script.size() - 1);
    std::map<std::tuple<std::uint64_t, int, int>, int> sounding; // all end, stopped or not
    for (const auto &e : busy->played)
        sounding[{e.stateId, e.channel, e.data1}] +=
            (e.kind == Kind::NoteOn) - (e.kind == Kind::NoteOff);
    for (const auto &[key, count] : sounding)
        EXPECT_EQ(count, 0) << "state " << std::get<0>(key) << " key " << std::get<2>(key);
    for (std::size_t step : {1, 2, 4}) {
        const auto alone = run(step);
        EXPECT_FALSE(alone->notesOf(alone->states[step]).empty()) << step;
        EXPECT_EQ(busy->notesOf(busy->states[step]), alone->notesOf(alone->states[step])) << step;
    }
}

// A new primary replaces the old and plays its repeats; tempo acts at once;
// Stop ends a segment by name, or the primary and not a motif over it.
TEST_F(Offline, NewPrimaryTempoAndStop) {
    SegmentPtr a = compose(4), b = compose(2);
    SegmentStatePtr sa = perf.PlaySegmentEx(a, 0);
    perf.AdvanceOffline(kBeat);
    b->SetRepeats(1);
    SegmentStatePtr sb = perf.PlaySegmentEx(b, 0);
    EXPECT_TRUE(!perf.IsPlaying(a) && perf.IsPlaying(b, sb) && !perf.IsPlaying(b, sa));
    perf.AdvanceOffline(20 * kBeat);
    auto n = drain();
    int beats = 0; // two measures of 3/4, played twice
    for (const auto &x : n)
        beats += x.type == kNotifyMeasureAndBeat && x.user == sb;
    EXPECT_EQ(beats, 12);
    EXPECT_EQ(at(n, sa, kSegmentAbort), kBeat);
    EXPECT_EQ(at(n, sb, kSegmentEnd), 13 * kBeat);
    std::vector<std::pair<int, std::int64_t>> passes[2]; // the same notes in each pass
    for (const auto &[kind, channel, key, velocity, when] : notesOf(sb))
        if (kind == Kind::NoteOn)
            passes[when >= 6 * kBeat].emplace_back(key, when % (6 * kBeat));
    EXPECT_EQ(passes[0], passes[1]);
    sb = perf.PlaySegmentEx(b, 0);
    perf.EndAfterPass(sb); // where its pass ends: not cut, not repeated
    perf.AdvanceOffline(7 * kBeat);
    EXPECT_EQ(at(drain(), sb, kSegmentEnd), sb->GetStartSample() + 6 * kBeat);

    perf.PlaySegmentEx(a, 0);
    perf.AdvanceOffline(kBeat + kBeat / 4); // a quarter into beat 2
    const std::int64_t change = perf.GetSampleTime();
    drain();
    perf.SendTempoPMSG(0, 1, 60.0); // half speed: the rest of the beat takes twice as long
    EXPECT_THROW(perf.SendTempoPMSG(0, 1, 0.99), MusicError);
    perf.AdvanceOffline(4 * kBeat);
    n = drain();
    ASSERT_EQ(n.size(), 2u);
    EXPECT_TRUE(n[0].field1 == 2 && n[0].sampleTime == change + 2 * (kBeat * 3 / 4));
    EXPECT_EQ(n[1].sampleTime, n[0].sampleTime + 2 * kBeat);
    const SegmentPtr over = compose(1);
    perf.PlaySegmentEx(over, 0x80);
    perf.StopEx(over, 0, 0);
    EXPECT_TRUE(!perf.IsPlaying(over) && perf.IsPlaying(a));

    sb = perf.PlaySegmentEx(b, 0);
    const SegmentStatePtr motif = perf.PlaySegmentEx(style->GetMotif("Bell"), 0x80);
    perf.AdvanceOffline(kBeat);
    drain();
    perf.StopEx(nullptr, 0, kStopPrimary);
    n = drain();
    EXPECT_TRUE(n.size() == 1u && n[0].user == sb && n[0].option == kSegmentAbort);
    perf.AdvanceOffline(kBeat);
    EXPECT_TRUE(perf.IsPlaying(nullptr, motif) && drain().empty()); // no more beats
}

TEST_F(Offline, OnlyRequestedNoticesAndBadInput) {
    perf.RemoveNotificationType(kNotifySegment);
    perf.PlaySegmentEx(compose(1), 0);
    perf.AdvanceOffline(3 * kBeat + 1);
    auto n = drain();
    EXPECT_TRUE(n.size() == 3u && n[0].type == kNotifyMeasureAndBeat);
    perf.AddNotificationType(kNotifySegment);
    perf.RemoveNotificationType(kNotifyMeasureAndBeat);
    EXPECT_THROW(perf.AddNotificationType(4), MusicError);
    SegmentPtr empty = compose(0);
    empty->SetRepeats(0xFFFFFFFF); // nothing to repeat: it ends at once
    for (const SegmentPtr &seg : {compose(2), empty}) {
        perf.PlaySegmentEx(seg, 0);
        perf.AdvanceOffline(7 * kBeat);
        perf.SetNotificationHandle(nullptr); // with notices waiting
        n = drain();
        EXPECT_TRUE(n.size() == 2u && n[0].option == kSegmentStart && n[1].option == kSegmentEnd);
    }
    EXPECT_THROW(perf.PlaySegmentEx(nullptr, 0), MusicError);
    float sample = 0;
    EXPECT_THROW(perf.RenderOffline(&sample, nullptr, 1), MusicError);
    EXPECT_THROW(perf.PlaySegmentEx(empty, 0, 5), MusicError);
}

// Before set-up, after a refused one and after closing, a call says so and
// changes nothing; a refused set-up leaves the performance ready for another.
TEST(Performance, MissingSoundFontOrDeviceIsReportedClearly) {
    Performance perf;
    const SegmentPtr bell = waltz()->GetMotif("Bell");
    // The first six need set-up, and none works once the performance is closed.
    const std::vector<std::function<void()>> calls{
        [&] { perf.PlaySegmentEx(bell, 0x80); },
        [&] { perf.AdvanceOffline(1); },
        [&] { perf.GetDefaultAudioPath(); },
        [&] { waltz()->GetBand("One")->Download(perf); },
        [&] { perf.SendTempoPMSG(0, 1, 60.0); },
        [&] { perf.StopEx(nullptr, 0, 0); },
        [&] { perf.AddNotificationType(kNotifySegment); },
        [&] { perf.SetNotificationHandle(nullptr); },
        [&] { perf.SetMasterAutoDownload(true); }};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(errorOf(calls[i]).code(), ErrorCode::NotInitialised) << i;
    AudioParams p;
    p.output = AudioOutput::Offline;
    p.sampleRate = 7999;
    EXPECT_THROW(perf.InitAudio(p), MusicError);
    p.sampleRate = 48000;
    for (const char *font : {"/nonexistent/none.sf2", LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY"}) {
        p.soundFont = font;
        MusicError e = errorOf([&] { perf.InitAudio(p); });
        EXPECT_EQ(e.code(), ErrorCode::NoSoundFont);
        EXPECT_NE(e.description().find("timgm6mb-soundfont"), std::string::npos) << e.what();
    }
    p = AudioParams();
    p.driver = "no-such-driver";
    p.output = AudioOutput::Device; // no fallback when a device is asked for
    EXPECT_EQ(errorOf([&] { perf.InitAudio(p); }).code(), ErrorCode::AudioFailure);
    p.output = AudioOutput::Offline;
    EXPECT_NO_THROW(perf.InitAudio(p));
    perf.PlaySegmentEx(bell, 0x80);
    AudioPathPtr path = perf.GetDefaultAudioPath();
    perf.CloseDown();
    for (const auto &call : calls)
        EXPECT_EQ(errorOf(call).code(), ErrorCode::ClosedDown);
    EXPECT_FALSE(perf.IsPlaying(nullptr));
    EXPECT_THROW(bell->Download(path), MusicError);
    perf.CloseDown(); // twice is harmless
}

// Notices reach the handle through Qt's event loop, a burst as one signal. With
// no device the music plays on a silent clock that skips a stall's gap.
TEST(Performance, NoticesArriveThroughTheEventLoopOnBothClocks) {
    int argc = 1;
    char name[] = "test", *argv[] = {name};
    QCoreApplication app(argc, argv);
    std::atomic<std::int64_t> micros{1'000'000};
    Performance offline, silent, *perf = &offline;
    silent.engine()->setClock([&] { return micros.load(); });
    AudioParams p;
    p.driver = "no-such-driver";
    for (Performance *each : {&offline, &silent}) {
        p.output = each == &offline ? AudioOutput::Offline : AudioOutput::Automatic;
        each->InitAudio(p);
        each->AddNotificationType(kNotifySegment);
        each->AddNotificationType(kNotifyMeasureAndBeat);
    }
    auto handle = std::make_shared<NotificationEvent>(7);
    int bursts = 0, notices = 0;
    bool ended = false;
    QEventLoop loop;
    QObject::connect(handle.get(), &NotificationEvent::signalled, &loop, [&] {
        ++bursts;
        for (NotificationPMSG n; perf->GetNotificationPMSG(n); ++notices)
            ended |= n.option == kSegmentEnd;
        if (ended)
            loop.quit();
    });
    offline.PlaySegmentEx(compose(2), 0);
    offline.AdvanceOffline(10 * p.sampleRate);
    offline.SetNotificationHandle(handle); // notices already wait: it is signalled
    QCoreApplication::processEvents();
    EXPECT_TRUE(ended && bursts == 1 && notices == 8) << bursts << " " << notices;
    offline.PlaySegmentEx(compose(2), 0);
    offline.StopEx(nullptr, 0, 0); // a second burst, from Stop alone, is a second signal
    QCoreApplication::processEvents();
    EXPECT_EQ(bursts, 2);

    perf = &silent;
    ended = false;
    EXPECT_TRUE(silent.audioOutput() == AudioOutput::RealTimeSilent &&
                silent.audioDriver() == "none");
    EXPECT_NE(silent.audioStatus().find("without sound"), std::string::npos);
    EXPECT_EQ(silent.audioStatusDetail(), "tried none"); // a driver this synthesiser lacks
    EXPECT_EQ(errorOf([&] { silent.AdvanceOffline(10); }).code(), ErrorCode::WrongClock);
    silent.SetNotificationHandle(handle);
    std::vector<std::int64_t> times; // at 44.1 kHz
    for (const std::int64_t step : {50'000, 5'000'000, 20'000}) {
        micros += step;
        silent.engine()->clockStep();
        times.push_back(silent.GetSampleTime());
    }
    EXPECT_EQ(times, (std::vector<std::int64_t>{2205, 2205 + 4410, 2205 + 4410 + 882}));
    silent.PlaySegmentEx(compose(0), 0);
    micros += 1000; // the clock's own thread moves on and ends it
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // guard only
    loop.exec();
    EXPECT_TRUE(ended);
}
