// The music answering the game's cues, on the offline clock: motifs on the
// next beat, closes and pauses from the next measure, nothing when off.

#include "fixture.h"
#include "music/engine/moments.h"
#include "music/window/follower.h"

namespace lumbrast::musicwindow::test {
namespace {

namespace mus = lumbrast::music;
using Heard = std::vector<std::pair<int, std::int64_t>>; // key and sample of each answer note

// The miss names a motif the style does not have.
const QString kMoments =
    "[moments]\npair3 = \"Hi\"\npair1 = \"Lo\"\ntension = \"Pulse\"\nmiss = \"Nope\"\n";

class FollowTest : public StylePlayerTest {
protected:
    std::int64_t nextMeasure() const {
        const std::int64_t measure = 4 * beatFrames();
        return (w->Perf->GetSampleTime() / measure + 1) * measure;
    }
    void advanceTo(std::int64_t sample) { advance(sample - w->Perf->GetSampleTime()); }
    mus::SegmentPtr playing() const { return w->Perf->PlayingPrimary(0).segment; }
    bool pulsePlays() const { return w->Perf->IsPlaying(w->CurStyle->GetMotif("Pulse")); }
    Heard heard;
};

// One match's cues in turn, each answered at its place in the music.
TEST_F(FollowTest, CuesAreAnsweredInTheMusicsOwnTime) {
    const StyleRecipe r{.motifs = {"Hi", "Lo", "Pulse"}, .introAndEnd = true};
    media.write("a.sty", StyleText(r) + kMoments);
    media.chordMap("one.cdm");
    ASSERT_TRUE(open()) << shown();
    w->Perf->SetEventTap([this](const mus::PlayedEvent &e) {
        if (e.kind == mus::PlayedEvent::Kind::NoteOn && e.channel == 4)
            heard.push_back({e.data1, e.sample});
    });
    advance(beatFrames() * 3 / 2); // halfway through the second beat
    for (GameCue c : {GameCue::PairScored3, GameCue::PairScored1, GameCue::PairScored3})
        host->gameCue(c); // all within one beat: one motif
    advance(beatFrames());
    host->gameCue(GameCue::PairScored1);
    host->gameCue(GameCue::Miss);
    advance(beatFrames());
    EXPECT_EQ(heard, (Heard{{84, 2 * beatFrames()}, {72, 3 * beatFrames()}}));

    heard.clear(); // the tension motif repeats until released, then ends its pass
    host->gameCue(GameCue::TensionOn);
    host->gameCue(GameCue::TensionOn);
    advance(beatFrames() * 10); // the motif is a measure long: passes on beats 4, 8, 12
    host->gameCue(GameCue::TensionOff);
    advance(beatFrames() * 8);
    EXPECT_EQ(heard.size(), 3u);
    EXPECT_FALSE(pulsePlays());

    // From the next measure a pause brings quieter music, below the style's level.
    const auto level = [&] {
        advanceTo(nextMeasure());
        return std::pair(playing()->data()->groove.front(), playing()->data()->loudness);
    };
    host->gameCue(GameCue::Paused);
    EXPECT_EQ(level(), std::pair(18, -26.0));
    modMusicPublic::ShapeIndexText = "1"; // LEVEL
    host->gameCue(GameCue::Resumed);
    EXPECT_EQ(level(), std::pair(50, -20.0));
    host->gameCue(GameCue::Paused);
    host->setFollowGame(false); // no longer following: the pause ends with it
    EXPECT_EQ(level(), std::pair(50, -20.0));
    host->setFollowGame(true);

    // A set won closes on the end signpost, a match won with the end pattern,
    // each from the next measure and followed by a fresh composition.
    for (GameCue cue : {GameCue::SetWon, GameCue::MatchWon}) {
        advance(beatFrames() * 3 / 2); // into a measure of what plays
        const mus::SegmentPtr before = playing();
        const std::int64_t boundary = nextMeasure();
        host->gameCue(cue);
        const mus::SegmentPtr fresh = w->MainSegment;
        advanceTo(boundary - 1);
        EXPECT_EQ(playing(), before);
        advance(1);
        const mus::SegmentPtr close = playing();
        ASSERT_NE(close, before);
        const auto &d = *close->data();
        EXPECT_EQ(d.chords.back().chord, d.chordMap->endSignposts.front());
        EXPECT_EQ(d.embellishments.back() == mus::Embellishment::End, cue == GameCue::MatchWon);
        advance(close->GetLength() / mus::kTicksPerBeat * beatFrames());
        EXPECT_EQ(playing(), fresh);
    }

    heard.clear(); // silence when not following or when the music stopped
    host->setFollowGame(false);
    host->gameCue(GameCue::PairScored3);
    host->setFollowGame(true);
    host->gameCue(GameCue::TensionOn);
    w->cmdStopSegment->click(); // the music stops, the motif over it plays on
    host->gameCue(GameCue::TensionOff);
    host->gameCue(GameCue::PairScored3);
    advance(beatFrames() * 8);
    EXPECT_EQ(heard.size(), 1u); // the tension motif's one pass
    EXPECT_FALSE(pulsePlays());
}

// Without a table the first motifs answer the pairs (the last where there are
// fewer) and the other moments are silent.
TEST(FollowLookups, DefaultMoments) {
    mus::detail::StyleData style;
    for (const char *name : {"A", "B"})
        style.motifs.emplace_back().name = name;
    std::string answers;
    for (mus::Moment m :
         {mus::Moment::Pair3, mus::Moment::Pair2, mus::Moment::Pair1, mus::Moment::Miss})
        answers += mus::MomentMotif(style, m) + ".";
    EXPECT_EQ(answers, "A.B.B..");
}

} // namespace
} // namespace lumbrast::musicwindow::test
