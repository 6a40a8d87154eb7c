// TRELLIGAN under a private X server with Mesa's GL: the engine starts in Direct3D mode
// (its log says so) and a scripted span of the game, played once through Direct3D and
// once through the software path (the software-mode request made before start-up),
// shows frames within 40 dB PSNR of each other. Each run plays in a process of its own;
// a screenshot of each mode is written to the test output folder. Skipped where Xvfb is
// missing or no GL 3.3 context can be made there.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/include/vomur.h"
#include "game/game_state.h"
#include "platform/testing/gl_testing.h"
#include "tests/game/game_harness.h"
#include "tests/game/screenshot_png.h"
#include "tests/support/child_under_x.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

using game_test::GameHarness;

struct Frame {
    int index = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
};

// The frames a mode showed at the compared points of the script, with whether Direct3D
// was up; read from the file the child wrote.
struct ModeRun {
    bool ran = false;
    int three_d = -1;
    std::vector<Frame> frames;
};

constexpr int kTitleFrames = 10;
constexpr int kPlayFrames = 240;
constexpr int kCompareEvery = 20;

// Keys of the scripted span: the title for a few frames, Z to start, then the player
// fires every third frame and walks right and left in turn.
std::set<int> ScriptKeys(int frame) {
    if (frame < kTitleFrames) return {};
    if (frame == kTitleFrames) return {kKeyZ};
    std::set<int> keys;
    if (frame % 3 == 0) keys.insert(kKeyZ);
    keys.insert((frame / 40) % 2 == 0 ? kKeyRight : kKeyLeft);
    return keys;
}


// PSNR over the red, green and blue channels; infinity for equal frames.
double Psnr(const Frame& a, const Frame& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            const double d = static_cast<double>((a.pixels[i] >> shift) & 0xFF) - ((b.pixels[i] >> shift) & 0xFF);
            sum += d * d;
        }
    }
    if (sum == 0.0) return INFINITY;
    const double mse = sum / (static_cast<double>(a.pixels.size()) * 3);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// A child's settings beside the X server's (tests/support/child_under_x.h).
void PrepareChild() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The system's X and GL libraries keep blocks to the end of a process that used a real
    // display; the engine's own blocks are tracked by its allocator and tested elsewhere.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
}

// Child: plays the script in one mode and writes the compared frames to `out`.
[[noreturn]] void PlayMode(bool software, const std::filesystem::path& out) {
    if (software) SetUseTextureGraphs(0);  // the software-mode request, before start-up
    GameHarness run(std::nullopt, true);
    run.KeepShownFrames(true);
    bool ok = run.StartUp() == 0;
    const std::int32_t three_d = IsDirect3DUp();
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&three_d), sizeof three_d);
    for (int frame = 0; ok && frame < kTitleFrames + kPlayFrames; ++frame) {
        ok = run.Frame(ScriptKeys(frame)) == 0;
        std::vector<platform_hooks::PresentedFrame> shown = run.TakeShownFrames();
        if (!ok || shown.empty() || frame % kCompareEvery != kCompareEvery - 1) continue;
        const platform_hooks::PresentedFrame& last = shown.back();
        const std::int32_t header[3] = {frame, last.width, last.height};
        file.write(reinterpret_cast<const char*>(header), sizeof header);
        file.write(reinterpret_cast<const char*>(last.pixels.data()),
                   static_cast<std::streamsize>(last.pixels.size() * sizeof(std::uint32_t)));
    }
    file.close();
    std::_Exit(ok && file ? 0 : 1);
}

ModeRun ReadRun(const std::filesystem::path& path) {
    ModeRun run;
    std::ifstream file(path, std::ios::binary);
    std::int32_t three_d = -1;
    if (!file.read(reinterpret_cast<char*>(&three_d), sizeof three_d)) return run;
    run.three_d = three_d;
    std::int32_t header[3];
    while (file.read(reinterpret_cast<char*>(header), sizeof header)) {
        if (header[1] <= 0 || header[2] <= 0 || header[1] > 4096 || header[2] > 4096) break;
        Frame frame{header[0], header[1], header[2], {}};
        frame.pixels.resize(static_cast<std::size_t>(frame.width) * frame.height);
        if (!file.read(reinterpret_cast<char*>(frame.pixels.data()),
                       static_cast<std::streamsize>(frame.pixels.size() * sizeof(std::uint32_t)))) {
            break;
        }
        run.frames.push_back(std::move(frame));
    }
    run.ran = true;
    return run;
}

