// Composing and playing: bands, motifs, tempo, Re-Compose, chord map and shape
// changes, the length box, the motif alignments and the notices.

#include "fixture.h"
#include "music/engine/model.h"

#include <QTest>

namespace lumbrast::musicwindow::test {
namespace {

using namespace modMusicPublic;

QStringList items(QListWidget *l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

// The band heard is the band highlighted, after every change that composes and
// after a click on the highlighted band.
TEST_F(StylePlayerTest, BandsAndMotifsOfTheChosenStyle) {
    standardMedia({.bands = {"Zero", "One", "Two"}, .motifs = {"Bell", "Horn", "Drop"}});
    media.style("nomotif.sty", {.motifs = {}});
    media.style("noband.sty", {.bands = {}});
    ASSERT_NE(w = open(), nullptr);
    EXPECT_EQ(items(w->lstBands), (QStringList{"Two", "One", "Zero"})); // last first
    EXPECT_EQ(items(w->lstMotifs), (QStringList{"Bell", "Horn", "Drop"}));
    int program = -1; // the bands set programs 0, 1, 2 on the first channel
    w->Perf->SetEventTap([&](const music::PlayedEvent &e) {
        if (e.kind == music::PlayedEvent::Kind::Program && e.channel == 0)
            program = e.data1;
    });
    auto heard = [&] {
        advance(beatFrames());
        return program;
    };
    auto shown = [&] { return 2 - w->lstBands->currentRow(); };
    EXPECT_EQ(heard(), shown());
    const auto previous = w->CurBand;
    w->lstBands->setCurrentRow(2); // a click on "Zero"
    EXPECT_TRUE(w->CurBand->isDownloaded());
    EXPECT_FALSE(previous->isDownloaded());
    EXPECT_EQ(heard(), shown());
    const std::function<void()> changes[] = {
        [&] { w->selectChordMap(1); }, [&] { w->selectShape(2); },
        [&] { w->cmdPlaySegment->click(); }, [&] { w->selectStyle(0); }};
    for (const auto &change : changes) {
        w->selectBand(1);
        change();
        EXPECT_EQ(heard(), shown());
        EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
    }
    w->show();
    const QRect row = w->lstBands->visualItemRect(w->lstBands->currentItem());
    program = -1;
    QTest::mouseClick(w->lstBands->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(heard(), shown());

    w->selectStyle(w->cboStyles->findText("nomotif.sty"));
    EXPECT_EQ(items(w->lstMotifs), QStringList{"no Motifs in this Style"});
    EXPECT_FALSE(w->cmdPlayMotif->isEnabled());

    w->selectStyle(w->cboStyles->findText("noband.sty")); // position 0 cannot be selected
    EXPECT_EQ(w->lstBands->count(), 0);
    EXPECT_EQ(texts(), QStringList{"380\nInvalid property value\nform: Style , sub: Get_Bands"});
}

TEST_F(StylePlayerTest, TempoReComposeShapeAndChordMap) {
    standardMedia({.tempo = 119.5});
    media.style("fast.sty", {.tempo = 300});
    ASSERT_NE(w = open(), nullptr);
    EXPECT_EQ(w->lblStyleTempoValue->text(), "120");
    w->hscTempoSty->setValue(90); // the listener drags the slider
    EXPECT_EQ(w->lblStyleTempoValue->text(), "90");
    EXPECT_DOUBLE_EQ(w->Perf->GetTempo(), 90.0);

    // Re-Compose reads the style file again and keeps the old music until Play Seg, which
    // restores the style's tempo.
    auto old = w->MainSegment;
    media.style("NEWAVTCH.STY", {.tempo = 119.5, .beatsPerMeasure = 3, .introAndEnd = true});
    w->txtComposeLength->setText("3");
    w->cmdRecompose->click();
    ASSERT_NE(w->MainSegment, old);
    EXPECT_EQ(w->MainSegment->measures(), 3);
    EXPECT_EQ(w->MainSegment->timeSignature().beatsPerMeasure, 3);
    for (bool intro : {false, true}) { // the boxes choose an intro or an ending
        w->chkComposeIntro->setChecked(intro);
        w->chkComposeEnd->setChecked(!intro);
        w->cmdRecompose->click();
        const auto &marks = w->MainSegment->data()->embellishments;
        EXPECT_EQ(marks.front() == music::Embellishment::Intro, intro);
        EXPECT_EQ(marks.back() == music::Embellishment::End, !intro);
    }
    EXPECT_TRUE(w->Perf->IsPlaying(old));
    EXPECT_FALSE(w->Perf->IsPlaying(w->MainSegment));
    w->cmdPlaySegment->click();
    EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
    EXPECT_FALSE(w->Perf->IsPlaying(old));
    EXPECT_EQ(bar(), "1.1");
    EXPECT_EQ(w->lblStyleTempoValue->text(), "120");
    EXPECT_DOUBLE_EQ(w->Perf->GetTempo(), 120.0);

    // The shape box's own signal; from silence a change starts the music.
    w->cmdStopSegment->click();
    w->cboShape->setCurrentIndex(8);
    emit w->cboShape->activated(8);
    EXPECT_EQ(ShapeName, "SONG");
    EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
    w->selectChordMap(2);
    EXPECT_EQ(ChordMapPath, media.path() + "two.cdm");

    old = w->MainSegment; // a tempo the slider cannot show: reported, nothing composed
    w->selectStyle(w->cboStyles->findText("fast.sty"));
    EXPECT_EQ(texts(),
              QStringList{"380\nInvalid property value\nform: Style , sub: cboStyles_Click"});
    EXPECT_EQ(w->MainSegment, old);
}

TEST_F(StylePlayerTest, MotifAlignments) {
    standardMedia(); // 4/4, 120 bpm, motif "Bell" with the measure boundary
    ASSERT_NE(w = open(), nullptr);
    std::vector<std::int64_t> motifNotes;
    w->Perf->SetEventTap([&](const music::PlayedEvent &e) {
        if (e.kind == music::PlayedEvent::Kind::NoteOn && e.channel == 4)
            motifNotes.push_back(e.sample);
    });
    const std::int64_t beat = beatFrames();
    const std::int64_t now = beat + beat * 3 / 10; // inside the second beat, off the grid
    const std::pair<QRadioButton *, std::int64_t> cases[] = {
        {w->optImmediate, now},    {w->optGrid, beat + 2 * (beat / 4)}, {w->optBeat, 2 * beat},
        {w->optMeasure, 4 * beat}, {w->optDefault, 4 * beat}, // the motif's own boundary
    };
    for (const auto &[option, expected] : cases) {
        SCOPED_TRACE(option->text().toStdString());
        w->cmdPlaySegment->click();
        const std::int64_t start = w->Perf->GetSampleTime();
        advance(now);
        option->setChecked(true);
        motifNotes.clear();
        w->cmdPlayMotif->click();
        advance(5 * beat);
        ASSERT_FALSE(motifNotes.empty());
        EXPECT_NEAR(double(motifNotes.front() - start), double(expected), 2.0);
    }
}

class NoticeTest : public StylePlayerTest, public ::testing::WithParamInterface<int> {};

TEST_P(NoticeTest, BarAndBeatFollowTheMusicToItsEnd) {
    const int beats = GetParam();
    standardMedia({.beatsPerMeasure = beats});
    ASSERT_NE(w = open(), nullptr);
    w->txtComposeLength->setText("2");
    w->cmdRecompose->click();
    w->cmdPlaySegment->click();
    const std::int64_t beat = beatFrames();
    advance(beat / 2);
    EXPECT_EQ(w->lblPlayProgress->text(), "PS playing");
    QStringList seen, expected;
    for (int i = 0; i < 2 * beats; ++i) {
        seen << bar();
        expected << QStringLiteral("%1.%2").arg(i / beats + 1).arg(i % beats + 1);
        advance(beat); // after the last beat, the end
    }
    EXPECT_EQ(seen, expected); // at the end the labels keep the last bar and beat
    EXPECT_EQ(w->lblPlayProgress->text(), "PS finished playing.");
    EXPECT_EQ(bar(), QStringLiteral("2.%1").arg(beats));
    EXPECT_EQ(w->BarNumber, 0);

    w->optImmediate->setChecked(true); // a motif over silence reports its start and end
    w->cmdPlayMotif->click();
    advance(1);
    EXPECT_EQ(w->lblPlayProgress->text(), "Bell motif started playing.");
    advance(beats * beat + 1);
    EXPECT_EQ(w->lblPlayProgress->text(), "Bell motif stopped playing.");
    EXPECT_TRUE(boxes->boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(TimeSignatures, NoticeTest, ::testing::Values(3, 4));

TEST_F(StylePlayerTest, LengthBoxStopAndCounterOverflow) {
    { // Play Seg and Stop before any composition do nothing.
        frmStylesDX9 bare(&game, env());
        bare.cmdPlaySegment->click();
        bare.cmdStopSegment->click();
        EXPECT_EQ(bare.lblPlayProgress->text(), "000000000000000000");
    }
    standardMedia();
    ASSERT_NE(w = open(), nullptr);
    w->txtComposeLength->setText("1E9"); // pasted
    EXPECT_EQ(w->ComposeMeasures, 9999);
    w->txtComposeLength->clear();
    QTest::keyClicks(w->txtComposeLength, "1x2");
    EXPECT_EQ(w->txtComposeLength->text(), "12");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(ComposeLength, 12);

    w->cmdPlaySegment->click();
    advance(beatFrames() * 5);
    const auto playing = w->MainSegment;
    w->cmdRecompose->click(); // Stop stops the music that plays, not the new composition
    w->cmdStopSegment->click();
    EXPECT_FALSE(w->Perf->IsPlaying(playing));
    EXPECT_EQ(w->lblPlayProgress->text(), "User stop");
    advance(beatFrames());
    EXPECT_EQ(w->lblPlayProgress->text(), "User stop"); // a stop is no end
    EXPECT_EQ(w->lblSegBarValue->text(), "2");          // kept, no count from 0 again

    w->txtComposeLength->clear(); // no measures: the music ends as it starts
    w->cmdRecompose->click();
    w->cmdPlaySegment->click();
    advance(1);
    EXPECT_EQ(w->lblPlayProgress->text(), "PS finished playing.");

    w->txtComposeLength->setText("2"); // counters at the end of their range
    w->cmdRecompose->click();
    w->cmdPlaySegment->click();
    w->BarNumber = std::numeric_limits<std::int32_t>::max();
    advance(beatFrames() / 2);
    EXPECT_EQ(boxes->boxes, (std::vector<Box>{{"Error processing this Notification",
                                               BoxIcon::Information, "Cannot Process."}}));
}

} // namespace
} // namespace lumbrast::musicwindow::test
