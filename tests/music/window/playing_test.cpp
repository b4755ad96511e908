// Loading a style, composing and playing: bands, motifs, tempo, Re-Compose,
// chord map and shape changes, the length box and the motif alignments.

#include "fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

namespace lumbrast::musicwindow::test {
namespace {

using namespace modMusicPublic;

QStringList items(QListWidget* l) {
  QStringList out;
  for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
  return out;
}

TEST_F(StylePlayerTest, BandsListLastFirstAndTheFirstIsApplied) {
  StyleRecipe recipe;
  recipe.bands = {"Zero", "One", "Two"};
  standardMedia(recipe);
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(items(w->lstBands), (QStringList{"Two", "One", "Zero"}));
  EXPECT_EQ(w->lstBands->currentRow(), 0);
  EXPECT_EQ(BandName, "Two");
  EXPECT_EQ(BandIndex, 0);
  ASSERT_TRUE(w->CurBand);
  EXPECT_EQ(w->CurBand->name(), "Two");
  EXPECT_TRUE(w->CurBand->isDownloaded());
  ASSERT_TRUE(w->BandSegment);
  EXPECT_TRUE(w->Perf->IsPlaying(w->BandSegment));

  const auto previous = w->CurBand;
  w->lstBands->setCurrentRow(2);  // a click on "Zero"
  EXPECT_EQ(BandName, "Zero");
  EXPECT_EQ(BandIndex, 2);
  EXPECT_EQ(w->CurBand->name(), "Zero");
  EXPECT_FALSE(previous->isDownloaded());
  EXPECT_TRUE(boxes->boxes.empty());

  // A style without bands: position 0 cannot be selected.
  StyleRecipe none;
  none.bands = {};
  media.style("c.sty", none);
  w->cboStyles->clear();
  w->cboStyles->addItems(ListMediaFiles(media.path(), "*.sty"));
  w->selectStyle(w->cboStyles->findText("c.sty"));
  EXPECT_EQ(w->lstBands->count(), 0);
  ASSERT_FALSE(boxes->boxes.empty());
  EXPECT_EQ(boxes->boxes[0].text, "380\nInvalid property value\nform: Style , sub: Get_Bands");
}

TEST_F(StylePlayerTest, MotifsAreListedOrReportedMissing) {
  StyleRecipe recipe;
  recipe.motifs = {"Bell", "Horn", "Drop"};
  standardMedia(recipe);
  StyleRecipe none;
  none.motifs = {};
  media.style("none.sty", none);
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(items(w->lstMotifs), (QStringList{"Bell", "Horn", "Drop"}));
  ASSERT_EQ(w->MotifTable.size(), 3u);
  EXPECT_EQ(w->MotifTable[1].Name, "Horn");
  ASSERT_TRUE(w->MotifTable[1].Segment);
  EXPECT_EQ(w->MotifTable[1].Segment->name(), "Horn");
  EXPECT_EQ(w->lstMotifs->currentRow(), 0);
  EXPECT_TRUE(w->cmdPlayMotif->isEnabled());

  w->selectStyle(w->cboStyles->findText("none.sty"));
  EXPECT_EQ(items(w->lstMotifs), QStringList{"no Motifs in this Style"});
  EXPECT_TRUE(w->MotifTable.empty());
  EXPECT_FALSE(w->cmdPlayMotif->isEnabled());
  // Should the button be enabled again, choosing the entry disables it.
  w->cmdPlayMotif->setEnabled(true);
  w->lstMotifs->setCurrentRow(0);
  w->cmdPlayMotif->click();
  EXPECT_FALSE(w->cmdPlayMotif->isEnabled());
  EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(StylePlayerTest, TempoSliderAndPlaySegReturningToTheStyleTempo) {
  StyleRecipe recipe;
  recipe.tempo = 119.5;
  standardMedia(recipe);
  StyleRecipe up;
  up.tempo = 120.5;
  media.style("up.sty", up);
  StyleRecipe fast;
  fast.tempo = 300;
  media.style("fast.sty", fast);
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->StyleTempo, 120);
  EXPECT_EQ(w->lblStyleTempoValue->text(), "120");
  EXPECT_EQ(w->hscTempoSty->value(), 120);
  EXPECT_EQ(w->lblStyleTimeSigValue->text(), "4/4");

  w->hscTempoSty->setValue(90);  // the listener drags the slider
  EXPECT_EQ(w->lblStyleTempoValue->text(), "90");
  EXPECT_DOUBLE_EQ(w->Perf->GetTempo(), 90.0);
  EXPECT_EQ(w->StyleTempo, 120);
  w->cmdPlaySegment->click();
  EXPECT_EQ(w->hscTempoSty->value(), 120);
  EXPECT_EQ(w->lblStyleTempoValue->text(), "120");
  EXPECT_DOUBLE_EQ(w->Perf->GetTempo(), 120.0);

  w->selectStyle(w->cboStyles->findText("up.sty"));
  EXPECT_EQ(w->lblStyleTempoValue->text(), "120");

  // Outside the slider's range: reported, nothing new composed.
  const auto before = w->MainSegment;
  w->selectStyle(w->cboStyles->findText("fast.sty"));
  ASSERT_EQ(boxes->boxes.size(), 1u);
  EXPECT_EQ(boxes->boxes[0].text, "380\nInvalid property value\nform: Style , sub: cboStyles_Click");
  EXPECT_EQ(w->MainSegment, before);
}

TEST_F(StylePlayerTest, ReComposeKeepsTheOldMusicUntilPlaySeg) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  const auto old = w->MainSegment;
  const auto oldBand = w->CurBand;
  ASSERT_TRUE(w->Perf->IsPlaying(old));
  w->txtComposeLength->setText("3");
  w->chkComposeIntro->setChecked(false);
  w->cmdRecompose->click();
  ASSERT_NE(w->MainSegment, old);
  EXPECT_EQ(w->MainSegment->measures(), 3);
  EXPECT_EQ(w->ComposeIntro, 0);
  EXPECT_EQ(w->ComposeEnd, -1);
  EXPECT_TRUE(w->Perf->IsPlaying(old));
  EXPECT_FALSE(w->Perf->IsPlaying(w->MainSegment));
  EXPECT_NE(w->CurBand, oldBand);  // the first band again, over the old music
  EXPECT_EQ(w->CurBand->name(), oldBand->name());

