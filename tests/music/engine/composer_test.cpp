// The composer: length, groove curves, chord walk, signposts, cadence.
#include "composer.h"
#include "testdata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace lumbrast::music;
using namespace lumbrast::music::test;

namespace {

SegmentPtr compose(int measures, int shape, int activity = 1, bool intro = false, bool end = false,
                   std::uint64_t seed = 7) {
  Composer c(seed);
  return c.ComposeSegmentFromShape(waltz(), measures, shape, activity, intro, end, majorMap());
}

int changes(const detail::SegmentData& d) { return static_cast<int>(d.chords.size()); }

}  // namespace

TEST(Composer, SegmentHasExactlyTheRequestedMeasures) {
  const std::int64_t measure = 3 * kTicksPerBeat;
  for (int n : {1, 2, 3, 7, 16, 33, 1024}) {
    SegmentPtr s = compose(n, 1, 1, true, true);
    const auto& d = *s->data();
    EXPECT_EQ(s->measures(), n);
    EXPECT_EQ(s->GetLength(), n * measure);
    ASSERT_EQ(d.groove.size(), static_cast<std::size_t>(n));
    // Chords tile the segment without gaps.
    std::int64_t t = 0;
    for (const auto& c : d.chords) {
      EXPECT_EQ(c.tick, t);
      EXPECT_GT(c.length, 0);
      t += c.length;
    }
    EXPECT_EQ(t, s->GetLength());
    for (const auto& e : d.events) {
      EXPECT_GE(e.tick, 0);
      EXPECT_LE(e.tick, s->GetLength());
    }
    EXPECT_TRUE(std::is_sorted(d.events.begin(), d.events.end()));
  }
  SegmentPtr empty = compose(0, 1);
  EXPECT_EQ(empty->GetLength(), 0);
  EXPECT_TRUE(std::none_of(empty->data()->events.begin(), empty->data()->events.end(),
                           [](const detail::MidiEvent& e) { return e.kind == detail::MidiEvent::NoteOn; }));
}

TEST(Composer, RejectsBadArguments) {
  Composer c(1);
  auto s = waltz();
  auto m = majorMap();
  EXPECT_THROW(c.ComposeSegmentFromShape(s, -1, 1, 1, false, false, m), MusicError);
  EXPECT_THROW(c.ComposeSegmentFromShape(s, 32768, 1, 1, false, false, m), MusicError);
  EXPECT_THROW(c.ComposeSegmentFromShape(s, 4, 9, 1, false, false, m), MusicError);
  EXPECT_THROW(c.ComposeSegmentFromShape(s, 4, 1, 4, false, false, m), MusicError);
  EXPECT_THROW(c.ComposeSegmentFromShape(nullptr, 4, 1, 1, false, false, m), MusicError);
  EXPECT_THROW(c.ComposeSegmentFromShape(s, 4, 1, 1, false, false, nullptr), MusicError);
}

