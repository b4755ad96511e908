// The notices of the music service driving bar, beat and progress.

#include "fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace lumbrast::musicwindow::test {
namespace {

class NoticeTest : public StylePlayerTest, public ::testing::WithParamInterface<int> {};

TEST_P(NoticeTest, BarAndBeatFollowTheMusicToItsEnd) {
  const int beats = GetParam();
  StyleRecipe recipe;
  recipe.beatsPerMeasure = beats;
  standardMedia(recipe);
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  w->txtComposeLength->setText("2");
  w->cmdRecompose->click();
  w->cmdPlaySegment->click();
  EXPECT_EQ(w->lblSegBarValue->text(), "1");
  EXPECT_EQ(w->lblSegBeatValue->text(), "1");

  const std::int64_t beat = beatFrames(w);
  advance(w, beat / 2);
  EXPECT_EQ(w->lblPlayProgress->text(), "PS playing");
  QStringList seen;
  for (int i = 0; i < 2 * beats; ++i) {
    seen << w->lblSegBarValue->text() + "." + w->lblSegBeatValue->text();
    if (i + 1 < 2 * beats) advance(w, beat);
  }
  QStringList expected;
  for (int bar = 1; bar <= 2; ++bar)
    for (int b = 1; b <= beats; ++b) expected << QStringLiteral("%1.%2").arg(bar).arg(b);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(w->BarNumber, 2);

  // The end: the labels keep the last bar and beat, the counters restart.
  advance(w, beat);
  EXPECT_EQ(w->lblPlayProgress->text(), "PS finished playing.");
  EXPECT_EQ(w->lblSegBarValue->text(), "2");
  EXPECT_EQ(w->lblSegBeatValue->text(), QString::number(beats));
  EXPECT_EQ(w->BarNumber, 0);
  EXPECT_EQ(w->BeatNumber, 0);

  // A motif over silence starts at once and reports its start and end.
  w->optImmediate->setChecked(true);
  w->cmdPlayMotif->click();
  advance(w, 1);
  EXPECT_EQ(w->lblPlayProgress->text(), "Bell motif started playing.");
  advance(w, beats * beat + 1);
  EXPECT_EQ(w->lblPlayProgress->text(), "Bell motif stopped playing.");
  EXPECT_TRUE(boxes->boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(TimeSignatures, NoticeTest, ::testing::Values(3, 4));

TEST_F(StylePlayerTest, StopAndEmptyLength) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  w->cmdPlaySegment->click();
  advance(w, beatFrames(w) * 5);
  w->cmdStopSegment->click();
  EXPECT_EQ(w->lblPlayProgress->text(), "User stop");
  EXPECT_EQ(w->lblSegBarValue->text(), "2");  // kept
  advance(w, beatFrames(w));
  EXPECT_EQ(w->lblPlayProgress->text(), "User stop");  // a stop is no end

  // An empty box composes no measures: the music ends as it starts.
  w->txtComposeLength->clear();
  w->cmdRecompose->click();
  EXPECT_EQ(w->MainSegment->measures(), 0);
  w->cmdPlaySegment->click();
  advance(w, 1);
  EXPECT_EQ(w->lblPlayProgress->text(), "PS finished playing.");
  EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(StylePlayerTest, ACounterOverflowInANoticeIsReported) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  // Counters near the end of their range: the next bar overflows.
  w->cmdPlaySegment->click();
  w->BarNumber = std::numeric_limits<std::int32_t>::max();
  advance(w, beatFrames(w) / 2);
  ASSERT_EQ(boxes->boxes.size(), 1u);
  EXPECT_EQ(boxes->boxes[0].text, "Error processing this Notification");
  EXPECT_EQ(boxes->boxes[0].title, "Cannot Process.");
  EXPECT_EQ(boxes->boxes[0].icon, BoxIcon::Information);
}

}  // namespace
}  // namespace lumbrast::musicwindow::test
