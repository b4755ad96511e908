// One headless sway for the whole binary: the toolkit connects to a display once
// per process, so the compositor, with a pointer device on its seat, has to exist
// before the application object.
#include <QApplication>

#include <gtest/gtest.h>

#include "sway.h"

lumbrast::testing::VirtualPointer *lumbrast::testing::virtualPointer = nullptr;

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    lumbrast::testing::SwayServer server; // throws, saying why, when sway does not start
    lumbrast::testing::VirtualPointer pointer;
    lumbrast::testing::virtualPointer = &pointer;
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
