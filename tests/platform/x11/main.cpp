// One Xvfb for the whole binary: the toolkit connects to a display once per
// process, so the server has to exist before the application object.
#include <optional>

#include <QApplication>

#include <gtest/gtest.h>

#include "xvfb.h"

using namespace lumbrast::testing;

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    XvfbServer server; // throws, saying why, when Xvfb does not start
    std::optional<WindowManager> manager;
    if (WindowManager::wanted())
        manager.emplace();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
