// Window geometry: the client area is the screen times the scale factor (truncated), the
// mouse position maps back through it, a stored factor of 0 reads as 1.0, the title is
// cut to its buffer without splitting a character, and switching to the current mode
// only logs.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/window_modes.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/core/system_block.h"
#include "engine/include/vomur.h"
#include "platform/window.h"
#include "tests/core/scoped_value.h"
#include "tests/support/engine_session.h"

using engine_test::EngineSession;

TEST(WindowModes, ClientAreaIsTheScreenTimesTheScaleFactor) {
    struct Case {
        double scale;
        int width;
        int height;
    };
    const Case cases[] = {{1.5, 960, 720}, {1.25, 800, 600}, {1.001, 640, 480}, {0.0, 640, 480}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        EngineSession session;
        FakeDesktopSize desktop(1920, 1080);
        const ScopedValue<double> scale(GetSystemBlock()->settings.window_scale, c.scale);
        ASSERT_EQ(ApiInitializeLibrary(), 0);
        RECT client{};
        ASSERT_TRUE(GetClientRect(GetMainWindowHandle(), &client));
        EXPECT_EQ(client.right - client.left, c.width);
        EXPECT_EQ(client.bottom - client.top, c.height);
        EXPECT_GT(GetWindowScaleFactor(), 0.0);
        EXPECT_EQ(ApiTerminateLibrary(), 0);
    }
}

TEST(WindowModes, MousePositionMapsThroughTheScale) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    SystemBlock* block = GetSystemBlock();
    const ScopedValue<double> scale(block->settings.window_scale, 2.0);
    const ScopedValue<std::int32_t> mode(block->settings.window_mode);
    block->window.screen_area = RECT{100, 50, 1380, 1010};
    ASSERT_TRUE(SetCursorPos(300, 250));
    int x = -1;
    int y = -1;
    GetMousePositionInClient(&x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 100);
    GetMousePositionInClient(nullptr, nullptr);
    block->settings.window_mode = 0;
    GetMousePositionInClient(&x, &y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 250);
    block->settings.window_mode = 1;
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(WindowModes, ChangingToTheCurrentModeOnlyLogs) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const std::string before = engine_test::MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_EQ(ApiChangeWindowMode(1), 0);
    const std::string after = engine_test::MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_EQ(after, before + "T:ChangeWindowMode実行 \r\n");
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(WindowModes, LongTitleIsCutWithoutSplittingACharacter) {
    std::string title(254, 'a');
    title += "\x82\xA0" "b";  // the two-byte character would end at byte 256
    SetWindowTitleText(title.c_str());
    EXPECT_EQ(std::string(GetSystemBlock()->settings.title), std::string(254, 'a'));
    SetWindowTitleText("Vomur");
    EXPECT_EQ(std::string(GetSystemBlock()->settings.title), "Vomur");
}
