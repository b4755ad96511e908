// Confines the pointer and then waits to be killed: shows that the server
// drops the barriers of a client that dies without releasing them.
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>

#include "platform/x11/x11rawinput.h"

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    QGuiApplication app(argc, argv);
    lumbrast::platform::x11::X11RawInput input;
    input.confineCursor(QRect(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])));
    std::puts("confined");
    std::fflush(stdout);
    return app.exec();
}
