// The music answering the game's cues, on the offline clock: motifs on the
// next beat, closes and pauses from the next measure, nothing when off.

#include "fixture.h"
#include "music/engine/moments.h"
#include "music/engine/transition.h"
#include "music/window/follower.h"

namespace lumbrast::musicwindow::test {
namespace {

namespace mus = lumbrast::music;

// Motifs with a key of their own on channel 5, so the answer heard names its moment.
QString FollowStyle(const QString &moments, bool ending = false) {
    QString t = StyleText({.motifs = {}, .introAndEnd = ending})
                    .replace("humanize", "loudness = -20\nhumanize");
    for (auto [name, key] : {std::pair{"Hi", 84}, {"Lo", 60}, {"Pulse", 48}})
        t += QStringLiteral("[[motif]]\nname = \"%1\"\n\n[[motif.part]]\nchannel = 5\n"
                            "notes = [\"1.1 %2 1/2 90\"]\n\n")
                 .arg(name)
                 .arg(key);
    return t + moments;
}
const QString kMoments = "[moments]\npair3 = \"Hi\"\npair1 = \"Lo\"\ntension = \"Pulse\"\n";

class FollowTest : public StylePlayerTest {
protected:
    void start(const QString &moments = kMoments, bool ending = false) {
        media.write("a.sty", FollowStyle(moments, ending));
        media.chordMap("one.cdm");
        ASSERT_NE(w = open(), nullptr);
        w->Perf->SetEventTap([this](const mus::PlayedEvent &e) {
            if (e.kind == mus::PlayedEvent::Kind::NoteOn && e.channel == 4)
                heard.push_back({e.data1, e.sample});
        });
        advance(beatFrames() * 3 / 2); // halfway through the second beat
    }
    std::int64_t nextMeasure() const {
        const std::int64_t measure = 4 * beatFrames();
        return (w->Perf->GetSampleTime() / measure + 1) * measure;
    }
    mus::SegmentPtr playing() const { return w->Perf->PlayingPrimary(0).segment; }
    std::vector<std::pair<int, std::int64_t>> heard; // key and sample of each answer note
};

TEST_F(FollowTest, PairsAnswerOnTheNextBeatOneMotifPerMoment) {
    start();
    for (GameCue c : {GameCue::PairScored3, GameCue::PairScored1, GameCue::PairScored3})
        host->gameCue(c); // all within one beat
    advance(beatFrames());
    EXPECT_EQ(heard, (decltype(heard){{84, 2 * beatFrames()}}));
    heard.clear();
    host->gameCue(GameCue::PairScored1);
    host->gameCue(GameCue::Miss); // named by no moment: silence
    advance(beatFrames());
    EXPECT_EQ(heard, (decltype(heard){{60, 3 * beatFrames()}}));

    heard.clear();
    host->setFollowGame(false);
    host->gameCue(GameCue::PairScored3);
    host->setFollowGame(true);
    w->cmdStopSegment->click();
    host->gameCue(GameCue::PairScored3); // no music playing
    advance(beatFrames() * 2);
    EXPECT_TRUE(heard.empty());
}

TEST_F(FollowTest, TensionRepeatsUntilReleasedThenEndsItsPass) {
    start();
    host->gameCue(GameCue::TensionOn);
    host->gameCue(GameCue::TensionOn);
    EXPECT_EQ(w->CurStyle->GetMotif("Pulse")->GetRepeats(), 0u); // Play Motif plays it once
    advance(beatFrames() * 10); // the motif is a measure long: passes on beats 2, 6, 10
    EXPECT_EQ(heard.size(), 3u);
    host->gameCue(GameCue::TensionOff);
    advance(beatFrames() * 8);
    EXPECT_EQ(heard.size(), 3u);
    EXPECT_FALSE(w->Perf->IsPlaying(w->CurStyle->GetMotif("Pulse")));
    host->gameCue(GameCue::TensionOn);
    w->cmdStopSegment->click(); // the music stops, the motif over it plays on
    host->gameCue(GameCue::TensionOff);
    advance(beatFrames() * 8);
    EXPECT_FALSE(w->Perf->IsPlaying(w->CurStyle->GetMotif("Pulse")));
}

// A set won closes on the end signpost, a match won with the end pattern,
// each from the next measure and followed by a fresh composition.
TEST_F(FollowTest, ClosesTakeOverAtTheNextMeasure) {
    start(kMoments, true);
    for (GameCue cue : {GameCue::SetWon, GameCue::MatchWon}) {
        advance(beatFrames() * 3 / 2); // into a measure of what plays
        const mus::SegmentPtr before = playing();
        const std::int64_t boundary = nextMeasure();
        host->gameCue(cue);
        const mus::SegmentPtr dropped = w->MainSegment;
        host->gameCue(cue); // the later close replaces the one still waiting
        EXPECT_FALSE(w->Perf->IsPlaying(dropped));
        const mus::SegmentPtr fresh = w->MainSegment;
        advance(boundary - w->Perf->GetSampleTime() - 1);
        EXPECT_EQ(playing(), before);
        advance(1);
        const mus::SegmentPtr close = playing();
        ASSERT_NE(close, before);
        const auto &d = *close->data();
        EXPECT_EQ(d.chords.back().chord, d.chordMap->endSignposts.front());
        EXPECT_EQ(d.embellishments.back() == mus::Embellishment::End, cue == GameCue::MatchWon);
        advance(close->GetLength() / mus::kTicksPerBeat * beatFrames());
        EXPECT_EQ(playing(), fresh);
        EXPECT_EQ(w->lblPlayProgress->text(), "PS playing");
    }
}

// The way to an end signpost takes only steps that come closer; from an end
// signpost the close is the cadence.
TEST_F(FollowTest, ChordsToEndWalkTheShortestWay) {
    media.chordMap("c.cdm"); // I, IV and V; the end I; the cadence V I
    const auto map = mus::Loader().LoadChordMap(media.path().toStdString() + "c.cdm");
    const auto &d = *map->data();
    const auto ids = [&](const char *from) {
        std::string out;
        for (int c : mus::detail::ChordsToEnd(d, d.find(from)))
            out += d.chords[static_cast<std::size_t>(c)].id + " ";
        return out;
    };
    EXPECT_EQ(ids("IV"), "I ");
    EXPECT_EQ(ids("V"), "I ");
    EXPECT_EQ(ids("I"), "V I ");
}

TEST_F(FollowTest, PauseQuietensFromTheNextMeasureUntilResumed) {
    start();
    host->gameCue(GameCue::Paused);
    advance(nextMeasure() - w->Perf->GetSampleTime());
    EXPECT_EQ(playing()->data()->groove.front(), 18);
    EXPECT_LT(playing()->data()->loudness, -20); // below the style's level
    modMusicPublic::ShapeIndexText = "1";        // LEVEL
    host->gameCue(GameCue::Resumed);
    advance(nextMeasure() - w->Perf->GetSampleTime());
    EXPECT_EQ(playing()->data()->groove.front(), 50);
    EXPECT_EQ(playing()->data()->loudness, -20);
    host->gameCue(GameCue::Paused);
    host->setFollowGame(false); // no longer following: the pause ends with it
    advance(nextMeasure() - w->Perf->GetSampleTime());
    EXPECT_EQ(playing()->data()->groove.front(), 50);
}

TEST_F(FollowTest, MomentsNamingMissingMotifsPassInSilence) {
    start("[moments]\npair3 = \"Nope\"\n");
    host->gameCue(GameCue::PairScored3);
    advance(beatFrames());
    EXPECT_TRUE(heard.empty());
    const auto lines = mus::MomentWarnings(*w->CurStyle->data());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("pair3 names motif 'Nope'"), std::string::npos);
    // Without a table the first motifs answer the pairs (the last where there
    // are fewer), and the other moments are silent.
    mus::detail::StyleData d;
    for (const char *name : {"A", "B"})
        d.motifs.emplace_back().name = name;
    EXPECT_EQ(mus::MomentMotif(d, mus::Moment::Pair2), "B");
    EXPECT_EQ(mus::MomentMotif(d, mus::Moment::Pair1), "B");
    EXPECT_EQ(mus::MomentMotif(d, mus::Moment::Miss), "");
}

} // namespace
} // namespace lumbrast::musicwindow::test
