// Composing and playing: bands, motifs, tempo, Re-Compose, the length box, Stop
// and the notices.

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
    media.style("noband.sty", {.bands = {}});
    ASSERT_TRUE(open()) << shown();
    EXPECT_EQ(items(w->lstBands) + items(w->lstMotifs),
              (QStringList{"Two", "One", "Zero", "Bell", "Horn", "Drop"})); // the last band first
    int program = -1; // the bands set programs 0, 1, 2 on the first channel
    w->Perf->SetEventTap([&](const music::PlayedEvent &e) {
        if (e.kind == music::PlayedEvent::Kind::Program && e.channel == 0)
            program = e.data1;
    });
    const auto heardIsHighlighted = [&] {
        advance(beatFrames());
        return program == 2 - w->lstBands->currentRow();
    };
    EXPECT_TRUE(heardIsHighlighted());
    w->lstBands->setCurrentRow(2); // a click on "Zero"
    EXPECT_TRUE(heardIsHighlighted());
    w->selectBand(1);
    w->selectChordMap(1); // composes and plays anew
    EXPECT_TRUE(heardIsHighlighted());
    w->show();
    const QRect row = w->lstBands->visualItemRect(w->lstBands->currentItem());
    program = -1;
    QTest::mouseClick(w->lstBands->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_TRUE(heardIsHighlighted());

    w->selectStyle(w->cboStyles->findText("noband.sty")); // position 0 cannot be selected
    EXPECT_EQ(shown(), "MuVoTre, 3: 380\nInvalid property value\nform: Style , sub: Get_Bands");
}

// One session: the length box, Re-Compose, Stop, the tempo, the notices to the
// music's end and a tempo out of range.
TEST_F(StylePlayerTest, ComposePlayStopAndFollowTheBeat) {
    standardMedia({.tempo = 119.5});
    media.style("fast.sty", {.tempo = 300});
    ASSERT_TRUE(open()) << shown();
    const std::int64_t beat = beatFrames();
    advance(5 * beat);
    w->txtComposeLength->clear();
    QTest::keyClicks(w->txtComposeLength, "x3"); // three measures below
    EXPECT_EQ(beeps, 1);

    // Re-Compose reads the style file again; the boxes choose an intro or an ending.
    const auto old = w->MainSegment;
    media.style("NEWAVTCH.STY", {.tempo = 119.5, .beatsPerMeasure = 3, .introAndEnd = true});
    for (bool intro : {false, true}) {
        w->chkComposeIntro->setChecked(intro);
        w->chkComposeEnd->setChecked(!intro);
        w->cmdRecompose->click();
        const auto &marks = w->MainSegment->data()->embellishments;
        EXPECT_EQ(std::pair(marks.front() == music::Embellishment::Intro,
                            marks.back() == music::Embellishment::End),
                  std::pair(intro, !intro));
    }
    EXPECT_EQ(
        std::pair(w->MainSegment->measures(), w->MainSegment->timeSignature().beatsPerMeasure),
        std::pair(3, std::uint8_t{3}));
    EXPECT_FALSE(w->Perf->IsPlaying(w->MainSegment)); // the old music plays on
    w->cmdStopSegment->click();                       // and Stop stops it
    EXPECT_FALSE(w->Perf->IsPlaying(old));
    advance(beat);
    EXPECT_EQ(w->lblPlayProgress->text() + " " + bar(), "User stop 2.1"); // a stop is no end

    w->hscTempoSty->setValue(90); // the listener drags the slider
    EXPECT_EQ(w->lblStyleTempoValue->text() + " " + QString::number(w->Perf->GetTempo()), "90 90");
    w->cmdPlaySegment->click(); // restores the style's tempo
    EXPECT_EQ(w->lblStyleTempoValue->text() + " " + QString::number(w->Perf->GetTempo()),
              "120 120");
    advance(beat / 2);
    EXPECT_EQ(w->lblPlayProgress->text(), "PS playing");
    QStringList seen;
    for (int i = 0; i < 9; ++i) {
        seen << bar();
        advance(beat); // after the last beat, the end
    }
    EXPECT_EQ(seen.join(' '), "1.1 1.2 1.3 2.1 2.2 2.3 3.1 3.2 3.3");
    EXPECT_EQ(w->lblPlayProgress->text() + " " + bar(), "PS finished playing. 3.3");
    EXPECT_EQ(w->BarNumber, 0);

    w->optImmediate->setChecked(true); // a motif over silence reports its start and end
    w->cmdPlayMotif->click();
    advance(1);
    EXPECT_EQ(w->lblPlayProgress->text(), "Bell motif started playing.");
    advance(5 * beat); // past the motif's measure
    EXPECT_EQ(w->lblPlayProgress->text(), "Bell motif stopped playing.");

    const auto playing = w->MainSegment; // a tempo the slider cannot show: nothing composed
    w->selectStyle(w->cboStyles->findText("fast.sty"));
    EXPECT_EQ(boxes->boxes.back().text,
              "380\nInvalid property value\nform: Style , sub: cboStyles_Click");
    EXPECT_EQ(w->MainSegment, playing);
}

} // namespace
} // namespace lumbrast::musicwindow::test