  w->cmdPlaySegment->click();
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  EXPECT_FALSE(w->Perf->IsPlaying(old));
  EXPECT_EQ(w->lblSegBarValue->text(), "1");
  EXPECT_EQ(w->lblSegBeatValue->text(), "1");
  EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(StylePlayerTest, ShapeAndChordMapChangesRestartTheMusic) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  auto old = w->MainSegment;
  w->cboShape->setCurrentIndex(8);
  emit w->cboShape->activated(8);
  EXPECT_EQ(ShapeName, "SONG");
  EXPECT_EQ(ShapeIndexText, "8");
  EXPECT_NE(w->MainSegment, old);
  EXPECT_FALSE(w->Perf->IsPlaying(old));
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  EXPECT_EQ(w->lblPlayProgress->text(), "User stop");

  old = w->MainSegment;
  w->selectChordMap(2);
  EXPECT_EQ(ChordMapFileName, "two.cdm");
  EXPECT_EQ(ChordMapIndex, 2);
  EXPECT_EQ(ChordMapPath, media.path() + "two.cdm");
  EXPECT_NE(w->MainSegment, old);
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));

  // From silence the change starts the music.
  w->cmdStopSegment->click();
  EXPECT_FALSE(w->Perf->IsPlaying(w->MainSegment));
  w->selectShape(1);
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(StylePlayerTest, LengthBoxTakesDigitsOnly) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  w->txtComposeLength->clear();
  EXPECT_EQ(ComposeLength, 0);
  QTest::keyClicks(w->txtComposeLength, "1x2");
  EXPECT_EQ(w->txtComposeLength->text(), "12");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(ComposeLength, 12);
  QTest::keyClick(w->txtComposeLength, Qt::Key_Backspace);
  EXPECT_EQ(ComposeLength, 1);
  w->txtComposeLength->setText("1E9");  // pasted
  EXPECT_EQ(ComposeLength, 9999);
  EXPECT_EQ(w->ComposeMeasures, 9999);
}

TEST_F(StylePlayerTest, PlayAndStopBeforeAnyCompositionDoNothing) {
  frmStylesDX9 w(&game, env());
  w.cmdPlaySegment->click();
  w.cmdStopSegment->click();
  EXPECT_TRUE(boxes->boxes.empty());
  EXPECT_EQ(w.lblSegBarValue->text(), "0");
  EXPECT_EQ(w.lblPlayProgress->text(), "000000000000000000");
}

// Each alignment starts the motif on its boundary of the playing music: the
// motif's first note sounds there.
TEST_F(StylePlayerTest, MotifAlignments) {
  standardMedia();  // 4/4, 120 bpm, motif "Bell" with the measure boundary
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  std::vector<std::int64_t> motifNotes;
  w->Perf->SetEventTap([&](const music::PlayedEvent& e) {
    if (e.kind == music::PlayedEvent::Kind::NoteOn && e.channel == 4) motifNotes.push_back(e.sample);
  });
  const std::int64_t beat = beatFrames(w);
  const std::int64_t now = beat + beat * 3 / 10;  // inside the second beat, off the grid
  struct Case {
    QRadioButton* option;
    std::int64_t expected;
  };
  const Case cases[] = {
      {w->optImmediate, now},
      {w->optGrid, beat + 2 * (beat / 4)},
      {w->optBeat, 2 * beat},
      {w->optMeasure, 4 * beat},
      {w->optDefault, 4 * beat},  // the motif's own boundary: a measure
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option->text().toStdString());
    w->cmdPlaySegment->click();
    const std::int64_t start = w->Perf->GetSampleTime();
    advance(w, now);
    c.option->setChecked(true);
    motifNotes.clear();
    w->cmdPlayMotif->click();
    advance(w, 5 * beat);
    ASSERT_FALSE(motifNotes.empty());
    EXPECT_NEAR(static_cast<double>(motifNotes.front() - start), static_cast<double>(c.expected), 2.0);
  }
  EXPECT_TRUE(boxes->boxes.empty());
}

}  // namespace
}  // namespace lumbrast::musicwindow::test
