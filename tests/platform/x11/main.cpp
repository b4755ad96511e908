// One Xvfb for the whole binary: the toolkit connects to a display once per
// process, so the server has to exist before the application object.
#include <optional>

#include <QApplication>

#include <gtest/gtest.h>

#include "xvfb.h"

using namespace lumbrast::testing;

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    XvfbServer server;                // throws, saying why, when Xvfb does not start
    std::optional<TiedChild> manager; // openbox: reparenting, click to focus
    if (windowManagerWanted()) {
        // It runs the start-up command once it manages the screen; the command
        // reaches the ready pipe through openbox's own descriptor, as it gets none.
        manager.emplace(std::initializer_list<const char *>{"openbox", "--sm-disable", "--startup",
                                                            "sh -c \"echo >/proc/$PPID/fd/9\""});
        manager->readyLine("openbox did not start (is the openbox package installed?)");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
