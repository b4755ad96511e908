// The performance on the offline clock: notices, boundaries, tempo, stop.
#include "testdata.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

using namespace lumbrast::music;
using namespace lumbrast::music::test;

namespace {

constexpr int kRate = 48000;
// At 120 bpm a beat is exactly 24000 samples at 48 kHz.
constexpr std::int64_t kBeat = 24000;

struct Offline : testing::Test {
  Performance perf;
  std::vector<PlayedEvent> played;
  StylePtr style = waltz();

  void SetUp() override {
    AudioParams p;
    p.output = AudioOutput::Offline;
    p.sampleRate = kRate;
    perf.InitAudio(p);
    perf.AddNotificationType(kNotifySegment);
    perf.AddNotificationType(kNotifyMeasureAndBeat);
    perf.SetEventTap([this](const PlayedEvent& e) { played.push_back(e); });
  }

  SegmentPtr compose(int measures) {
    return Composer(3).ComposeSegmentFromShape(style, measures, 1, 1, false, false, majorMap());
  }

  std::vector<NotificationPMSG> drain() {
    std::vector<NotificationPMSG> out;
    NotificationPMSG n;
    while (perf.GetNotificationPMSG(n)) out.push_back(n);
    return out;
  }

  std::int64_t firstNoteOf(const SegmentStatePtr& s) {
    for (const auto& e : played)
      if (e.stateId == s->id() && e.kind == PlayedEvent::Kind::NoteOn) return e.sample;
    return -1;
  }
};

}  // namespace

TEST_F(Offline, SixteenMeasuresOfThreeFourGiveFortyEightBeatsBetweenStartAndEnd) {
  SegmentPtr seg = compose(16);
  seg->Download(perf.GetDefaultAudioPath());
  seg->SetRepeats(0);
  SegmentStatePtr state = perf.PlaySegmentEx(seg, 0);
  EXPECT_TRUE(perf.IsPlaying(seg));
  perf.AdvanceOffline(16 * 3 * kBeat + 100);
  EXPECT_FALSE(perf.IsPlaying(seg));
  auto n = drain();
  ASSERT_EQ(n.size(), 50u);
  EXPECT_EQ(n.front().type, kNotifySegment);
  EXPECT_EQ(n.front().option, kSegmentStart);
  EXPECT_EQ(n.front().sampleTime, 0);
  EXPECT_EQ(n.back().type, kNotifySegment);
  EXPECT_EQ(n.back().option, kSegmentEnd);
  EXPECT_EQ(n.back().sampleTime, 16 * 3 * kBeat);
  for (int i = 0; i < 48; ++i) {
    const auto& b = n[static_cast<std::size_t>(i + 1)];
    EXPECT_EQ(b.type, kNotifyMeasureAndBeat);
    EXPECT_EQ(b.option, 0u);
    EXPECT_EQ(b.field1, i % 3);
    EXPECT_EQ(b.field2, i / 3);
    EXPECT_EQ(b.sampleTime, i * kBeat);
  }
  for (const auto& x : n) {
    ASSERT_TRUE(x.user);
    EXPECT_EQ(x.user, state);
    EXPECT_EQ(x.user->GetSegment(), seg);  // the same object
  }
  EXPECT_FALSE(perf.GetNotificationPMSG(n[0]));
}

TEST_F(Offline, OnlyRequestedNoticesAreQueued) {
  perf.RemoveNotificationType(kNotifyMeasureAndBeat);
  perf.PlaySegmentEx(compose(2), 0);
  perf.AdvanceOffline(7 * kBeat);
  auto n = drain();
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0].option, kSegmentStart);
  EXPECT_EQ(n[1].option, kSegmentEnd);
  EXPECT_THROW(perf.AddNotificationType(4), MusicError);
}