// A child's exit code, 128 + the signal that ended it, or -1 when it could not be waited for.
int ExitCode(int status) {
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunChild(const std::string& display, bool software, const std::filesystem::path& out) {
    return ExitCode(RunInChild(
        [&]() -> int {
            PrepareChild();
            PlayMode(software, out);
        },
        {display, 240}));
}

// Child: starts the engine alone with the log file on and writes the log to `out`.
int LogOfStartUp(const std::string& display, const std::filesystem::path& out) {
    return ExitCode(RunInChild(
        [&]() -> int {
            PrepareChild();
            ScopedTempDir dir;
            std::filesystem::current_path(dir.path());
            setenv("VOMUR_LOCK_DIR", dir.path().c_str(), 1);
            StartTestLog();
            ApiChangeWindowMode(1);
            const bool up = ApiInitializeLibrary() == 0;
            if (up) ApiTerminateLibrary();
            std::ofstream(out, std::ios::binary) << ReadTestLog();
            std::_Exit(up ? 0 : 1);
        },
        {display, 240}));
}

}  // namespace

// The engine opens and closes its connection to the display several times while it starts
// (each desktop query made before the window exists is a connection of its own). The
// private server must outlive each time its last client leaves: one that starts over then
// refuses connections for a moment and forgets what it held, so a start-up query could
// find no display at all (no window, or a desktop of height 0 and a window placed off the
// screen). Every connection here opens at once and finds the mark the one before it left.
TEST(RealWindowDirect3D, XServerOutlivesItsLastClient) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    for (long round = 1; round <= 20; ++round) {
        XConnection connection(server.display());
        Display* display = connection.get();
        ASSERT_NE(display, nullptr) << "round " << round;
        const Atom mark = XInternAtom(display, "VOMUR_TEST_MARK", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        ASSERT_EQ(XGetWindowProperty(display, DefaultRootWindow(display), mark, 0, 1, False, XA_INTEGER, &type,
                                     &format, &count, &after, &data),
                  Success);
        const long found = count == 1 ? *reinterpret_cast<long*>(data) : 0;
        if (data != nullptr) XFree(data);
        EXPECT_EQ(found, round - 1) << "round " << round;
        XChangeProperty(display, DefaultRootWindow(display), mark, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&round), 1);
        XSync(display, False);
    }
}

TEST(RealWindowDirect3D, GameFramesMatchTheSoftwarePath) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    // The X server's GL renders on the CPU; the children started from here count it as the
    // hardware device, so that the engine opens Direct3D on it.
    CountSoftwareGlAsHardware software_gl_as_hardware;
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    const std::filesystem::path shots = TRELLIGAN_SHOT_DIR;
    std::filesystem::create_directories(shots);
    ScopedTempDir work;

    ASSERT_EQ(LogOfStartUp(server.display(), work.path() / "start.log"), 0);
    std::ifstream log_file(work.path() / "start.log", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(log_file)), std::istreambuf_iterator<char>());
    if (log.find("ソフトウエアレンダリングモードに変更します") != std::string::npos &&
        log.find("Direct3D 関連の初期化は正常に終了しました") == std::string::npos) {
        GTEST_SKIP() << "Direct3D could not be opened on the X server";
    }
    EXPECT_NE(log.find("Direct3D 関連の初期化は正常に終了しました"), std::string::npos);
    EXPECT_EQ(log.find("ソフトウエアレンダリングモードに変更します"), std::string::npos);

    ASSERT_EQ(RunChild(server.display(), false, work.path() / "direct3d.frames"), 0);
    ASSERT_EQ(RunChild(server.display(), true, work.path() / "software.frames"), 0);
    const ModeRun hardware = ReadRun(work.path() / "direct3d.frames");
    const ModeRun software = ReadRun(work.path() / "software.frames");
    ASSERT_TRUE(hardware.ran && software.ran);
    EXPECT_EQ(hardware.three_d, 1) << "the game did not run through Direct3D";
    EXPECT_EQ(software.three_d, 0) << "the software-mode request did not hold";
    const std::size_t expected = (kTitleFrames + kPlayFrames) / kCompareEvery;
    ASSERT_EQ(hardware.frames.size(), expected);
    ASSERT_EQ(software.frames.size(), expected);
    for (std::size_t i = 0; i < expected; ++i) {
        const Frame& a = hardware.frames[i];
        const Frame& b = software.frames[i];
        ASSERT_EQ(a.index, b.index);
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        EXPECT_GE(Psnr(a, b), 40.0) << "frame " << a.index;
        // Two equal blank frames would match too: each mode showed a picture.
        for (const Frame* shown : {&a, &b}) {
            EXPECT_NE(std::adjacent_find(shown->pixels.begin(), shown->pixels.end(), std::not_equal_to<>()),
                      shown->pixels.end())
                << "frame " << shown->index << " is one colour";
        }
    }
    const Frame& hardware_last = hardware.frames.back();
    const Frame& software_last = software.frames.back();
    EXPECT_TRUE(WriteScreenshotPng(shots / "direct3d_play.png", hardware_last.width, hardware_last.height,
                                   hardware_last.pixels));
    EXPECT_TRUE(WriteScreenshotPng(shots / "software_play.png", software_last.width, software_last.height,
                                   software_last.pixels));
}
