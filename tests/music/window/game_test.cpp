// The style player behind the game window: driven by the Music menu, released
// when the game closes.

#include "app/frmlumbrast.h"
#include "fixture.h"
#include "platform/sim/simulatedrawinput.h"

namespace lumbrast::musicwindow::test {
namespace {

struct Game {
    explicit Game(std::vector<platform::PointingDevice> mice) : sim(std::move(mice)) {
        media.style("NEWAVTCH.STY");
        media.chordMap("only.cdm");
        w.music().environment().mediaFolder = media.path();
        w.music().environment().audio.output = music::AudioOutput::Offline;
        w.Form_Load();
    }
    MediaFolder media;
    platform::SimulatedRawInput sim;
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    app::frmLumbrast w{sim, boxes, sounds};
};

// Without two mice nothing starts by itself; missing music is told when the menu asks for it,
// and the game goes on. The menu drives the music, which ends with the game.
TEST(GameMusic, OneMouseMeansNoMusicUntilTheMenuAsks) {
    Game g({platform::SimulatedRawInput::twoMice().front()});
    g.w.music().environment().mediaFolder = g.media.path() + "missing/";
    g.w.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(g.w.music().isLoadPending());
    g.w.mnuStopMusic->trigger();
    ASSERT_EQ(g.boxes.boxes.size(), 2u); // the refusal, then the missing music
    EXPECT_TRUE(g.boxes.boxes[1].text.startsWith(
        "There is no single style file in default (MediaSL9) folder\nLooked in " + g.media.path()));
    EXPECT_TRUE(g.w.isVisible());

    g.w.music().environment().mediaFolder = g.media.path();
    g.w.mnuStopMusic->trigger(); // loads the window, which starts and stops the music
    frmStylesDX9 *m = g.w.music().window();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->lblPlayProgress->text(), "User stop");
    g.w.mnuPlayMusic->trigger();
    EXPECT_TRUE(m->Perf->IsPlaying(m->MainSegment));
    std::weak_ptr<music::Performance> perf = m->Perf;
    g.w.close();
    EXPECT_EQ(g.w.music().window(), nullptr);
    EXPECT_TRUE(perf.expired());
}

} // namespace
} // namespace lumbrast::musicwindow::test
