#pragma once
// The style player on a plain parent widget, a temporary media folder,
// recorded message boxes, scripted random draws, the offline clock.

#include "music/window/musicpublic.h"
#include "music/window/musicwindowhost.h"
#include "testmedia.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace lumbrast::musicwindow::test {

struct Box {
    QString text;
    BoxIcon icon;
    QString title;
    bool operator==(const Box &) const = default;
    friend void PrintTo(const Box &b, std::ostream *os) {
        *os << '{' << b.text.toStdString() << ", " << int(b.icon) << ", " << b.title.toStdString()
            << '}';
    }
};
struct RecordingBoxes final : MessageBoxes {
    void show(QWidget *, const QString &text, BoxIcon icon, const QString &title) override {
        boxes.push_back({text, icon, title});
    }
    std::vector<Box> boxes;
};

// Draws `values` in turn, then `fallback`.
struct ScriptedRandom final : RandomSource {
    void Randomize() override {}
    float Rnd() override { return ++draws <= int(values.size()) ? values[draws - 1] : fallback; }
    std::vector<float> values;
    float fallback = 0.0f;
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
    // Loads the window through the host, as cmdLoadMusic does.
    frmStylesDX9 *open() {
        if (!host)
            host = std::make_unique<MusicWindowHost>(&game, env());
        return host->load();
    }
    void standardMedia(const StyleRecipe &recipe = {}) {
        media.style("a.sty", recipe);
        media.style("NEWAVTCH.STY", recipe);
        for (const char *c : {"one.cdm", "two.cdm", "three.cdm"})
            media.chordMap(c);
    }
    // Moves the offline clock; the notices reach the window by the event handle's signal.
    void advance(std::int64_t frames) {
        w->Perf->AdvanceOffline(frames);
        QCoreApplication::sendPostedEvents(w->NotifyEvent.get());
    }
    QStringList texts() const {
        QStringList out;
        for (const Box &b : boxes->boxes)
            out << b.text;
        return out;
    }
    std::int64_t beatFrames() const { return w->Perf->sampleRate() / 2; } // at 120 bpm
    QString bar() const { return w->lblSegBarValue->text() + "." + w->lblSegBeatValue->text(); }

    QWidget game;
    MediaFolder media;
    std::shared_ptr<RecordingBoxes> boxes = std::make_shared<RecordingBoxes>();
    std::shared_ptr<ScriptedRandom> random = std::make_shared<ScriptedRandom>();
    int beeps = 0;
    std::unique_ptr<MusicWindowHost> host;
    frmStylesDX9 *w = nullptr; // the window open() loaded
};

} // namespace lumbrast::musicwindow::test
