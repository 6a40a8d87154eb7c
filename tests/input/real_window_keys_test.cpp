// Under a real X server (Xvfb started by the test on a display number it picks itself)
// a key pressed into the engine's window from outside the engine's process (by the test,
// through the X test extension) reaches ApiReadAllKeyStates, and its release does too.
// Skipped when Xvfb is not installed.
#include <gtest/gtest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/include/vomur.h"
#include "platform/testing/window_testing.h"
#include "tests/support/child_under_x.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

constexpr int kKeyZ = 0x2C;

}  // namespace

TEST(RealWindowKeys, KeyPressedIntoTheWindowReachesTheKeyStates) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "locks");
    InstanceLockFolder locks((dir.path() / "locks").string());
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

    int up[2];
    int go[2];
    ASSERT_EQ(pipe(up), 0);
    ASSERT_EQ(pipe(go), 0);
    ChildProcess engine(
        [&] {
            ApiChangeWindowMode(1);
            if (ApiInitializeLibrary() != 0) {
                if (write(up[1], "x\n", 2) != 2) std::_Exit(5);
                std::_Exit(6);
            }
            if (write(up[1], "u\n", 2) != 2) std::_Exit(5);
            // Report each change of Z's state until the parent says it has seen enough.
            char keys[256] = {};
            int last = 0;
            for (;;) {
                pollfd ready{go[0], POLLIN, 0};
                if (poll(&ready, 1, 5) == 1) break;
                if (ApiProcessWindowMessages() != 0) break;
                if (ApiReadAllKeyStates(keys) != 0) std::_Exit(7);
                if (keys[kKeyZ] != last) {
                    last = keys[kKeyZ];
                    if (write(up[1], last ? "d\n" : "r\n", 2) != 2) std::_Exit(5);
                }
            }
            return ApiTerminateLibrary() == 0 ? 0 : 8;
        },
        {server.display()});
    const std::string state = ReadLine(up[0], 30000);
    XConnection x(server.display());
    std::string pressed;
    std::string released;
    if (state == "u" && x.get() != nullptr) {
        // Give the window the keyboard focus (whether or not a window manager runs), then
        // press and release Z through the X server.
        const Window window = WaitForWindowTitled(x.get(), "Vomur", 30000);
        if (window != 0 && FocusWindow(x.get(), window, 10000) && SendKey(x.get(), XK_z, true)) {
            pressed = ReadLine(up[0], 20000);
            SendKey(x.get(), XK_z, false);
            released = ReadLine(up[0], 20000);
        }
    }
    ASSERT_EQ(write(go[1], "g", 1), 1);
    const int status = engine.Wait();
    ASSERT_EQ(state, "u");
    EXPECT_EQ(pressed, "d");
    EXPECT_EQ(released, "r");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