TEST_F(Offline, MotifsStartOnTheExactSampleOfTheirBoundary) {
  SegmentPtr seg = compose(8);
  SegmentPtr bell = style->GetMotif("Bell");    // default boundary: beat
  SegmentPtr drum = style->GetMotif("Drum");    // default boundary: measure
  perf.PlaySegmentEx(seg, 0);
  const std::int64_t now = 4 * kBeat + 1234;  // inside beat 2 of measure 2
  perf.AdvanceOffline(now);
  struct Case {
    std::uint32_t flags;
    SegmentPtr motif;
    std::int64_t expected;
  } cases[] = {
      {0x80, bell, now},
      {0x880, bell, 4 * kBeat + kBeat / 2},  // grid: half beats in this style
      {0x1080, bell, 5 * kBeat},
      {0x2080, bell, 6 * kBeat},
      {0x4080, bell, 5 * kBeat},
      {0x4080, drum, 6 * kBeat},
  };
  std::vector<SegmentStatePtr> states;
  for (const auto& c : cases) states.push_back(perf.PlaySegmentEx(c.motif, c.flags));
  drain();
  perf.AdvanceOffline(4 * kBeat);
  auto n = drain();
  for (std::size_t i = 0; i < states.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << cases[i].flags);
    EXPECT_EQ(states[i]->GetStartSample(), cases[i].expected);
    EXPECT_EQ(firstNoteOf(states[i]), cases[i].expected);
    auto start = std::find_if(n.begin(), n.end(), [&](const NotificationPMSG& x) {
      return x.user == states[i] && x.type == kNotifySegment && x.option == kSegmentStart;
    });
    ASSERT_NE(start, n.end());
    EXPECT_EQ(start->sampleTime, cases[i].expected);
    EXPECT_EQ(start->user->GetSegment(), cases[i].motif);
  }
  // A motif ends one measure after it starts, with its own end notice.
  auto end = std::find_if(n.begin(), n.end(), [&](const NotificationPMSG& x) {
    return x.user == states[0] && x.option == kSegmentEnd;
  });
  ASSERT_NE(end, n.end());
  EXPECT_EQ(end->sampleTime, now + 3 * kBeat);
  // Beat notices belong to the main segment only.
  for (const auto& x : n)
    if (x.type == kNotifyMeasureAndBeat) { EXPECT_EQ(x.user->GetSegment(), seg); }
}

TEST_F(Offline, MotifWithoutMusicStartsAtOnceAndFollowsTheChord) {
  SegmentStatePtr s = perf.PlaySegmentEx(style->GetMotif("Bell"), 0x2080);
  perf.AdvanceOffline(100);
  EXPECT_EQ(s->GetStartSample(), 0);
  ASSERT_FALSE(played.empty());
  // Without composed music the motif sounds over C major: C5 first.
  auto on = std::find_if(played.begin(), played.end(), [](const PlayedEvent& e) { return e.kind == PlayedEvent::Kind::NoteOn; });
  ASSERT_NE(on, played.end());
  EXPECT_EQ(on->data1, 72);
}

TEST_F(Offline, TempoChangesAtOnce) {
  perf.PlaySegmentEx(compose(8), 0);
  const std::int64_t change = kBeat + kBeat / 4;  // a quarter into beat 2
  perf.AdvanceOffline(change);
  drain();
  perf.SendTempoPMSG(0, 1, 60.0);  // half speed: the rest of the beat takes twice as long
  EXPECT_EQ(perf.GetTempo(), 60.0);
  perf.AdvanceOffline(4 * kBeat);
  auto n = drain();
  ASSERT_GE(n.size(), 2u);
  EXPECT_EQ(n[0].type, kNotifyMeasureAndBeat);
  EXPECT_EQ(n[0].field1, 2);
  EXPECT_EQ(n[0].sampleTime, change + 2 * (kBeat * 3 / 4));
  EXPECT_EQ(n[1].sampleTime, n[0].sampleTime + 2 * kBeat);
  EXPECT_THROW(perf.SendTempoPMSG(0, 1, 0.0), MusicError);
}

TEST_F(Offline, StopEndsAtOnceSilencesAndReportsAnAbort) {
  SegmentPtr seg = compose(8);
  SegmentStatePtr st = perf.PlaySegmentEx(seg, 0);
  perf.AdvanceOffline(kBeat / 3);
  played.clear();
  drain();
  perf.StopEx(seg, 0, 0);
  EXPECT_FALSE(perf.IsPlaying(seg));
  EXPECT_FALSE(perf.IsPlaying(nullptr));
  auto n = drain();
  ASSERT_EQ(n.size(), 1u);
  EXPECT_EQ(n[0].type, kNotifySegment);
  EXPECT_EQ(n[0].option, kSegmentAbort);
  EXPECT_EQ(n[0].user, st);
  for (const auto& e : played) EXPECT_EQ(e.kind, PlayedEvent::Kind::NoteOff);
  EXPECT_FALSE(played.empty());
  perf.AdvanceOffline(8 * 3 * kBeat);
  EXPECT_TRUE(drain().empty());
}

