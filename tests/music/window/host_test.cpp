// The game window's side: load at start-up, the Music menu, closing, and the
// window's place and shape.

#include "fixture.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace lumbrast::musicwindow::test {
namespace {

TEST_F(StylePlayerTest, WindowCoversTheGameWindowCornerAndIsRounded) {
  standardMedia();
  game.setGeometry(100, 120, 400, 300);
  game.show();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->pos(), game.pos());
  EXPECT_EQ(w->windowTitle(), "MuVoTre - Styles from Microsoft DM Producer 9");
  EXPECT_FALSE(w->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(w->mask().contains(QPoint(w->width() / 2, w->height() / 2)));
  EXPECT_FALSE(w->cmdPlaySegment->mask().isEmpty());
  EXPECT_FALSE(w->cmdOK->isVisible());

  host->setup();
  EXPECT_TRUE(w->isVisible());
  game.move(300, 200);
  QCoreApplication::processEvents();
  w->repaint();  // a repaint brings it back to the corner
  QCoreApplication::processEvents();
  EXPECT_EQ(w->pos(), game.pos());

  // "Hide" and the close box hide it; it stays loaded and plays on.
  w->cmdHide->click();
  EXPECT_FALSE(w->isVisible());
  host->setup();
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(host->window(), w);
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
}

TEST_F(StylePlayerTest, ShippedMusicStartsWithItsDefaultStyle) {
  MusicWindowEnv e = env();
  e.mediaFolder = QStringLiteral(LUMBRAST_MEDIA_SOURCE);
  host = std::make_unique<MusicWindowHost>(&game, e);
  frmStylesDX9* w = host->load();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(modMusicPublic::StyleFileName, "NEWAVTCH.STY");
  EXPECT_GE(w->cboChordMap->count(), 1);
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  advance(w, beatFrames(w, w->StyleTempo) * 9 / 2);
  EXPECT_EQ(w->lblPlayProgress->text(), "PS playing");
  EXPECT_EQ(w->lblSegBarValue->text(), "2");
  EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(StylePlayerTest, NoSoundIsToldOnceARun) {
  standardMedia();
  MusicWindowEnv e = env();
  e.audio.output = music::AudioOutput::RealTimeSilent;
  host = std::make_unique<MusicWindowHost>(&game, e);
  ASSERT_NE(host->load(), nullptr);
  host->exit();
  ASSERT_NE(host->load(), nullptr);
  ASSERT_EQ(boxes->boxes.size(), 1u);
  EXPECT_EQ(boxes->boxes[0].title, "MuVoTre - Style Player");
  EXPECT_TRUE(boxes->boxes[0].text.contains("without sound"));
  host->exit();
}

}  // namespace
}  // namespace lumbrast::musicwindow::test
