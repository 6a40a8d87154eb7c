// Children of the test process, under a private X server or not.
#include "tests/support/child_under_x.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/x_windows.h"

ChildProcess::ChildProcess(const std::function<int()>& body, const ChildOptions& options) {
    pid_ = fork();
    if (pid_ != 0) return;
    alarm(options.seconds);
    if (!options.display.empty()) {
        setenv("DISPLAY", options.display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
    }
    const int result = body();
    if (options.exit_checks) std::exit(result);
    std::_Exit(result);
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0 || reaped_) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
}

int ChildProcess::Wait() {
    if (pid_ <= 0) return -1;
    if (!reaped_) {
        int status = -1;
        if (waitpid(pid_, &status, 0) != pid_) return -1;
        status_ = status;
        reaped_ = true;
    }
    return status_;
}

bool ChildProcess::WaitFor(int timeout_ms, int* status) {
    *status = -1;
    if (pid_ <= 0) return false;
    if (reaped_) {
        *status = status_;
        return true;
    }
    int got = -1;
    if (WaitUntil([&] { return waitpid(pid_, &got, WNOHANG) == pid_; }, timeout_ms)) {
        status_ = *status = got;
        reaped_ = true;
        return true;
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    reaped_ = true;
    *status = status_;
    return false;
}

int RunInChild(const std::function<int()>& body, const ChildOptions& options) {
    ChildProcess child(body, options);
    return child.Wait();
}
