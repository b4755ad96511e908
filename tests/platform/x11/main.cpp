// One Xvfb for the whole binary: the toolkit connects to a display once per
// process, so the server has to exist before the application object.
#include <cstdio>
#include <optional>
#include <string_view>

#include <unistd.h>

#include <QApplication>

#include <gtest/gtest.h>

#include "platform/x11/x11rawinput.h"
#include "xvfb.h"

using namespace lumbrast::testing;

int main(int argc, char **argv) {
    const std::string_view role = argc == 2 ? argv[1] : "";
    if (role == "--confine") { // a client that confines the pointer, then waits to be killed
        QGuiApplication app(argc, argv);
        lumbrast::platform::x11::X11RawInput input;
        input.confineCursor(QRect(250, 250, 100, 100));
        std::puts("confined");
        std::fflush(stdout);
        return app.exec();
    }
    if (role == "--own-server") { // a test with its own server, waiting to be killed
        XvfbServer server;
        std::printf("%d\n", static_cast<int>(server.pid()));
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    ::testing::InitGoogleTest(&argc, argv);
    XvfbServer server; // throws, saying why, when Xvfb does not start
    std::optional<WindowManager> manager;
    if (WindowManager::wanted())
        manager.emplace(server.display());
    useDisplayOf(server);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
