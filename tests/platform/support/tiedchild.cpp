#include "tiedchild.h"

#include <csignal>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace lumbrast::testing {

TiedChild::TiedChild(std::initializer_list<const char *> args,
                     const std::function<void()> &inChild) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error(std::string("cannot start ") + *args.begin());
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        if (inChild)
            inChild();
        // Checked after the request: a parent that died before it has already orphaned us.
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent)
            ::_exit(126);
        ::dup2(fds[1], kReadyFd);
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        std::vector<char *> argv;
        for (const char *a : args)
            argv.push_back(const_cast<char *>(a));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    ready_ = fds[0];
}

TiedChild::~TiedChild() {
    ::close(ready_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM); // lets Xvfb remove its lock file
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string TiedChild::readyLine(const std::string &failure) {
    std::string line;
    char c = 0;
    while (::read(ready_, &c, 1) == 1 && c != '\n')
        line += c;
    if (c != '\n')
        throw std::runtime_error(failure);
    return line;
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake; // bounds each wait for events
    wake.start(20);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace lumbrast::testing