TEST(Composer, GrooveCurvesFollowTheirShapes) {
  detail::Rng rng(5);
  auto curve = [&](Shape s, int n = 32) { return detail::GrooveCurve(static_cast<int>(s), n, 4, rng); };
  auto falling = curve(Shape::Falling);
  EXPECT_TRUE(std::is_sorted(falling.rbegin(), falling.rend()));
  EXPECT_GE(falling.front() - falling.back(), 50);
  auto rising = curve(Shape::Rising);
  EXPECT_TRUE(std::is_sorted(rising.begin(), rising.end()));
  EXPECT_GE(rising.back() - rising.front(), 50);
  for (Shape s : {Shape::Level, Shape::Loopable, Shape::Loud, Shape::Quiet}) {
    auto c = curve(s);
    EXPECT_EQ(std::count(c.begin(), c.end(), c.front()), 32);
  }
  EXPECT_GE(curve(Shape::Loud).front(), 75);
  EXPECT_LE(curve(Shape::Quiet).front(), 25);
  EXPECT_GT(curve(Shape::Loud).front(), curve(Shape::Level).front());
  EXPECT_LT(curve(Shape::Quiet).front(), curve(Shape::Level).front());

  auto peaking = curve(Shape::Peaking);
  auto top = std::max_element(peaking.begin(), peaking.end()) - peaking.begin();
  EXPECT_GT(top, 4);
  EXPECT_LT(top, 28);
  EXPECT_TRUE(std::is_sorted(peaking.begin(), peaking.begin() + top));
  EXPECT_TRUE(std::is_sorted(peaking.rbegin(), peaking.rend() - top));
  EXPECT_GE(peaking[top] - peaking.front(), 40);

  // Random: a walk that moves, stays in range, keeps each phrase level, and
  // repeats with the seed.
  auto random = curve(Shape::Random, 64);
  EXPECT_GT(std::set<int>(random.begin(), random.end()).size(), 3u);
  for (std::size_t i = 0; i < random.size(); ++i) {
    EXPECT_GE(random[i], 1);
    EXPECT_LE(random[i], 100);
    if (i % 4) { EXPECT_EQ(random[i], random[i - 1]); }
  }
  detail::Rng a(9), b(9);
  EXPECT_EQ(detail::GrooveCurve(6, 64, 4, a), detail::GrooveCurve(6, 64, 4, b));

  // Song: verse and chorus sections of two phrases, the chorus louder, repeated.
  auto song = curve(Shape::Song, 40);
  EXPECT_EQ(song[0], song[7]);
  EXPECT_GT(song[8], song[0] + 20);
  EXPECT_LT(song[16], song[8] - 20);
  EXPECT_GT(song[24], song[16] + 20);
}

TEST(Composer, ChordsMoveOnlyAlongTheGraphWithSignpostsAndCadence) {
  auto map = majorMap();
  const auto& m = *map->data();
  const std::int64_t phrase = 4 * 3 * kTicksPerBeat;
  for (int shape = 0; shape < kShapeCount; ++shape) {
    for (int activity = 0; activity <= 3; ++activity) {
      for (std::uint64_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(testing::Message() << "shape " << shape << " activity " << activity << " seed " << seed);
        Composer c(seed);
        SegmentPtr s = c.ComposeSegmentFromShape(waltz(), 23, shape, activity, true, true, map);
        const auto& ch = s->data()->chords;
        ASSERT_FALSE(ch.empty());
        const bool loopable = shape == static_cast<int>(Shape::Loopable);
        // Where the cadence begins (none for a loopable segment).
        std::size_t cadenceAt = ch.size();
        if (!loopable) {
          ASSERT_GE(ch.size(), m.cadence.size());
          cadenceAt = ch.size() - m.cadence.size();
          for (std::size_t k = 0; k < m.cadence.size(); ++k) EXPECT_EQ(ch[cadenceAt + k].chord, m.cadence[k]);
          EXPECT_EQ(ch.back().tick + ch.back().length, s->GetLength());
          EXPECT_EQ(ch.back().length, 3 * kTicksPerBeat);  // the closing chord fills the last measure
        } else {
          EXPECT_TRUE(m.connected(ch.back().chord, ch.front().chord));
        }
        auto isIn = [](const std::vector<int>& v, int c) { return std::find(v.begin(), v.end(), c) != v.end(); };
        for (std::size_t i = 0; i < ch.size(); ++i) {
          const bool phraseStart = ch[i].tick % phrase == 0;
          if (i < cadenceAt && phraseStart) { EXPECT_TRUE(isIn(m.startSignposts, ch[i].chord)) << i; }
          if (i == 0) continue;
          if (i < cadenceAt && !phraseStart) { EXPECT_TRUE(m.connected(ch[i - 1].chord, ch[i].chord)) << i; }
          // The chord that closes a full phrase is an end signpost.
          const std::int64_t end = ch[i].tick;
          if (phraseStart && i <= cadenceAt && end % phrase == 0 && i < cadenceAt) {
            EXPECT_TRUE(isIn(m.endSignposts, ch[i - 1].chord)) << i;
          }
          if (i == cadenceAt && !loopable) { EXPECT_TRUE(m.connected(ch[i - 1].chord, ch[i].chord)) << i; }
        }
      }
    }
  }
}

