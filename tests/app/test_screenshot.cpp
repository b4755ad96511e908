// The window on a private X server: the idle table in the colours the players see.
#include <csignal>
#include <cstdio>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "platform/desktop/fakes.h"
#include "platform/sim/simulatedrawinput.h"

namespace {
// Starts Xvfb on a display number it picks itself; returns ":N", or "" on failure.
std::string startXvfb(pid_t &pid) {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    if ((pid = fork()) == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten",
               "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    // A generous guard: the server writes its number once it accepts clients.
    while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}
} // namespace

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
    EXPECT_EQ(at(w.cmdGamePiece[0], {6, 6}), qRgb(0xE4, 0xE8, 0xAA));
    EXPECT_EQ(at(w.cmdGamePiece[1], {6, 6}), qRgb(0xFF, 0xE0, 0xC0));
    EXPECT_EQ(at(w.cmdGamePiece[2], {6, 6}), qRgb(0xC8, 0xE5, 0xF8));
    EXPECT_EQ(at(w.fraGameTable, {76, 40}), qRgb(0x00, 0xC0, 0xC0));
    EXPECT_EQ(at(w.cmdCursorPos, {2, 2}), qRgb(0x00, 0x40, 0x40));
    EXPECT_EQ(at(w.lblSetStatP2, {2, 2}), qRgb(255, 255, 255));
    EXPECT_EQ(at(w.fraGameLumbrast, {307, 220}), qRgb(0xC0, 0xC0, 0xC0));
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
    pid_t xvfb = 0;
    const std::string display = startXvfb(xvfb);
    int result = 1;
    if (display.empty()) {
        std::fprintf(stderr, "could not start Xvfb (install the xvfb package)\n");
    } else {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return result;
}
