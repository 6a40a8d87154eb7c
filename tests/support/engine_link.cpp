// The pipes between a real-window test and its engine child.
#include "tests/support/engine_link.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/include/vomur.h"
#include "tests/support/child_under_x.h"
#include "tests/support/x_server.h"

EngineLink::~EngineLink() {
    for (int fd : {up_[0], up_[1], down_[0], down_[1]}) {
        if (fd >= 0) close(fd);
    }
}

int EngineLink::Open() {
    if (pipe(up_) != 0) return -1;
    return pipe(down_);
}

bool EngineLink::Report(const std::string& line) {
    const std::string sent = line + "\n";
    return write(up_[1], sent.data(), sent.size()) == static_cast<ssize_t>(sent.size());
}

void EngineLink::ServeUntilQuit(const std::function<void(char command)>& command) {
    for (;;) {
        pollfd ready{down_[0], POLLIN, 0};
        if (poll(&ready, 1, 10) == 1) {
            char c = 0;
            if (read(down_[0], &c, 1) != 1 || c == 'q') break;
            command(c);
        }
        ApiProcessWindowMessages();
    }
}

std::string EngineLink::NextReport() { return ReadLine(up_[0], 30000); }

ssize_t EngineLink::Send(char command) { return write(down_[1], &command, 1); }

void QuitAndExpectCleanExit(EngineLink& link, ChildProcess& engine) {
    ASSERT_EQ(link.Send('q'), 1);
    const int status = engine.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
