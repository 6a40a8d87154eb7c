// Under a real X server (Xvfb started by the test) a movie loaded as a graph and drawn
// through the public draw path shows its frames in the engine's window: the first frame,
// then frame 7 after a seek; movies of other formats, drawn once while nothing plays
// them, show their first frame in the first picture presented. The window is found and
// read back from the test process through tests/support/x_windows.h; the screenshots
// (PPM) are left where the test was started and their paths printed. Skipped only when
// Xvfb is missing.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "platform/testing/window_testing.h"
#include "tests/movie/flat_movie_check.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

constexpr int kDrawX = 10, kDrawY = 20;

void WritePpm(const std::string& path, const WindowPixels& screen) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << screen.width << " " << screen.height << "\n255\n";
    for (std::uint32_t p : screen.pixels) {
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
        out.write(rgb, 3);
    }
}

}  // namespace

TEST(RealWindowMovie, ADrawnMovieGraphShowsItsFramesInTheWindow) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    // Screenshots go where the test was started (the build's test folder under ctest).
    const std::filesystem::path shots = std::filesystem::current_path();
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "locks");
    InstanceLockFolder locks((dir.path() / "locks").string());
    const std::vector<std::uint8_t> bytes = MakeTheoraFile(CroppedTheoraFixture(12));
    const ReferenceFrames reference = DecodeTheoraReference(bytes);
    WriteFileBytes("movie.ogv", bytes);
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

    int up[2], go[2];
    ASSERT_EQ(pipe(up), 0);
    ASSERT_EQ(pipe(go), 0);
    ChildProcess engine(
        [&] {
            ApiChangeWindowMode(1);
            int graph = -1;
            auto show = [&graph] {
                ApiClearDrawTarget();
                ApiDrawGraphAtPoint(kDrawX, kDrawY, graph, 0);
                ApiFlipScreen();
            };
            if (ApiInitializeLibrary() == 0) graph = ApiLoadImageAsGraph("movie.ogv", 1);
            if (graph > 0) {
                ApiChooseDrawTarget(-2);
                show();
            }
            if (write(up[1], graph > 0 ? "u\n" : "x\n", 2) != 2) std::_Exit(5);
            for (;;) {
                pollfd ready{go[0], POLLIN, 0};
                if (poll(&ready, 1, 10) == 1) {
                    char c = 0;
                    if (read(go[0], &c, 1) != 1 || c == 'q') break;
                    SeekMovieFrame(GetGraphRecord(graph)->movie, 7);
                    show();
                    if (write(up[1], "u\n", 2) != 2) std::_Exit(5);
                }
                ApiProcessWindowMessages();
            }
            return ApiTerminateLibrary() == 0 ? 0 : 6;
        },
        {server.display()});
    // Reads the window back from the X server and compares the drawn rectangle.
    XConnection x(server.display());
    auto check = [&](int k) {
        ASSERT_NE(x.get(), nullptr);
        const Window window = WaitForWindowTitled(x.get(), "Vomur", 30000);
        ASSERT_NE(window, 0u) << "no window titled Vomur";
        // The X server shows a put picture in its own time: the window is read again,
        // until the frame is there or the time is up.
        WindowPixels screen;
        int wrong = -1;
        WaitUntil(
            [&] {
                screen = GrabWindow(x.get(), window);
                wrong = 0;
                for (int row = 0; row < reference.height; ++row) {
                    for (int col = 0; col < reference.width; ++col) {
                        const std::uint8_t* want =
                            &reference.frames[k][static_cast<std::size_t>((row * reference.width + col) * 4)];
                        const std::uint32_t colour = static_cast<std::uint32_t>(want[2]) << 16 | want[1] << 8 | want[0];
                        const int at_x = kDrawX + col;
                        const int at_y = kDrawY + row;
                        if (at_x >= screen.width || at_y >= screen.height || screen.At(at_x, at_y) != colour) ++wrong;
                    }
                }
                return wrong == 0;
            },
            20000);
        ASSERT_GT(screen.width, 0) << "the window could not be read back";
        const std::string shot = (shots / ("movie_window_frame_" + std::to_string(k) + ".ppm")).string();
        WritePpm(shot, screen);
        std::printf("screenshot of frame %d: %s\n", k, shot.c_str());
        EXPECT_EQ(wrong, 0) << "frame " << k;
    };
    std::string state = ReadLine(up[0], 30000);
    ASSERT_EQ(state, "u");
    check(0);
    ASSERT_EQ(write(go[1], "s", 1), 1);
    state = ReadLine(up[0], 30000);
    EXPECT_EQ(state, "u");
    check(7);
    ASSERT_EQ(write(go[1], "q", 1), 1);
    const int status = engine.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(RealWindowMovie, MoviesOfOtherFormatsShowTheirFirstFrameInTheFirstPresentedPicture) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    const std::filesystem::path shots = std::filesystem::current_path();
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "locks");
    InstanceLockFolder locks((dir.path() / "locks").string());
    for (const FlatMovieFormat& format : kFlatMovieFormats) {
        if (!WriteFlatMovie(format, 8)) GTEST_SKIP() << "no " << format.codec << " encoder in this build";
    }
    // Where each movie is drawn: side by side, inside the 640 x 480 client area.
    constexpr int kPlaceX[] = {10, 100}, kPlaceY = 20;
    static_assert(std::size(kPlaceX) == std::size(kFlatMovieFormats));
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

    int up[2], go[2];
    ASSERT_EQ(pipe(up), 0);
    ASSERT_EQ(pipe(go), 0);
    ChildProcess engine(
        [&] {
            ApiChangeWindowMode(1);
            bool loaded = ApiInitializeLibrary() == 0;
            int graphs[std::size(kFlatMovieFormats)] = {};
            for (std::size_t i = 0; loaded && i < std::size(kFlatMovieFormats); ++i) {
                graphs[i] = ApiLoadImageAsGraph(kFlatMovieFormats[i].file, 1);
                loaded = graphs[i] > 0;
            }
            // One picture, drawn once and presented; the movies are never played.
            if (loaded) {
                ApiChooseDrawTarget(-2);
                ApiClearDrawTarget();
                for (std::size_t i = 0; i < std::size(kFlatMovieFormats); ++i) {
                    ApiDrawGraphAtPoint(kPlaceX[i], kPlaceY, graphs[i], 0);
                }
                ApiFlipScreen();
            }
            if (write(up[1], loaded ? "u\n" : "x\n", 2) != 2) std::_Exit(5);
            for (;;) {
                pollfd ready{go[0], POLLIN, 0};
                if (poll(&ready, 1, 10) == 1) break;
                ApiProcessWindowMessages();
            }
            return ApiTerminateLibrary() == 0 ? 0 : 6;
        },
        {server.display()});
    ASSERT_EQ(ReadLine(up[0], 30000), "u");
    XConnection x(server.display());
    ASSERT_NE(x.get(), nullptr);
    const Window window = WaitForWindowTitled(x.get(), "Vomur", 30000);
    ASSERT_NE(window, 0u) << "no window titled Vomur";
    // The X server shows a put picture in its own time: the window is read again, until
    // both frames are there or the time is up.
    WindowPixels screen;
    auto shown = [&screen](int left, int top) {
        return [&screen, left, top](int col, int row) -> std::uint32_t {
            const int at_x = left + col, at_y = top + row;
            return at_x < screen.width && at_y < screen.height ? screen.At(at_x, at_y) : 0xFFFFFFu;
        };
    };
    WaitUntil(
        [&] {
            screen = GrabWindow(x.get(), window);
            int wrong = 0;
            for (std::size_t i = 0; i < std::size(kFlatMovieFormats); ++i) {
                wrong += CountFlatMovieFrameMisses(kFlatMovieFormats[i], 0, shown(kPlaceX[i], kPlaceY));
            }
            return wrong == 0;
        },
        20000);
    ASSERT_GT(screen.width, 0) << "the window could not be read back";
    const std::string shot = (shots / "movie_window_other_formats.ppm").string();
    WritePpm(shot, screen);
    std::printf("screenshot of the first frames: %s\n", shot.c_str());
    for (std::size_t i = 0; i < std::size(kFlatMovieFormats); ++i) {
        ExpectFlatMovieFrame(kFlatMovieFormats[i], 0, shown(kPlaceX[i], kPlaceY));
    }
    ASSERT_EQ(write(go[1], "q", 1), 1);
    const int status = engine.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
