// Under a real X server (Xvfb started by the test on a display number it picks itself)
// the engine opens its main window titled "Vomur" with a 640 x 480 client area, checked
// from outside the process with xwininfo. Skipped only when Xvfb is not installed.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/include/vomur.h"
#include "platform/testing/window_testing.h"
#include "tests/support/temp_dir.h"

namespace {

bool ProgramExists(const char* name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string paths = path;
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

// Reads a line from `fd` within `timeout_ms`; empty on time-out or end.
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

class XServer {
public:
    XServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int null_fd = open("/dev/null", O_WRONLY);
            dup2(null_fd, 2);
            const std::string fd_text = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd_text.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        close(fds[1]);
        display_ = ReadLine(fds[0], 20000);
        close(fds[0]);
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    // ":N", or empty when the server did not come up.
    std::string display() const { return display_.empty() ? "" : ":" + display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
    return out;
}

}  // namespace

TEST(RealWindow, OpensVomurWindowWithA640By480ClientArea) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(ProgramExists("xwininfo"));
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "locks");
    InstanceLockFolder locks((dir.path() / "locks").string());
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

    int up[2];
    int go[2];
    ASSERT_EQ(pipe(up), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t engine = fork();
    if (engine == 0) {
        alarm(60);
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        ApiSetLogFileOutput(1);
        ApiChangeWindowMode(1);
        const int result = ApiInitializeLibrary();
        if (write(up[1], result == 0 ? "u\n" : "x\n", 2) != 2) std::_Exit(5);
        // Keep the window alive and its messages flowing until the parent has looked.
        for (;;) {
            pollfd ready{go[0], POLLIN, 0};
            if (poll(&ready, 1, 10) == 1) break;
            ApiProcessWindowMessages();
        }
        std::_Exit(ApiTerminateLibrary() == 0 && result == 0 ? 0 : 6);
    }
    const std::string state = ReadLine(up[0], 30000);
    std::string info;
    if (state == "u") info = RunCommand("xwininfo -display " + server.display() + " -name Vomur 2>&1");
    ASSERT_EQ(write(go[1], "g", 1), 1);
    int status = 0;
    waitpid(engine, &status, 0);
    ASSERT_EQ(state, "u");
    EXPECT_NE(info.find("Width: 640\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 480\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\"Vomur\""), std::string::npos) << info;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
