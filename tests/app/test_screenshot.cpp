// The window on a private X server: the idle table in the colours the players see.

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>
#include <tuple>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "platform/desktop/fakes.h"
#include "platform/sim/simulatedrawinput.h"
#include "xvfb.h"

TEST(WindowOnScreen, IdleTableInItsColours) {
    lumbrast::platform::SimulatedRawInput sim(lumbrast::platform::SimulatedRawInput::twoMice());
    lumbrast::platform::RecordingMessageBoxes boxes;
    lumbrast::platform::RecordingSounds sounds;
    lumbrast::app::frmLumbrast w(sim, boxes, sounds);
    w.Form_Load();
    w.show();
    QElapsedTimer guard;
    guard.start();
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && guard.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(w.windowHandle()->isExposed()) << "the window never appeared on the X server";
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    w.repaint();

    const QImage shot = w.screen()->grabWindow(w.winId()).toImage();
    const double dpr = shot.devicePixelRatio();
    auto at = [&](QWidget *widget, QPoint local) {
        const QPoint p = widget->mapTo(&w, local);
        return shot.pixelColor(qRound(p.x() * dpr), qRound(p.y() * dpr)).rgb();
    };
    const std::tuple<QWidget *, QPoint, QRgb> samples[] = {
        {w.cmdGamePiece[0], {6, 6}, 0xE4E8AA},    {w.cmdGamePiece[1], {6, 6}, 0xFFE0C0},
        {w.cmdGamePiece[2], {6, 6}, 0xC8E5F8},    {w.fraGameTable, {76, 40}, 0x00C0C0},
        {w.cmdCursorPos, {2, 2}, 0x004040},       {w.lblSetStatP2, {2, 2}, 0xFFFFFF},
        {w.fraGameLumbrast, {307, 220}, 0xC0C0C0}};
    for (const auto &[widget, point, colour] : samples)
        EXPECT_EQ(at(widget, point), 0xFF000000 | colour) << widget->objectName().toStdString();
    // Each idle piece shows its face: dark ink somewhere in its middle.
    for (auto *piece : w.cmdGamePiece) {
        int ink = 0;
        for (int y = 16; y < 48; ++y)
            for (int x = 16; x < 48; ++x)
                ink += qGray(at(piece, {x, y})) < 128;
        EXPECT_GT(ink, 20) << piece->objectName().toStdString();
    }
}

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    // The server ends with this process, however it ends.
    lumbrast::testing::XvfbServer server; // throws, saying why, when Xvfb does not start
    lumbrast::testing::useDisplayOf(server);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
