// The program in a real window under a private X server: the full-screen question is a
// real dialog (SDL's own, or zenity's when SDL hands the question to it), answered No
// with Escape, which gives a 640 x 480 window; the title shows, a Z pressed into the
// window starts the game, and Escape ends it. Windows are found, read and typed into from
// the test through tests/support/x_windows.h. Screenshots of the title and of play are
// written to the test output folder (test_output/game beside dat/) for review. Skipped
// only when Xvfb is not installed.
#include <gtest/gtest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/game/screenshot_png.h"
#include "tests/support/child_under_x.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

int Differences(const WindowPixels& a, const WindowPixels& b) {
    if (a.pixels.size() != b.pixels.size()) return static_cast<int>(a.pixels.size());
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
    return count;
}

int NonBlack(const WindowPixels& shot) {
    int count = 0;
    for (std::uint32_t p : shot.pixels) count += p != 0;
    return count;
}

}  // namespace

TEST(RealWindowGame, QuestionTitleAndZStartsTheGame) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ScopedTempDir dir;
    std::filesystem::create_directory_symlink(TRELLIGAN_DAT_DIR, dir.path() / "dat");
    std::filesystem::create_directories(dir.path() / "locks");
    const std::filesystem::path shots = TRELLIGAN_SHOT_DIR;
    std::filesystem::create_directories(shots);
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

    ChildProcess game(
        [&] {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("VOMUR_LOCK_DIR", (dir.path() / "locks").c_str(), 1);
            unsetenv("VOMUR_MESSAGE_BOX_ANSWER");
            // The system's X libraries keep a few blocks to the end of a process that used a
            // real display; the leak check at exit would count them (the engine's own blocks are
            // tracked by its allocator and tested elsewhere).
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            execl(TRELLIGAN_PROGRAM, TRELLIGAN_PROGRAM, static_cast<char*>(nullptr));
            return 127;
        },
        {server.display(), 120});

    XConnection x(server.display());
    ASSERT_NE(x.get(), nullptr);
    // The question is a real dialog, titled with its caption; Escape answers No (window
    // mode). Either dialog takes the key once it has the focus.
    const std::string caption_part = reinterpret_cast<const char*>(u8"フルスクリーン");
    const auto is_question = [&](const std::string& title) { return title.find(caption_part) != std::string::npos; };
    ASSERT_NE(WaitForWindow(x.get(), is_question, 60000), 0u) << "no start-up question";
    // The dialog may take a moment to listen to its keys: Escape, then a second for the
    // dialog to go, until it has gone.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::vector<Window> questions = FindWindows(x.get(), is_question);
            if (questions.empty()) return true;
            if (TypeKeyInto(x.get(), questions.front(), XK_Escape, 5000)) {
                WaitUntil([&] { return FindWindows(x.get(), is_question).empty(); }, 1000);
            }
            return false;
        },
        30000));

    const auto is_game = [](const std::string& title) { return title == "TRELLIGAN"; };
    ASSERT_NE(WaitForWindow(x.get(), is_game, 60000), 0u) << "no game window";
    // The window the game started with makes way for one that GL can draw into (the same
    // title, place and size) when the 3-D device opens: the game window is the one that
    // shows the title.
    Window window = 0;
    WindowPixels title;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (Window shown : FindWindows(x.get(), is_game)) {
                if (NonBlack(title = GrabWindow(x.get(), shown)) > 640 * 480 / 2) {
                    window = shown;
                    return true;
                }
            }
            return false;
        },
        60000))
        << "the title was not drawn";
    EXPECT_EQ(title.width, 640);
    EXPECT_EQ(title.height, 480);
    // Let a few more frames pass, then keep the title as it stands.
    WindowPixels settled;
    WaitUntil([&] { return Differences(settled = GrabWindow(x.get(), window), title) == 0 || settled.width == 0; },
              2000);
    EXPECT_TRUE(WriteScreenshotPng(shots / "title.png", title.width, title.height, title.pixels));

    ASSERT_TRUE(FocusWindow(x.get(), window, 10000)) << "the game window did not take the focus";
    ASSERT_TRUE(SendKey(x.get(), XK_z, true));
    WindowPixels play;
    // Play draws the field in place of the title picture: most of the left part changes.
    EXPECT_TRUE(
        WaitUntil([&] { return Differences(play = GrabWindow(x.get(), window), title) > 416 * 480 / 3; }, 60000))
        << "Z did not start the game";
    SendKey(x.get(), XK_z, false);
    // A little later in play (the robots placed, the shot under way), as it stands.
    const WindowPixels first_play = play;
    WaitUntil([&] { return Differences(play = GrabWindow(x.get(), window), first_play) > 0; }, 10000);
    EXPECT_TRUE(WriteScreenshotPng(shots / "play.png", play.width, play.height, play.pixels));

    // Escape, held until the game has read it (keys are read once a frame), ends the program.
    EXPECT_TRUE(FocusWindow(x.get(), window, 10000) && SendKey(x.get(), XK_Escape, true));
    int status = 0;
    const bool ended = game.WaitFor(30000, &status);
    EXPECT_TRUE(ended) << "Escape did not end the game";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Leaving by Escape writes no save file.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "save_data.dat"));
}
