#pragma once
// A game window on scripted mice 17 and 23, with recorded boxes and sounds.
#include <QApplication>
#include <QWindow>
#include <gtest/gtest.h>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "music/window/musicwindowhost.h"
#include "platform/desktop/fakes.h"
#include "platform/sim/simulatedrawinput.h"

namespace lumbrast::testing {

inline constexpr platform::DeviceHandle kMouse1 = 17;
inline constexpr platform::DeviceHandle kMouse2 = 23;

struct Window {
    platform::SimulatedRawInput sim;
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    app::frmLumbrast w{sim, boxes, sounds};

    explicit Window(
        std::vector<platform::PointingDevice> mice = platform::SimulatedRawInput::twoMice(),
        bool expose = true)
        : sim(std::move(mice)) {
        // The shipped music on a clock nobody advances: silent, no sound device needed.
        w.music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
        w.music().environment().audio.output = music::AudioOutput::Offline;
        w.Form_Load();
        w.show();
        QApplication::setActiveWindow(&w); // raw input counts only for the active window
        if (expose)
            waitExposed();
    }
    // The cursor is trapped at the first paint.
    void waitExposed() {
        for (int i = 0; i < 1000 && !(w.windowHandle() && w.windowHandle()->isExposed()); ++i)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    game::Game &game() { return w.game(); }
    input::InputState &in() { return w.inputState(); }
    void bindBoth() {
        sim.click(kMouse1, w.cmdVerify_M_P_01);
        sim.click(kMouse2, w.cmdVerify_M_P_02);
    }
    // Index of the first piece with this face, other than `except`.
    int pieceWithFace(char face, int except = -1) {
        for (int i = 0; i < 4; ++i)
            if (i != except && game().cmdGamePiece[static_cast<std::size_t>(i)].Tag.at(1) == face)
                return i;
        ADD_FAILURE() << "no piece with face " << face;
        return 0;
    }
    app::PieceButton *piece(int i) { return w.cmdGamePiece[static_cast<std::size_t>(i)]; }
};

} // namespace lumbrast::testing
