// One headless sway for the whole binary: the toolkit connects to a display once
// per process, so the compositor, with a pointer device on its seat, has to exist
// before the application object.
#include <optional>

#include <QApplication>

#include <gtest/gtest.h>

#include "sway.h"

namespace lumbrast::testing {
VirtualPointer *virtualPointer = nullptr;
const SwayServer *compositor = nullptr;
} // namespace lumbrast::testing

using namespace lumbrast::testing;

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    SwayServer server; // throws, saying why, when sway does not start
    VirtualPointer pointer(server.socket());
    compositor = &server;
    virtualPointer = &pointer;
    useCompositor(server);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
