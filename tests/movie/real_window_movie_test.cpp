// Under a real X server (Xvfb started by the test) a movie loaded as a graph and drawn
// through the public draw path shows its frames in the engine's window: the first frame,
// then frame 7 after a seek. The window is read back from outside the process with xwd;
// the screenshots (PPM) are left where the test was started and their paths printed. Skipped
// only when Xvfb or the X tools are missing.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "platform/testing/window_testing.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
    return out;
}

int NumberAfter(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

constexpr int kDrawX = 10, kDrawY = 20;

// The screen read back by xwd (an X window dump: a header of big-endian 32-bit fields,
// the name, the colour map, then rows of pixels), as 0xRRGGBB values.
struct Screen {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

std::uint32_t Field(const std::string& d, int index) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(d.data()) + index * 4;
    return static_cast<std::uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
}

Screen ParseWindowDump(const std::string& d) {
    Screen screen;
    const std::uint32_t bits = Field(d, 11);
    if (d.size() < 100 || Field(d, 1) != 7 || (bits != 24 && bits != 32)) return screen;
    const int step = static_cast<int>(bits / 8);
    const std::uint32_t header = Field(d, 0), byte_order = Field(d, 7), line = Field(d, 12);
    const std::uint32_t masks[3] = {Field(d, 14), Field(d, 15), Field(d, 16)};
    const std::uint32_t colours = Field(d, 19);
    screen.width = static_cast<int>(Field(d, 4));
    screen.height = static_cast<int>(Field(d, 5));
    const std::size_t start = header + static_cast<std::size_t>(colours) * 12;
    if (d.size() < start + static_cast<std::size_t>(line) * screen.height) return Screen{};
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            const auto* b = reinterpret_cast<const std::uint8_t*>(d.data()) + start + y * line + x * step;
            std::uint32_t v = 0;
            for (int i = 0; i < step; ++i) {
                v |= static_cast<std::uint32_t>(b[i]) << (byte_order == 0 ? 8 * i : 8 * (step - 1 - i));
            }
            std::uint32_t rgb = 0;
            for (std::uint32_t mask : masks) {
                int shift = 0;
                while (mask != 0 && ((mask >> shift) & 1) == 0) ++shift;
                rgb = rgb << 8 | ((v & mask) >> shift & 0xFF);
            }
            screen.pixels.push_back(rgb);
        }
    }
    return screen;
}

void WritePpm(const std::string& path, const Screen& screen) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << screen.width << " " << screen.height << "\n255\n";
    for (std::uint32_t p : screen.pixels) {
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
        out.write(rgb, 3);
    }
}

}  // namespace

TEST(RealWindowMovie, ADrawnMovieGraphShowsItsFramesInTheWindow) {
    if (!ProgramExists("Xvfb") || !ProgramExists("xwd") || !ProgramExists("xwininfo")) {
        GTEST_SKIP() << "Xvfb, xwd or xwininfo is not installed";
    }
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
    const pid_t engine = fork();
    if (engine == 0) {
        alarm(60);
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
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
        std::_Exit(ApiTerminateLibrary() == 0 ? 0 : 6);
    }
    // Reads the drawn rectangle of the window from the X server and compares it.
    auto check = [&](int k) {
        const std::string info = RunCommand("xwininfo -display " + server.display() + " -name Vomur 2>&1");
        const int x = NumberAfter(info, "Absolute upper-left X:");
        const int y = NumberAfter(info, "Absolute upper-left Y:");
        ASSERT_GE(x, 0) << info;
        // The X server shows a put picture in its own time: the screen is read again, a
        // bounded number of times, until the frame is there.
        Screen screen;
        int wrong = -1;
        for (int attempt = 0; attempt < 40 && wrong != 0; ++attempt) {
            const std::string dump = RunCommand("xwd -root -silent -display " + server.display());
            screen = ParseWindowDump(dump);
            ASSERT_GT(screen.width, 0) << "no window dump (" << dump.size() << " bytes)";
            wrong = 0;
            for (int row = 0; row < reference.height; ++row) {
                for (int col = 0; col < reference.width; ++col) {
                    const std::uint8_t* want = &reference.frames[k][static_cast<std::size_t>((row * reference.width + col) * 4)];
                    const std::uint32_t colour = static_cast<std::uint32_t>(want[2]) << 16 | want[1] << 8 | want[0];
                    const std::size_t at = static_cast<std::size_t>(y + kDrawY + row) * screen.width + x + kDrawX + col;
                    if (at >= screen.pixels.size() || screen.pixels[at] != colour) ++wrong;
                }
            }
        }
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
    int status = 0;
    waitpid(engine, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
