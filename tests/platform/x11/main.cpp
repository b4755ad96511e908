// One Xvfb for the whole binary: the toolkit connects to a display once per
// process, so the server has to exist before the application object.
#include <cstdio>
#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

#include "xvfb.h"

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<lumbrast::testing::XvfbServer> server;
    try {
        server = std::make_unique<lumbrast::testing::XvfbServer>();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    ::setenv("DISPLAY", server->display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
