// Cursor return and confinement through pointer constraints, seen by a second
// client pointer on the toolkit's connection while a virtual pointer pushes.
#include <cstdlib>
#include <optional>
#include <vector>

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include "platform/wayland/waylandcursorcontrol.h"
#include "platform/x11/session.h"
#include "sway.h"

namespace {

using namespace lumbrast::testing;
using lumbrast::platform::wayland::WaylandCursorControl;

SwayServer *pointer = nullptr; // the one main() made
constexpr int kFar = 2000;     // beyond any edge of the output
// Past the rectangle below, yet on the window at any size the compositor may be
// giving it just then.
constexpr int kStep = 100;

// Where a point of the window, in its logical coordinates, lies on its surface.
QPoint surfacePoint(const QWidget &window, QPoint local) {
    const QMargins frame = window.windowHandle()->frameMargins();
    return local * window.devicePixelRatio() + QPoint(frame.left(), frame.top());
}

// The window opens at the output's top left corner; the pointer starts on the
// output's centre, which is on the window.
TEST(CursorTest, ConfinedAndReturnedAsTheCompositorAllowsAndFreeWithoutTheProtocol) {
    QWidget window;
    window.show();
    ASSERT_TRUE(pointer->cameOver(window));
    // A rectangle around the pointer, in the window's logical coordinates.
    const QRect box(pointer->at / window.devicePixelRatio() - QPoint(20, 15), QSize(40, 30));
    const QRect global = box.translated(window.mapToGlobal(QPoint(0, 0)));
    std::vector<QString> notices;
    auto notice = [&](const QString &text) { notices.push_back(text); };

    std::optional<WaylandCursorControl> control(notice);
    control->attach(&window);
    EXPECT_TRUE(control->constrains() && notices.empty());

    control->confineCursor(global);
    const QPoint low = surfacePoint(window, box.topLeft());
    const QPoint high = surfacePoint(window, box.bottomRight() + QPoint(1, 1)) - QPoint(1, 1);
    EXPECT_EQ(pointer->moveBy(kFar, kFar), high);
    EXPECT_EQ(pointer->moveBy(-kFar, -kFar), low);

    const QPoint home = box.topLeft() + QPoint(20, 10);
    control->warpCursor(window.mapToGlobal(home));
    EXPECT_EQ(pointer->moveBy(1, 1), surfacePoint(window, home) + QPoint(1, 1));
    EXPECT_EQ(pointer->moveBy(kFar, 0).x(), high.x()) << "confined again after the return";

    control->releaseCursor();
    EXPECT_EQ(pointer->moveBy(-kStep, 0).x(), high.x() - kStep) << "released, it goes on";
    pointer->moveBy(kStep, 0);
    control->confineCursor(global);
    control.reset(); // lets the pointer go too

    // Where the compositor offers no constraints: said once, and the pointer stays free.
    WaylandCursorControl bare(notice, {.hideConstraints = true});
    bare.attach(&window);
    bare.attach(&window); // discovery again
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices.front().contains(QStringLiteral("game plays on")) && !bare.constrains());
    bare.confineCursor(global);
    const QPoint from = pointer->at;
    EXPECT_EQ(pointer->moveBy(kStep, 0).x(), from.x() + kStep);
}

// What only a Wayland display shows; the X11 side is tested under Xvfb.
TEST(SessionTest, AWaylandDisplayMakesAWaylandSessionUnlessTheCommandLineSaysOtherwise) {
    using namespace lumbrast::platform::x11;
    using enum SessionKind;
    constexpr auto automatic = SessionRequest::Automatic;
    const char *socket = std::getenv("WAYLAND_DISPLAY");
    EXPECT_EQ(detectSession(automatic, ":0", socket, nullptr), Wayland) << "Xwayland beside it";
    EXPECT_EQ(detectSession(automatic, nullptr, socket, "wayland-egl"), Wayland);
    EXPECT_EQ(detectSession(automatic, nullptr, "/nonexistent/wl-9", nullptr), NoWaylandDisplay);
    EXPECT_TRUE(sessionMessage(NoWaylandDisplay).contains(QStringLiteral("WAYLAND_DISPLAY")));
}

} // namespace

// One headless sway for the whole binary: the toolkit connects to a display once
// per process, so the compositor has to exist before the application object.
int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    SwayServer server; // throws, saying why, when sway does not start
    QApplication app(argc, argv);
    server.watchPointer();
    pointer = &server;
    const int failed = RUN_ALL_TESTS();
    server.unwatchPointer();
    return failed;
}
