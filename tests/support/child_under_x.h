// A body (a function) or a program run in a child process of the test: the real-window
// tests run the engine there under their private X server (tests/support/x_server.h),
// and other tests run there what must not touch the test's own process. The child is
// ended by SIGALRM after its time limit (the alarm survives an exec); a child still
// running when its ChildProcess goes is killed (SIGKILL, that pid only) and reaped.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

struct ChildOptions {
    // When not empty, the X server (":N") the child sees: DISPLAY is set to it and SDL's
    // x11 video driver chosen, before the body runs.
    std::string display;
    // The child's time limit, in seconds.
    unsigned seconds = 60;
    // True: the child leaves through std::exit, so the exit-time checks (the leak check)
    // run on it. False: through std::_Exit, without them (the system's X and GL libraries
    // keep blocks to the end of a process that used them).
    bool exit_checks = false;
};

// Sixty seconds, no X server, the exit-time checks run.
inline const ChildOptions kChildWithExitChecks{"", 60, true};

class ChildProcess {
public:
    // Forks a child that runs `body` and ends with its result as exit status. A body may
    // also exec a program, or leave by itself.
    ChildProcess(const std::function<int()>& body, const ChildOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False when no child could be made.
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Waits for the child's end: its status as waitpid gives it, -1 without a child.
    int Wait();
    // Waits at most `timeout_ms` for the child's end; false on time-out, when the child
    // has been killed and reaped. `*status` is its status either way (-1 without a child).
    bool WaitFor(int timeout_ms, int* status);

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = -1;
};

// Runs `body` in a child process and waits for it: its status as waitpid gives it, or -1
// when no child could be made.
int RunInChild(const std::function<int()>& body, const ChildOptions& options = {});
