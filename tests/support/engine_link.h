// The two pipes between a real-window test and the engine it runs in a child process
// (tests/support/child_under_x.h): the child reports lines up to the test, the test sends
// one-letter commands down to the child, 'q' to end it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

class ChildProcess;

class EngineLink {
public:
    EngineLink() = default;
    // Closes the test's ends and the child's (the child leaves without closing them).
    ~EngineLink();
    EngineLink(const EngineLink&) = delete;
    EngineLink& operator=(const EngineLink&) = delete;

    // Makes both pipes, before the child is started: 0, or -1 when one could not be made.
    int Open();

    // In the child: sends `line` and its newline; false when it did not all go.
    bool Report(const std::string& line);
    // In the child: handles the window's messages, looking for a command every 10 ms, until
    // the test sends 'q' or goes; every other command is handed to `command`.
    void ServeUntilQuit(const std::function<void(char command)>& command);

    // In the test: the child's next line, waited for 30 s at the most; empty on time-out.
    std::string NextReport();
    // In the test: sends `command`; what write answered (1 when it went).
    ssize_t Send(char command);

private:
    int up_[2] = {-1, -1};
    int down_[2] = {-1, -1};
};

// Sends 'q' and waits for `engine`, the child at the other end of `link`: it must end by
// itself with exit status 0.
void QuitAndExpectCleanExit(EngineLink& link, ChildProcess& engine);
