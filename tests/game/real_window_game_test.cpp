// The program in a real window under a private X server: the full-screen question is a
// real dialog, answered No from the keyboard, which gives a 640 x 480 window; the title
// shows, a Z pressed into the window with xdotool starts the game, and Escape ends it. Screenshots of the title and of play are written
// to the test output folder (test_output/game beside dat/) for review. Skipped only when
// Xvfb, xdotool or zenity (through which SDL shows a dialog before the engine starts) is
// not installed.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <ctime>
#include <vector>

#include "tests/game/screenshot_png.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

struct Shot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
    int Differences(const Shot& other) const {
        if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size());
        int count = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) count += pixels[i] != other.pixels[i];
        return count;
    }
    int NonBlack() const {
        int count = 0;
        for (std::uint32_t p : pixels) count += p != 0;
        return count;
    }
};

Shot Grab(Display* display, Window window) {
    Shot shot;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) return shot;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) return shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            shot.pixels[static_cast<std::size_t>(y) * shot.width + x] =
                static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
        }
    }
    XDestroyImage(image);
    return shot;
}


// Polls `check` every 50 ms until it holds or `seconds` have passed.
double SecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

template <typename Check>
bool WaitFor(Check check, int seconds) {
    const double deadline = SecondsNow() + seconds;
    while (SecondsNow() < deadline) {
        if (check()) return true;
        usleep(50000);
    }
    return false;
}

}  // namespace

TEST(RealWindowGame, QuestionTitleAndZStartsTheGame) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    if (!ProgramExists("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    if (!ProgramExists("zenity")) GTEST_SKIP() << "zenity is not installed";
    ScopedTempDir dir;
    std::filesystem::create_directory_symlink(TRELLIGAN_DAT_DIR, dir.path() / "dat");
    std::filesystem::create_directories(dir.path() / "locks");
    const std::filesystem::path shots = TRELLIGAN_SHOT_DIR;
    std::filesystem::create_directories(shots);
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    const std::string display = "DISPLAY=" + server.display() + " ";

    const pid_t game = fork();
    if (game == 0) {
        alarm(120);
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("VOMUR_LOCK_DIR", (dir.path() / "locks").c_str(), 1);
        unsetenv("VOMUR_MESSAGE_BOX_ANSWER");
        // The system's X libraries keep a few blocks to the end of a process that used a
        // real display; the leak check at exit would count them (the engine's own blocks are
        // tracked by its allocator and tested elsewhere).
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        execl(TRELLIGAN_PROGRAM, TRELLIGAN_PROGRAM, static_cast<char*>(nullptr));
        std::_Exit(127);
    }

    // The question is a real dialog, titled with its caption; Escape answers No (window mode).
    const char8_t* caption_part = u8"フルスクリーン";
    const std::string caption_name = "--name '" + std::string(reinterpret_cast<const char*>(caption_part)) + "'";
    const std::string find_question = display + "xdotool search " + caption_name + " 2>/dev/null | head -1";
    ASSERT_FALSE(RunCommand(display + "timeout 60 xdotool search --sync " + caption_name + " 2>/dev/null").empty())
        << "no start-up question";
    // The dialog may take a moment to listen to its keys: Escape until it has gone.
    EXPECT_TRUE(WaitFor(
        [&] {
            const std::string question = RunCommand(find_question);
            if (question.empty()) return true;
            RunCommand(display + "xdotool windowfocus --sync " + question + " key Escape 2>/dev/null");
            return false;
        },
        30));

    const std::string window_id =
        RunCommand(display + "timeout 60 xdotool search --sync --name '^TRELLIGAN$' 2>/dev/null | head -1");
    ASSERT_FALSE(window_id.empty()) << "no game window";
    const Window window = std::strtoul(window_id.c_str(), nullptr, 10);
    Display* x = XOpenDisplay(server.display().c_str());
    ASSERT_NE(x, nullptr);

    Shot title;
    ASSERT_TRUE(WaitFor([&] { return (title = Grab(x, window)).NonBlack() > 640 * 480 / 2; }, 60))
        << "the title was not drawn";
    EXPECT_EQ(title.width, 640);
    EXPECT_EQ(title.height, 480);
    // Let a few more frames pass, then keep the title as it stands.
    Shot settled;
    WaitFor([&] { return (settled = Grab(x, window)).Differences(title) == 0 || settled.width == 0; }, 2);
    EXPECT_TRUE(WriteScreenshotPng(shots / "title.png", title.width, title.height, title.pixels));

    RunCommand(display + "xdotool windowfocus --sync " + window_id + " 2>/dev/null");
    RunCommand(display + "xdotool keydown z 2>/dev/null");
    Shot play;
    // Play draws the field in place of the title picture: most of the left part changes.
    EXPECT_TRUE(WaitFor([&] { return (play = Grab(x, window)).Differences(title) > 416 * 480 / 3; }, 60))
        << "Z did not start the game";
    RunCommand(display + "xdotool keyup z 2>/dev/null");
    // A little later in play (the robots placed, the shot under way), as it stands.
    const Shot first_play = play;
    WaitFor([&] { return (play = Grab(x, window)).Differences(first_play) > 0; }, 10);
    EXPECT_TRUE(WriteScreenshotPng(shots / "play.png", play.width, play.height, play.pixels));
    XCloseDisplay(x);

    // Escape, held until the game has read it (keys are read once a frame), ends the program.
    RunCommand(display + "xdotool windowfocus --sync " + window_id + " keydown Escape 2>/dev/null");
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(game, &status, WNOHANG) == game; }, 30);
    if (!ended) {
        kill(game, SIGKILL);
        waitpid(game, &status, 0);
    }
    EXPECT_TRUE(ended) << "Escape did not end the game";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Leaving by Escape writes no save file.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "save_data.dat"));
}