TEST(Composer, LowerActivityChangesChordsMoreOften) {
  int total[4] = {0, 0, 0, 0};
  for (std::uint64_t seed = 1; seed <= 5; ++seed)
    for (int a = 0; a <= 3; ++a) total[a] += changes(*compose(64, 1, a, false, false, seed)->data());
  EXPECT_GT(total[0], total[1]);
  EXPECT_GT(total[1], total[2]);
  EXPECT_GE(total[2], total[3]);
}

TEST(Composer, PatternsHoldTheGrooveAndEmbellishmentsSitWhereAsked) {
  auto style = waltz();
  for (int shape = 0; shape < kShapeCount; ++shape) {
    SegmentPtr s = Composer(11).ComposeSegmentFromShape(style, 24, shape, 1, true, true, majorMap());
    const auto& d = *s->data();
    EXPECT_EQ(d.embellishments.front(), Embellishment::Intro);
    EXPECT_EQ(d.patternNames.front(), "in");
    EXPECT_EQ(d.embellishments[22], Embellishment::End);
    EXPECT_EQ(d.embellishments[23], Embellishment::End);
    EXPECT_EQ(d.patternNames.back(), "out");
    for (std::size_t m = 0; m < d.patternNames.size(); ++m) {
      if (d.embellishments[m] != Embellishment::Normal) continue;
      for (const auto& p : style->data()->patterns)
        if (p.name == d.patternNames[m]) {
          EXPECT_GE(d.groove[m], p.grooveLow) << m;
          EXPECT_LE(d.groove[m], p.grooveHigh) << m;
        }
    }
    // Fills and breaks only end phrases.
    for (std::size_t m = 0; m + 2 < d.embellishments.size(); ++m)
      if (d.embellishments[m] == Embellishment::Fill || d.embellishments[m] == Embellishment::Break) {
        EXPECT_EQ(m % 4, 3u);
      }
  }
  SegmentPtr plain = compose(12, 1, 1, false, false);
  EXPECT_EQ(std::count(plain->data()->embellishments.begin(), plain->data()->embellishments.end(), Embellishment::Intro), 0);
  EXPECT_EQ(std::count(plain->data()->embellishments.begin(), plain->data()->embellishments.end(), Embellishment::End), 0);
}

TEST(Composer, SeedRepeatsAndVariesAndNotesFitTheChords) {
  auto a = compose(32, 6, 1, true, true, 42);
  auto b = compose(32, 6, 1, true, true, 42);
  auto c = compose(32, 6, 1, true, true, 43);
  auto key = [](const SegmentPtr& s) {
    std::vector<std::int64_t> v;
    for (const auto& e : s->data()->events) v.push_back(e.tick * 1000 + e.data1);
    return v;
  };
  EXPECT_EQ(key(a), key(b));
  EXPECT_NE(key(a), key(c));
  EXPECT_NE(a, b);  // each composition is a new segment

  // Every pitched note on the chord channels belongs to the chord sounding
  // where it was written, or to the scale for scale steps.
  const auto& d = *a->data();
  const auto& map = *d.chordMap;
  for (const auto& e : d.events) {
    if (e.kind != detail::MidiEvent::NoteOn || e.channel == 9) continue;
    auto chord = detail::ChordAt(d, e.tick + 1);
    int pc = e.data1 % 12;
    bool inChord = std::any_of(chord.intervals->begin(), chord.intervals->end(),
                               [&](int iv) { return (chord.root + iv) % 12 == pc; });
    bool inScale = std::any_of(map.scale.begin(), map.scale.end(), [&](int s) { return (map.key + s) % 12 == pc; });
    EXPECT_TRUE(inChord || inScale) << "key " << int(e.data1) << " at " << e.tick;
  }
}
