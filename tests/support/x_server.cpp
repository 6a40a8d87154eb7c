// The private X server for real-window tests.
#include "tests/support/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

bool ProgramExists(const char* name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    const std::string paths = path;
    std::size_t from = 0;
    while (from <= paths.size()) {
        const std::size_t to = paths.find(':', from);
        const std::string dir = paths.substr(from, to == std::string::npos ? std::string::npos : to - from);
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        if (to == std::string::npos) break;
        from = to + 1;
    }
    return false;
}

std::string ReadLine(int fd, int timeout_ms) {
    std::string line;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, timeout_ms) != 1) return "";
        char c = 0;
        if (read(fd, &c, 1) != 1) return "";
        if (c == '\n') return line;
        line += c;
    }
}

XServer::XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 2);
        const std::string fd_text = std::to_string(fds[1]);
        // -noreset: the server keeps running as it is when its last client leaves. Without
        // it, it starts over each time, refusing connections for a moment and dropping what
        // it held; a program that opens and closes its connection now and then (the engine
        // does while it starts) would find no display at times.
        execlp("Xvfb", "Xvfb", "-displayfd", fd_text.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number once it accepts clients.
    display_ = ReadLine(fds[0], 20000);
    close(fds[0]);
}

XServer::~XServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}
