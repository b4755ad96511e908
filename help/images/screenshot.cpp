// Takes the help pictures from the real game window, drawn offscreen with two
// scripted mice: window.png (the whole window in the middle of a game) and
// table.png (its table and game buttons). Built only with
// -DLUMBRAST_HELP_SCREENSHOTS=ON; run it from help/images:
//   QT_QPA_PLATFORM=offscreen <build>/help/lumbrast_help_screenshot
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPixmap>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "platform/desktop/fakes.h"
#include "platform/sim/simulatedrawinput.h"

using namespace lumbrast;

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    platform::SimulatedRawInput sim(platform::SimulatedRawInput::twoMice());
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    app::frmLumbrast w(sim, boxes, sounds);
    w.Form_Load();
    w.show();

    const platform::DeviceHandle ann = 17, ben = 23;
    sim.click(ann, w.cmdVerify_M_P_01);
    sim.click(ben, w.cmdVerify_M_P_02);
    w.txtPlayerName_01->setText(QStringLiteral("Ann"));
    w.txtPlayerName_02->setText(QStringLiteral("Ben"));

    // Ann opens and misses: her second piece stays face up and Ben is to move.
    sim.click(ann, w.cmdGamePlay);
    auto faceOf = [&](int i) { return w.game().cmdGamePiece[std::size_t(i)].Tag.at(1); };
    int first = 0, second = 1;
    while (second < 4 && faceOf(second) == faceOf(first))
        ++second;
    sim.click(ann, w.cmdGamePiece[std::size_t(first)]);
    sim.click(ann, w.cmdGamePiece[std::size_t(second)]);
    app.processEvents();

    const QPixmap window = w.grab();
    window.save(QStringLiteral("window.png"));
    const QRect table = w.fraGameTable->geometry().united(w.cmdGamePause->geometry());
    const QPoint offset = w.fraGameTable->parentWidget()->mapTo(&w, QPoint(0, 0));
    window.copy(table.translated(offset).adjusted(-3, -8, 8, 8)).save(QStringLiteral("table.png"));
    return 0;
}
