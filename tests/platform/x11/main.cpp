// One Xvfb for the whole binary: the toolkit connects to a display once per
// process, so the server has to exist before the application object.
#include <cstdio>
#include <optional>
#include <string_view>

#include <unistd.h>

#include <QApplication>

#include <gtest/gtest.h>

#include "xvfb.h"

using namespace lumbrast::testing;

int main(int argc, char **argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--own-server") { // waits to be killed
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
