#pragma once
// The style player on a plain parent widget, a temporary media folder,
// recorded message boxes, a fixed random draw, the offline clock.

#include "music/window/musicpublic.h"
#include "music/window/musicwindowhost.h"
#include "platform/desktop/fakes.h"
#include "testmedia.h"

#include <QtWidgets>
#include <gtest/gtest.h>

inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace lumbrast::musicwindow::test {

struct FixedRandom final : RandomSource {
    void Randomize() override {}
    float Rnd() override { return value; }
    float value = 0.0f;
};

using Box = platform::RecordingMessageBoxes::Box;
inline QString describe(const Box &b) {
    return QStringLiteral("%1, %2: %3").arg(b.title).arg(int(b.icon)).arg(b.text);
}

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
        return w = host->load();
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
    // The boxes shown so far, joined by " | ".
    std::string shown() const {
        QStringList out;
        for (const auto &b : boxes->boxes)
            out << describe(b);
        return out.join(" | ").toStdString();
    }
    std::int64_t beatFrames() const { return w->Perf->sampleRate() / 2; } // at 120 bpm
    QString bar() const { return w->lblSegBarValue->text() + "." + w->lblSegBeatValue->text(); }

    QWidget game;
    MediaFolder media;
    std::shared_ptr<platform::RecordingMessageBoxes> boxes =
        std::make_shared<platform::RecordingMessageBoxes>();
    std::shared_ptr<FixedRandom> random = std::make_shared<FixedRandom>();
    int beeps = 0;
    std::unique_ptr<MusicWindowHost> host;
    frmStylesDX9 *w = nullptr; // the window open() loaded
};

} // namespace lumbrast::musicwindow::test
