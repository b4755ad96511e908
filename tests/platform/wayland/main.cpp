// One headless sway for the whole binary: the toolkit connects to a display once
// per process, so the compositor has to exist before the application object.
#include <QApplication>

#include <gtest/gtest.h>

#include "sway.h"

using namespace lumbrast::testing;

Pointer *lumbrast::testing::pointer = nullptr;

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    SwayServer server; // throws, saying why, when sway does not start
    QApplication app(argc, argv);
    Pointer device(server);
    pointer = &device;
    return RUN_ALL_TESTS();
}
