// Under a real X server (Xvfb started by the test on a display number it picks itself)
// the engine opens its main window titled "Vomur" with a 640 x 480 client area, checked
// from the test process through tests/support/x_windows.h. Skipped only when Xvfb is not
// installed.
#include <gtest/gtest.h>
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

TEST(RealWindow, OpensVomurWindowWithA640By480ClientArea) {
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
            return ApiTerminateLibrary() == 0 && result == 0 ? 0 : 6;
        },
        {server.display()});
    const std::string state = ReadLine(up[0], 30000);
    // The window is found by its exact title, once the server shows it.
    XConnection x(server.display());
    Window window = 0;
    WindowGeometry geometry;
    if (state == "u" && x.get() != nullptr) {
        window = WaitForWindowTitled(x.get(), "Vomur", 30000);
        if (window != 0 && !ReadWindowGeometry(x.get(), window, &geometry)) window = 0;
    }
    ASSERT_EQ(write(go[1], "g", 1), 1);
    const int status = engine.Wait();
    ASSERT_EQ(state, "u");
    ASSERT_NE(window, 0u) << "no window titled Vomur";
    EXPECT_EQ(geometry.width, 640);
    EXPECT_EQ(geometry.height, 480);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