TEST_F(Offline, NewPrimaryReplacesTheOldOneAndRepeatsPlayOn) {
  SegmentPtr a = compose(4);
  SegmentPtr b = compose(2);
  SegmentStatePtr sa = perf.PlaySegmentEx(a, 0);
  perf.AdvanceOffline(kBeat);
  b->SetRepeats(1);
  SegmentStatePtr sb = perf.PlaySegmentEx(b, 0);
  EXPECT_FALSE(perf.IsPlaying(a));
  EXPECT_TRUE(perf.IsPlaying(b, sb));
  EXPECT_FALSE(perf.IsPlaying(b, sa));
  perf.AdvanceOffline(20 * kBeat);
  auto n = drain();
  int beatsOfB = 0;
  for (const auto& x : n)
    if (x.type == kNotifyMeasureAndBeat && x.user == sb) ++beatsOfB;
  EXPECT_EQ(beatsOfB, 12);  // two measures of 3/4, played twice
  auto abortA = std::find_if(n.begin(), n.end(), [&](const NotificationPMSG& x) { return x.user == sa && x.option == kSegmentAbort; });
  EXPECT_NE(abortA, n.end());
  auto endB = std::find_if(n.begin(), n.end(), [&](const NotificationPMSG& x) { return x.user == sb && x.option == kSegmentEnd; });
  ASSERT_NE(endB, n.end());
  EXPECT_EQ(endB->sampleTime, kBeat + 12 * kBeat);
}

TEST_F(Offline, BandSegmentSetsInstrumentsAtOnce) {
  BandPtr band = style->GetBand("Two");
  band->Download(perf);
  SegmentPtr bs = band->CreateSegment();
  bs->Download(perf.GetDefaultAudioPath());
  perf.AdvanceOffline(500);
  SegmentStatePtr s = perf.PlaySegmentEx(bs, 0x80);
  perf.AdvanceOffline(1);
  auto program = std::find_if(played.begin(), played.end(), [](const PlayedEvent& e) { return e.kind == PlayedEvent::Kind::Program; });
  ASSERT_NE(program, played.end());
  EXPECT_EQ(program->sample, 500);
  EXPECT_EQ(program->data1, 24);  // nylon guitar, program 25 counted from 1
  EXPECT_FALSE(perf.IsPlaying(bs));
  auto n = drain();
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0].option, kSegmentStart);
  EXPECT_EQ(n[1].option, kSegmentEnd);
  band->Unload(perf);
}

TEST_F(Offline, EmptySegmentStartsAndEndsAndClosedPerformanceRefuses) {
  SegmentPtr empty = compose(0);
  perf.PlaySegmentEx(empty, 0);
  perf.AdvanceOffline(1);
  auto n = drain();
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[1].option, kSegmentEnd);
  EXPECT_THROW(perf.PlaySegmentEx(nullptr, 0), MusicError);
  EXPECT_THROW(perf.PlaySegmentEx(empty, 0, 5), MusicError);
  AudioPathPtr path = perf.GetDefaultAudioPath();
  perf.CloseDown();
  EXPECT_FALSE(perf.IsPlaying(nullptr));
  try {
    perf.PlaySegmentEx(empty, 0);
    FAIL();
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::ClosedDown);
  }
  EXPECT_THROW(empty->Download(path), MusicError);
  perf.CloseDown();  // twice is harmless
}

TEST(Performance, NeedsInitAudioAndNamesTheSoundFontPackage) {
  Performance perf;
  EXPECT_THROW(perf.PlaySegmentEx(waltz()->GetMotif("Bell"), 0x80), MusicError);
  AudioParams p;
  p.output = AudioOutput::Offline;
  p.soundFont = "/nonexistent/none.sf2";
  try {
    perf.InitAudio(p);
    FAIL();
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::NoSoundFont);
    EXPECT_NE(e.description().find("timgm6mb-soundfont"), std::string::npos) << e.what();
  }
  // A file that is no SoundFont.
  p.soundFont = LUMBRAST_MEDIA_DIR "/NEWAVTCH.STY";
  try {
    perf.InitAudio(p);
    FAIL();
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::NoSoundFont);
  }
}

TEST(Performance, OfflineClockIsRefusedOnARealTimePerformance) {
  Performance perf;
  AudioParams p;
  p.output = AudioOutput::RealTimeSilent;
  perf.InitAudio(p);
  EXPECT_EQ(perf.audioOutput(), AudioOutput::RealTimeSilent);
  EXPECT_FALSE(perf.audioStatus().empty());
  EXPECT_THROW(perf.AdvanceOffline(10), MusicError);
  perf.CloseDown();
}

