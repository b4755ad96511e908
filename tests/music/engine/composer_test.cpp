// The composer: length, groove curves, chord walk, signposts, cadence.
#include "composer.h"
#include "testdata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace lumbrast::music::detail {
static bool operator==(const MidiEvent &a, const MidiEvent &b) {
    return std::tie(a.tick, a.kind, a.channel, a.data1, a.data2) ==
           std::tie(b.tick, b.kind, b.channel, b.data1, b.data2);
}
} // namespace lumbrast::music::detail

using namespace lumbrast::music;
using namespace lumbrast::music::test;

namespace {

SegmentPtr compose(int measures, int shape, int activity = 1, bool intro = false, bool end = false,
                   std::uint64_t seed = 7) {
    return Composer(seed).ComposeSegmentFromShape(waltz(), measures, shape, activity, intro, end,
                                                  majorMap());
}

bool contains(const std::vector<int> &v, int x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

} // namespace

TEST(Composer, SegmentHasExactlyTheRequestedMeasuresAndRefusesBadArguments) {
    for (int n : {1, 2, 7, 16, 33, 1024}) {
        SegmentPtr s = compose(n, 1, 1, true, true);
        const auto &d = *s->data();
        EXPECT_EQ(s->measures(), n);
        EXPECT_EQ(s->GetLength(), n * 3 * kTicksPerBeat);
        ASSERT_EQ(d.groove.size(), static_cast<std::size_t>(n));
        std::int64_t t = 0; // chords tile the segment without gaps
        for (const auto &c : d.chords) {
            EXPECT_EQ(c.tick, t);
            t += c.length;
        }
        EXPECT_EQ(t, s->GetLength());
        EXPECT_TRUE(std::is_sorted(d.events.begin(), d.events.end()));
        EXPECT_GE(d.events.front().tick, 0);
        EXPECT_LE(d.events.back().tick, s->GetLength());
    }
    SegmentPtr empty = compose(0, 1);
    EXPECT_EQ(empty->GetLength(), 0);
    EXPECT_TRUE(std::none_of(
        empty->data()->events.begin(), empty->data()->events.end(),
        [](const detail::MidiEvent &e) { return e.kind == detail::MidiEvent::NoteOn; }));

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
    auto curve = [&](Shape s, int n = 32) {
        return detail::GrooveCurve(static_cast<int>(s), n, 4, rng);
    };
    auto falling = curve(Shape::Falling), rising = curve(Shape::Rising);
    EXPECT_TRUE(std::is_sorted(falling.rbegin(), falling.rend()) &&
                falling.front() - falling.back() >= 50);
    EXPECT_TRUE(std::is_sorted(rising.begin(), rising.end()) &&
                rising.back() - rising.front() >= 50);
    for (Shape s : {Shape::Level, Shape::Loopable, Shape::Loud, Shape::Quiet}) {
        auto c = curve(s);
        EXPECT_EQ(std::count(c.begin(), c.end(), c.front()), 32);
    }
    const int loud = curve(Shape::Loud).front(), level = curve(Shape::Level).front(),
              quiet = curve(Shape::Quiet).front();
    EXPECT_TRUE(loud >= 75 && loud > level && level > quiet && quiet <= 25)
        << loud << " " << level << " " << quiet;

    auto peaking = curve(Shape::Peaking);
    auto top = std::max_element(peaking.begin(), peaking.end()) - peaking.begin();
    EXPECT_TRUE(top > 4 && top < 28 && peaking[top] - peaking.front() >= 40) << top;
    EXPECT_TRUE(std::is_sorted(peaking.begin(), peaking.begin() + top) &&
                std::is_sorted(peaking.rbegin(), peaking.rend() - top));

    // Random: a walk that moves, stays in range, holds each phrase, and repeats with the seed.
    auto random = curve(Shape::Random, 64);
    EXPECT_GT(std::set<int>(random.begin(), random.end()).size(), 3u);
    for (std::size_t i = 0; i < random.size(); ++i) {
        EXPECT_TRUE(random[i] >= 1 && random[i] <= 100) << i;
        if (i % 4) {
            EXPECT_EQ(random[i], random[i - 1]);
        }
    }
    detail::Rng a(9), b(9);
    EXPECT_EQ(detail::GrooveCurve(6, 64, 4, a), detail::GrooveCurve(6, 64, 4, b));

    // Song: verse and chorus of two phrases each, the chorus louder, repeated.
    auto song = curve(Shape::Song, 40);
    EXPECT_TRUE(song[0] == song[7] && song[8] > song[0] + 20 && song[16] < song[8] - 20 &&
                song[24] > song[16] + 20);
}

TEST(Composer, ChordsMoveOnlyAlongTheGraphWithSignpostsAndCadence) {
    auto map = majorMap();
    const auto &m = *map->data();
    const std::int64_t phrase = 4 * 3 * kTicksPerBeat;
    for (int shape = 0; shape < kShapeCount; ++shape) {
        for (int activity = 0; activity <= 3; ++activity) {
            for (std::uint64_t seed : {1u, 2u, 3u}) {
                SCOPED_TRACE(testing::Message()
                             << "shape " << shape << " activity " << activity << " seed " << seed);
                SegmentPtr s = Composer(seed).ComposeSegmentFromShape(waltz(), 23, shape, activity,
                                                                      true, true, map);
                const auto &ch = s->data()->chords;
                ASSERT_GE(ch.size(), m.cadence.size());
                const bool loopable = shape == static_cast<int>(Shape::Loopable);
                // Where the cadence begins (none for a loopable segment, which leads back to its
                // start).
                const std::size_t cadenceAt = loopable ? ch.size() : ch.size() - m.cadence.size();
                if (loopable) {
                    EXPECT_TRUE(m.connected(ch.back().chord, ch.front().chord));
                } else {
                    for (std::size_t k = 0; k < m.cadence.size(); ++k)
                        EXPECT_EQ(ch[cadenceAt + k].chord, m.cadence[k]);
                    EXPECT_EQ(ch.back().length,
                              3 * kTicksPerBeat); // the closing chord fills the last measure
                }
                for (std::size_t i = 0; i < ch.size(); ++i) {
                    const bool phraseStart = ch[i].tick % phrase == 0;
                    if (i < cadenceAt && phraseStart) {
                        EXPECT_TRUE(contains(m.startSignposts, ch[i].chord)) << i;
                        if (i > 0) {
                            EXPECT_TRUE(contains(m.endSignposts, ch[i - 1].chord)) << i;
                        }
                    } else if (i > 0 && i <= cadenceAt) {
                        EXPECT_TRUE(m.connected(ch[i - 1].chord, ch[i].chord)) << i;
                    }
                }
            }
        }
    }
}

TEST(Composer, LowerActivityChangesChordsMoreOften) {
    std::size_t total[4] = {0, 0, 0, 0};
    for (std::uint64_t seed = 1; seed <= 5; ++seed)
        for (int a = 0; a <= 3; ++a)
            total[a] += compose(64, 1, a, false, false, seed)->data()->chords.size();
    EXPECT_GT(total[0], total[1]);
    EXPECT_GT(total[1], total[2]);
    EXPECT_GE(total[2], total[3]);
}

TEST(Composer, PatternsHoldTheGrooveAndEmbellishmentsSitWhereAsked) {
    auto style = waltz();
    for (int shape = 0; shape < kShapeCount; ++shape) {
        SegmentPtr s =
            Composer(11).ComposeSegmentFromShape(style, 24, shape, 1, true, true, majorMap());
        const auto &d = *s->data();
        EXPECT_EQ(d.patternNames.front(), "in");
        EXPECT_EQ(d.embellishments[22], Embellishment::End);
        EXPECT_EQ(d.patternNames.back(), "out");
        for (std::size_t m = 0; m < d.patternNames.size(); ++m) {
            const auto e = d.embellishments[m];
            if (m + 2 < d.embellishments.size() &&
                (e == Embellishment::Fill || e == Embellishment::Break)) {
                EXPECT_EQ(m % 4, 3u); // fills and breaks only end phrases
            }
            for (const auto &p : style->data()->patterns)
                if (e == Embellishment::Normal && p.name == d.patternNames[m]) {
                    EXPECT_TRUE(d.groove[m] >= p.grooveLow && d.groove[m] <= p.grooveHigh) << m;
                }
        }
    }
    SegmentPtr s = compose(12, 1);
    const auto &plain = s->data()->embellishments;
    EXPECT_EQ(std::count(plain.begin(), plain.end(), Embellishment::Intro), 0);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), Embellishment::End), 0);
}

TEST(Composer, SeedRepeatsAndVariesAndNotesFitTheChords) {
    auto a = compose(32, 6, 1, true, true, 42), b = compose(32, 6, 1, true, true, 42);
    EXPECT_EQ(a->data()->events, b->data()->events);
    EXPECT_NE(a->data()->events, compose(32, 6, 1, true, true, 43)->data()->events);
    EXPECT_NE(a, b); // each composition is a new segment

    // Pitched notes belong to the chord sounding where they were written, or to the scale.
    const auto &d = *a->data();
    const auto &map = *d.chordMap;
    for (const auto &e : d.events) {
        if (e.kind != detail::MidiEvent::NoteOn || e.channel == 9)
            continue;
        auto chord = detail::ChordAt(d, e.tick + 1);
        const int pc = e.data1 % 12;
        bool fits = std::any_of(chord.intervals->begin(), chord.intervals->end(),
                                [&](int iv) { return (chord.root + iv) % 12 == pc; }) ||
                    std::any_of(map.scale.begin(), map.scale.end(),
                                [&](int s) { return (map.key + s) % 12 == pc; });
        EXPECT_TRUE(fits) << "key " << int(e.data1) << " at " << e.tick;
    }
}
