// The game window's side: load at start-up, the Music menu, closing, and the
// window's place and shape.

#include "fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace lumbrast::musicwindow::test {
namespace {

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

TEST_F(StylePlayerTest, ExitReleasesEverything) {
  standardMedia();
  frmStylesDX9* w = open();
  ASSERT_NE(w, nullptr);
  QPointer<frmStylesDX9> alive(w);
  std::weak_ptr<music::Performance> perf = w->Perf;
  std::weak_ptr<music::Segment> segment = w->MainSegment;
  std::weak_ptr<music::Style> style = w->CurStyle;
  host->exit();
  EXPECT_EQ(host->window(), nullptr);
  EXPECT_TRUE(perf.expired());
  EXPECT_TRUE(segment.expired());
  EXPECT_TRUE(style.expired());
  flushDeletes();
  EXPECT_TRUE(alive.isNull());
  EXPECT_TRUE(boxes->boxes.empty());
  // Exit with no window loaded leaves it unloaded.
  host->exit();
  EXPECT_EQ(host->window(), nullptr);
}

TEST_F(StylePlayerTest, MusicMenuLoadsTheWindowFirst) {
  standardMedia();
  host = std::make_unique<MusicWindowHost>(&game, env());
  host->stop();  // Music > "Stop" before the window was loaded
  frmStylesDX9* w = host->window();
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->Perf->IsPlaying(w->MainSegment));
  EXPECT_EQ(w->lblPlayProgress->text(), "User stop");
  EXPECT_FALSE(w->isVisible());

  host->play();
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  host->setup();
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->isModal());
  w->cmdHide->click();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(host->window(), w);  // hidden, still loaded, still playing
  EXPECT_TRUE(w->Perf->IsPlaying(w->MainSegment));
  host->setup();
  w->close();  // the close box hides as well
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(host->window(), w);
}

TEST_F(StylePlayerTest, StartUpLoadWaitsForTheGameWindow) {
  standardMedia();
  host = std::make_unique<MusicWindowHost>(&game, env());
  host->loadWhenShown();
  EXPECT_TRUE(host->isLoadPending());
  EXPECT_EQ(host->window(), nullptr);  // the game window comes first
  game.show();
  QElapsedTimer guard;
  guard.start();
  while (!host->window() && guard.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_NE(host->window(), nullptr);
  EXPECT_FALSE(host->window()->isVisible());
  EXPECT_TRUE(host->window()->Perf->IsPlaying(host->window()->MainSegment));
}

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
  game.move(300, 200);
  QCoreApplication::processEvents();
  w->repaint();  // a repaint brings it back to the corner
  QCoreApplication::processEvents();
  EXPECT_EQ(w->pos(), game.pos());
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