// Notices reach the thread that owns the event handle through Qt's event
// loop; a burst of notices is one signal, drained in one go.
TEST(Performance, NotificationEventIsDeliveredThroughTheEventLoop) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name};
  QCoreApplication app(argc, argv);
  Performance perf;
  AudioParams p;
  p.output = AudioOutput::Offline;
  perf.InitAudio(p);
  perf.AddNotificationType(kNotifySegment);
  perf.AddNotificationType(kNotifyMeasureAndBeat);
  auto handle = std::make_shared<NotificationEvent>(7);
  perf.SetNotificationHandle(handle);
  int signalCount = 0, notices = 0, id = -1;
  QObject::connect(handle.get(), &NotificationEvent::signalled, [&](int eventId) {
    ++signalCount;
    id = eventId;
    NotificationPMSG n;
    while (perf.GetNotificationPMSG(n)) ++notices;
  });
  perf.PlaySegmentEx(Composer(1).ComposeSegmentFromShape(waltz(), 2, 1, 1, false, false, majorMap()), 0);
  perf.AdvanceOffline(10 * p.sampleRate);
  EXPECT_EQ(signalCount, 0);  // nothing runs outside the event loop
  QCoreApplication::processEvents();
  EXPECT_EQ(signalCount, 1);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(notices, 8);
  perf.CloseDown();
}

// No device: the real-time clock runs into a null output and notices flow.
TEST(Performance, SilentRealTimeClockStillDeliversNotices) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name};
  QCoreApplication app(argc, argv);
  Performance perf;
  AudioParams p;
  p.output = AudioOutput::RealTimeSilent;
  perf.InitAudio(p);
  perf.AddNotificationType(kNotifySegment);
  auto handle = std::make_shared<NotificationEvent>();
  perf.SetNotificationHandle(handle);
  bool ended = false;
  QObject::connect(handle.get(), &NotificationEvent::signalled, [&] {
    NotificationPMSG n;
    while (perf.GetNotificationPMSG(n)) ended |= n.option == kSegmentEnd;
  });
  perf.PlaySegmentEx(Composer(1).ComposeSegmentFromShape(waltz(), 0, 1, 1, false, false, majorMap()), 0);
  QEventLoop loop;
  QObject::connect(handle.get(), &NotificationEvent::signalled, &loop, [&] {
    if (ended) loop.quit();
  });
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);  // guard only
  loop.exec();
  EXPECT_TRUE(ended);
  perf.CloseDown();
}

// Every shipped band and composition finds its instruments in the default
// SoundFont, so the music window's downloads never fail on them.
TEST_F(Offline, ShippedBandsAndSegmentsDownload) {
  Loader loader;
  auto map = loader.LoadChordMap(LUMBRAST_MEDIA_DIR "/NIGHTMIN.CDM");
  for (const char* name : {"NEWAVTCH.STY", "HARBRLGT.STY", "COPPERFX.STY", "MISTVALE.STY", "TINROBOT.STY"}) {
    SCOPED_TRACE(name);
    StylePtr s = loader.LoadStyle(std::string(LUMBRAST_MEDIA_DIR "/") + name);
    for (int i = 0; i < s->GetBandCount(); ++i) {
      BandPtr b = s->GetBand(s->GetBandName(i));
      EXPECT_NO_THROW(b->Download(perf));
      EXPECT_NO_THROW(b->CreateSegment()->Download(perf.GetDefaultAudioPath()));
    }
    EXPECT_NO_THROW(Composer(1).ComposeSegmentFromShape(s, 4, 1, 1, true, true, map)->Download(perf.GetDefaultAudioPath()));
  }
}

// No usable device: Automatic falls back to the silent clock with one
// message; Device refuses and leaves the performance ready for another try.
TEST(Performance, WithoutADeviceAutomaticPlaysSilentlyAndDeviceRefuses) {
  AudioParams p;
  p.driver = "no-such-driver";
  {
    Performance perf;
    perf.InitAudio(p);
    EXPECT_EQ(perf.audioOutput(), AudioOutput::RealTimeSilent);
    EXPECT_NE(perf.audioStatus().find("without sound"), std::string::npos) << perf.audioStatus();
    EXPECT_EQ(perf.audioStatus().find('\n'), std::string::npos);
    perf.CloseDown();
  }
  Performance perf;
  p.output = AudioOutput::Device;
  try {
    perf.InitAudio(p);
    FAIL();
  } catch (const MusicError& e) {
    EXPECT_EQ(e.code(), ErrorCode::AudioFailure);
  }
  p.output = AudioOutput::Offline;
  EXPECT_NO_THROW(perf.InitAudio(p));
  EXPECT_NO_THROW(perf.AdvanceOffline(100));
}
