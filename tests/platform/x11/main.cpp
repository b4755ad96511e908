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

int main(int argc, char **argv) {
    // A client of the test's server that confines the pointer, then waits to be killed.
    if (argc == 2 && std::string_view(argv[1]) == "--confine") {
        QGuiApplication app(argc, argv);
        lumbrast::platform::x11::X11RawInput input;
        input.confineCursor(QRect(250, 250, 100, 100));
        std::puts("confined");
        std::fflush(stdout);
        return app.exec();
    }
    // A test that starts its own server, says the server's pid, then waits to be killed.
    if (argc == 2 && std::string_view(argv[1]) == "--own-server") {
        lumbrast::testing::XvfbServer server;
        std::printf("%d\n", static_cast<int>(server.pid()));
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    ::testing::InitGoogleTest(&argc, argv);
    lumbrast::testing::XvfbServer server; // throws, saying why, when Xvfb does not start
    std::optional<lumbrast::testing::WindowManager> manager;
    if (lumbrast::testing::WindowManager::wanted())
        manager.emplace(server.display());
    lumbrast::testing::useDisplayOf(server);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
