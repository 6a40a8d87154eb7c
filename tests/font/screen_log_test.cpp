// The on-screen log through ApiScreenLogPrintf, headless and in a real window under a
// private X server: lines wrap at the screen width and at 254 bytes, the 31st line
// scrolls the first out, "?", carriage returns and other control bytes are dropped, a
// tab is four blanks, a lone final lead byte is stored alone, the first text after a
// fresh start is drawn, a change to a smaller screen keeps the current line on its last
// row, nothing is stored or marked as sent before start-up, and the lines are drawn white
// with a black edge over the frame.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/testing/display_testing.h"
#include "platform/testing/window_testing.h"
#include "tests/font/font_fixture.h"
#include "tests/support/child_under_x.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

using font_test::EngineUp;
using font_test::Glyph;

namespace {

class ScreenLog : public EngineUp {};

TEST_F(ScreenLog, WrapsAtTheScreenWidthAndAtTheByteLimit) {
    ScreenLogState* log = GetScreenLogState();
    ASSERT_EQ(log->started, 1);
    // The log's font is edged by one pixel: an advance of 8 draws 10 wide.
    font_testing::SetFixedGlyph('x', Glyph({"#"}, 8));
    font_testing::SetFixedGlyph('.', Glyph({"#"}, 0));
    EXPECT_EQ(ApiScreenLogPrintf("%s", std::string(70, 'x').c_str()), 0);
    EXPECT_EQ(std::string(log->text[0]), std::string(63, 'x'));
    EXPECT_EQ(std::string(log->text[1]), std::string(7, 'x'));
    EXPECT_EQ(log->pixel_width, 70);
    EXPECT_EQ(ApiScreenLogPrintf("\n%s", std::string(300, '.').c_str()), 0);
    EXPECT_EQ(std::string(log->text[2]), std::string(254, '.'));
    EXPECT_EQ(std::string(log->text[3]), std::string(46, '.'));
    EXPECT_EQ(log->line, 3);
    EXPECT_EQ(log->column, 46);
}

TEST_F(ScreenLog, DropsControlBytesAndQuestionMarksAndScrolls) {
    ScreenLogState* log = GetScreenLogState();
    EXPECT_EQ(ApiScreenLogPrintf("a?b\r\x07\x08\x0B\x0C\tc%%"), 0);
    EXPECT_EQ(std::string(log->text[0]), "ab    c%");
    EXPECT_EQ(ApiScreenLogPrintf("\n\x82\xA0z\x82"), 0);
    EXPECT_EQ(std::string(log->text[1]), "\x82\xA0z\x82");
    EXPECT_EQ(log->column, 4);
    EXPECT_EQ(log->text[1][5], '\0');
    ApiScreenLogPrintf("\n");
    // 480 / 16 = 30 rows: the 31st line scrolls the first out.
    for (int i = 0; i <= 30; ++i) ApiScreenLogPrintf(i < 30 ? "L%d\n" : "L%d", i);
    EXPECT_EQ(log->line, 29);
    EXPECT_EQ(std::string(log->text[0]), "L1");
    EXPECT_EQ(std::string(log->text[28]), "L29");
    EXPECT_EQ(std::string(log->text[29]), "L30");
}

// After the log is started afresh by a write, that first write is drawn.
TEST_F(ScreenLog, FirstTextAfterAFreshStartIsShown) {
    ScreenLogState* log = GetScreenLogState();
    DeleteFontHandle(log->font_handle);
    EXPECT_EQ(log->font_dirty, 1);
    log->started = 0;
    EXPECT_EQ(ApiScreenLogPrintf("first"), 0);
    EXPECT_EQ(log->started, 1);
    EXPECT_EQ(IsScreenLogUsed(), 1);
    EXPECT_EQ(std::string(log->text[0]), "first");
    EXPECT_TRUE(IsFontHandleValid(log->font_handle));
}

// Before start-up there is no DirectDraw object: the log cannot start, so nothing is
// stored and the log is not marked as sent.
TEST(ScreenLogBeforeStartUp, NothingIsStoredOrMarkedAsSent) {
    ScreenLogState* log = GetScreenLogState();
    ASSERT_EQ(log->started, 0);
    log->used = 0;
    std::memset(log->text, 0, sizeof log->text);
    // The room's own routine and the public entry alike.
    for (int (*print)(const char*, ...) : {&ScreenLogPrintf, &ApiScreenLogPrintf}) {
        EXPECT_EQ(print("early %d\n", 1), 0);
        EXPECT_EQ(log->started, 0);
        EXPECT_EQ(IsScreenLogUsed(), 0);
        EXPECT_EQ(log->text[0][0], '\0');
        EXPECT_EQ(log->text[1][0], '\0');
    }
}

// 40 lines on 800 x 600 (37 rows) leave the current line at 36; after a change to
// 640 x 480 (30 rows) the lines move up so that the current line is the last row drawn,
// the newest ones kept: a new line then holds the next text, or the current one goes on.
TEST_F(ScreenLog, AfterAChangeToASmallerScreenTheCurrentLineIsTheLastRowDrawn) {
    struct Case {
        const char* after;
        int first_shown;  // row r (below 29) then holds "L<first_shown + r>"
        const char* last_row;
    };
    const Case cases[] = {{"\nNEW", 11, "NEW"}, {"+", 10, "L39+"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        ASSERT_EQ(ChangeScreenMode(800, 600, -1, 0, -1), 0);
        ScreenLogState* log = GetScreenLogState();
        // A fresh log for each case.
        if (!log->font_dirty) DeleteFontHandle(log->font_handle);
        log->started = 0;
        ASSERT_EQ(StartScreenLog(), 0);
        for (int i = 0; i < 40; ++i) ApiScreenLogPrintf(i < 39 ? "L%d\n" : "L%d", i);
        ASSERT_EQ(log->line, 36);
        ASSERT_EQ(std::string(log->text[0]), "L3");
        ASSERT_EQ(ChangeScreenMode(640, 480, -1, 0, -1), 0);
        ApiScreenLogPrintf("%s", c.after);
        EXPECT_EQ(log->line, 29);
        for (int r = 0; r < 29; ++r) EXPECT_EQ(std::string(log->text[r]), "L" + std::to_string(c.first_shown + r)) << r;
        EXPECT_EQ(std::string(log->text[29]), c.last_row);
        for (int r = 30; r < kScreenLogLines; ++r) EXPECT_EQ(log->text[r][0], '\0') << r;
    }
}

// Count of pixels of each kind in the top-left corner of a frame: white, black, grey.
struct Tally {
    int white = 0, black = 0, grey = 0;
};
Tally CountPixels(const std::uint32_t* pixels, int pitch, int right, int bottom) {
    Tally t;
    for (int y = 0; y < bottom; ++y) {
        for (int x = 0; x < right; ++x) {
            const std::uint32_t c = pixels[y * pitch + x] & 0xFFFFFF;
            if (c == 0xFFFFFF) ++t.white;
            else if (c == 0) ++t.black;
            else if (c == 0x606060) ++t.grey;
        }
    }
    return t;
}

TEST_F(ScreenLog, DrawnOverTheFrameAtEachPresent) {
    PresentCapture capture;
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x60, 0x60, 0x60), 1), 0);
    ASSERT_EQ(ApiFlipScreen(), 0);
    auto frames = capture.Take();
    ASSERT_FALSE(frames.empty());
    // Nothing was sent yet: the frame is all grey.
    EXPECT_EQ(CountPixels(frames.back().pixels.data(), frames.back().width, 640, 480).grey, 640 * 480);
    ASSERT_EQ(ApiScreenLogPrintf("LOG %d\nSECOND", 42), 0);
    ASSERT_EQ(ApiDrawRectangle(0, 0, 640, 480, ApiMakeColorValue(0x60, 0x60, 0x60), 1), 0);
    ASSERT_EQ(ApiFlipScreen(), 0);
    frames = capture.Take();
    ASSERT_FALSE(frames.empty());
    const std::uint32_t* shown = frames.back().pixels.data();
    const int pitch = frames.back().width;
    const Tally first = CountPixels(shown, pitch, 100, 16);
    const Tally second = CountPixels(shown + 16 * pitch, pitch, 100, 16);
    EXPECT_GT(first.white, 20);
    EXPECT_GT(first.black, first.white);
    EXPECT_GT(second.white, 20);
    // Below the two lines and right of them the frame is untouched.
    const Tally rest = CountPixels(shown + 40 * pitch, pitch, 640, 440);
    EXPECT_EQ(rest.grey, 640 * 440);
    // The draw settings are put back after the log is drawn.
    RECT area{};
    ReadDrawArea(&area);
    EXPECT_EQ(area.right, 640);
    EXPECT_EQ(GetDrawSettings()->bright[0], 255);
}

// In a real window under Xvfb: the engine runs in a child process whose frames are
// captured as they reach the window.
TEST(ScreenLogRealWindow, DrawnInARealWindow) {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "locks");
    InstanceLockFolder locks((dir.path() / "locks").string());
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    ChildProcess engine(
        [&] {
            PresentCapture capture;
            ApiChangeWindowMode(1);
            if (ApiInitializeLibrary() != 0) std::_Exit(3);
            ApiChooseDrawTarget(kDrawTargetBack);
            ApiScreenLogPrintf("REAL WINDOW");
            ApiFlipScreen();
            ApiProcessWindowMessages();
            auto frames = capture.Take();
            if (frames.empty()) std::_Exit(5);
            const Tally t = CountPixels(frames.back().pixels.data(), frames.back().width, 120, 16);
            if (t.white < 20 || t.black < t.white) std::_Exit(6);
            return ApiTerminateLibrary() == 0 ? 0 : 7;
        },
        {server.display()});
    const int status = engine.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
