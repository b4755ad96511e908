#pragma once
// A server process of the test's own, and waiting on the event loop.
#include <sys/types.h>

#include <functional>
#include <initializer_list>
#include <string>

namespace lumbrast::testing {

// Gets SIGTERM when the thread that started it ends, even when that thread is
// killed, and on destruction; its output goes nowhere. The child finds the
// write end of a pipe at kReadyFd and says there, in one line, that it is ready.
class TiedChild {
public:
    static constexpr int kReadyFd = 9;
    // `inChild` runs in the child first (changing credentials clears the death signal).
    TiedChild(std::initializer_list<const char *> args, const std::function<void()> &inChild = {});
    ~TiedChild();
    TiedChild(const TiedChild &) = delete;
    TiedChild &operator=(const TiedChild &) = delete;
    // The child's ready line without its newline; throws `failure` when the
    // child closes the pipe first.
    std::string readyLine(const std::string &failure);

private:
    pid_t pid_ = -1;
    int ready_ = -1;
};

// Runs the event loop until the condition holds or the time runs out.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

} // namespace lumbrast::testing
