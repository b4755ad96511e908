#pragma once
// Shared set-up of the style player tests: a game window to sit on, a
// temporary media folder, recorded message boxes, scripted random draws and
// the performance on its offline clock.

#include "music/window/frmstylesdx9.h"
#include "music/window/musicpublic.h"
#include "music/window/musicwindowhost.h"
#include "testmedia.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

namespace lumbrast::musicwindow::test {

struct Box {
  QString text;
  BoxIcon icon;
  QString title;
};

class RecordingBoxes final : public MessageBoxes {
 public:
  void show(QWidget*, const QString& text, BoxIcon icon, const QString& title) override {
    boxes.push_back({text, icon, title});
  }
  std::vector<Box> boxes;
};

class ScriptedRandom final : public RandomSource {
 public:
  void Randomize() override { ++randomizes; }
  float Rnd() override {
    ++draws;
    if (values.empty()) return fallback;
    const float v = values.front();
    values.pop_front();
    return v;
  }
  std::deque<float> values;
  float fallback = 0.0f;
  int randomizes = 0;
  int draws = 0;
};

class StylePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { modMusicPublic::SetPublicDefaults(); }

  MusicWindowEnv env() {
    MusicWindowEnv e;
    e.messages = boxes;
    e.random = random;
    e.beep = [this] { ++beeps; };
    e.mediaFolder = media.path();
    e.audio.output = music::AudioOutput::Offline;
    return e;
  }

  // Loads the window through the game window's host, as cmdLoadMusic does.
  frmStylesDX9* open() {
    if (!host) host = std::make_unique<MusicWindowHost>(&game, env());
    return host->load();
  }

  // A few styles and chord maps.
  void standardMedia(const StyleRecipe& recipe = {}) {
    media.style("a.sty", recipe);
    media.style("NEWAVTCH.STY", recipe);
    media.chordMap("one.cdm");
    media.chordMap("two.cdm");
    media.chordMap("three.cdm");
  }

  // Moves the offline clock and hands the notices to the window.
  static void advance(frmStylesDX9* w, std::int64_t frames) {
    w->Perf->AdvanceOffline(frames);
    w->DirectXEvent8_DXCallback(0);
  }
  static std::int64_t beatFrames(frmStylesDX9* w, double tempo = 120) {
    return static_cast<std::int64_t>(w->Perf->sampleRate() * 60.0 / tempo);
  }

  QWidget game;
  MediaFolder media;
  std::shared_ptr<RecordingBoxes> boxes = std::make_shared<RecordingBoxes>();
  std::shared_ptr<ScriptedRandom> random = std::make_shared<ScriptedRandom>();
  int beeps = 0;
  std::unique_ptr<MusicWindowHost> host;
};

}  // namespace lumbrast::musicwindow::test
