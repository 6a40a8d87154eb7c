// The main window procedure driven directly: a table of (message, wParam, lParam) with
// the settings it needs, against the result, the bytes put into the input ring, the
// window-state flags and the messages it posted.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/app/text_input.h"
#include "engine/app/window_procedure.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/core/system_block.h"
#include "engine/include/vomur.h"
#include "platform/window.h"
#include "tests/core/scoped_value.h"
#include "tests/support/engine_session.h"

using engine_test::EngineSession;

namespace {

// Every byte in the input ring, in order; the ring is left empty.
std::vector<unsigned char> TakeRing() {
    TextInputState* state = GetTextInputState();
    std::vector<unsigned char> bytes;
    while (state->ring_read != state->ring_write) {
        bytes.push_back(state->ring[state->ring_read]);
        state->ring_read = (state->ring_read + 1) % kInputCharRingSize;
    }
    return bytes;
}

// Messages waiting in the main window's queue that were posted (not window-system ones).
std::vector<UINT> TakePosted(HWND main) {
    std::vector<UINT> posted;
    MSG message;
    while (PeekMessageA(&message, main, WM_CLOSE, WM_CLOSE, PM_REMOVE)) posted.push_back(message.message);
    return posted;
}

struct Flags {
    int mode_change_request;
    int display_changed;
    int ending;
};

Flags ReadFlags() {
    const SystemBlock* block = GetSystemBlock();
    return {block->window.mode_change_request, block->window.display_changed, block->ending};
}

}  // namespace

TEST(WindowProcedure, MessageTable) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    ASSERT_NE(main, nullptr);
    SystemBlock* block = GetSystemBlock();
    const ScopedValue<std::int32_t> permitted(block->settings.mode_change_permitted);
    const ScopedValue<std::int32_t> held_back(block->settings.close_does_not_end);
    TakeRing();

    struct Case {
        const char* name;
        std::function<void()> setup;
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        LRESULT result;
        std::vector<unsigned char> ring;
        Flags flags;
        std::vector<UINT> posted;
    };
    const LPARAM same_mode = MAKELPARAM(640, 480);
    const Case cases[] = {
        {"char 10 becomes 13", nullptr, WM_CHAR, 10, 0, 0, {13}, {0, 0, 0}, {}},
        {"char 7 is dropped", nullptr, WM_CHAR, 7, 0, 0, {}, {0, 0, 0}, {}},
        {"printable char", nullptr, WM_CHAR, 'a', 0, 0, {'a'}, {0, 0, 0}, {}},
        {"shift-jis byte", nullptr, WM_CHAR, 0x82, 0, 0, {0x82}, {0, 0, 0}, {}},
        {"backspace tab escape", nullptr, WM_CHAR, 27, 0, 0, {27}, {0, 0, 0}, {}},
        {"left arrow", nullptr, WM_KEYDOWN, VK_LEFT, 0, 0, {0x1D}, {0, 0, 0}, {}},
        {"delete key", nullptr, WM_KEYDOWN, VK_DELETE, 0, 0, {0x10}, {0, 0, 0}, {}},
        {"letter key has no code", nullptr, WM_KEYDOWN, 'A', 0, 0, {}, {0, 0, 0}, {}},
        {"alt enter not permitted", nullptr, WM_SYSCHAR, 13, 0, 0, {}, {0, 0, 0}, {}},
        {"alt enter permitted", [block] { block->settings.mode_change_permitted = 1; }, WM_SYSCHAR, 13, 0, 0, {},
         {1, 0, 0}, {}},
        {"maximise permitted", [block] { block->settings.mode_change_permitted = 1; }, WM_SIZE, SIZE_MAXIMIZED, 0, 0,
         {}, {1, 0, 0}, {}},
        {"maximise while creating",
         [block] {
             block->settings.mode_change_permitted = 1;
             block->window.creating = 1;
         },
         WM_SIZE, SIZE_MAXIMIZED, 0, 0, {}, {0, 0, 0}, {}},
        {"screen saver refused", nullptr, WM_SYSCOMMAND, SC_SCREENSAVE, 0, 1, {}, {0, 0, 0}, {}},
        {"monitor power refused", nullptr, WM_SYSCOMMAND, SC_MONITORPOWER, 0, 1, {}, {0, 0, 0}, {}},
        {"display change to the same mode", nullptr, WM_DISPLAYCHANGE, 16, same_mode, 0, {}, {0, 1, 0}, {}},
        {"display change to 24 bits", nullptr, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768), 0, {}, {0, 0, 0},
         {WM_CLOSE}},
        {"display change to 24 bits after a close was posted", [block] { block->window.close_posted = 1; },
         WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768), 0, {}, {0, 0, 0}, {}},
        {"display change too small", nullptr, WM_DISPLAYCHANGE, 32, MAKELPARAM(320, 240), 0, {}, {0, 0, 0},
         {WM_CLOSE}},
        {"close held back", [block] { block->settings.close_does_not_end = 1; }, WM_CLOSE, 0, 0, 0, {}, {0, 0, 4}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        block->settings.mode_change_permitted = 0;
        block->settings.close_does_not_end = 0;
        block->window.mode_change_request = 0;
        block->window.display_changed = 0;
        block->window.creating = 0;
        block->window.close_posted = 0;
        block->ending = 0;
        if (c.setup) c.setup();
        EXPECT_EQ(MainWindowProc(main, c.message, c.wparam, c.lparam), c.result);
        EXPECT_EQ(TakeRing(), c.ring);
        const Flags flags = ReadFlags();
        EXPECT_EQ(flags.mode_change_request, c.flags.mode_change_request);
        EXPECT_EQ(flags.display_changed, c.flags.display_changed);
        EXPECT_EQ(flags.ending, c.flags.ending);
        EXPECT_EQ(TakePosted(main), c.posted);
        EXPECT_TRUE(IsWindow(main));
    }
    block->settings.close_does_not_end = 0;
    block->window.close_posted = 0;
    block->ending = 0;
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(WindowProcedure, KeyDownIntoAFullRingAddsNothing) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(PushInputChar('x'), 0);
    MainWindowProc(main, WM_KEYDOWN, VK_LEFT, 0);
    MainWindowProc(main, WM_CHAR, 'y', 0);
    const std::vector<unsigned char> ring = TakeRing();
    ASSERT_EQ(ring.size(), 1024u);
    EXPECT_EQ(ring.back(), 'x');
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(WindowProcedure, SizingKeepsTheAspectRatioAndNeverReachesZero) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    SystemBlock* block = GetSystemBlock();
    const ScopedValue<double> scale(block->settings.window_scale);
    RECT client{};
    ASSERT_TRUE(GetClientRect(main, &client));
    ASSERT_EQ(client.right - client.left, 640);
    ASSERT_EQ(client.bottom - client.top, 480);

    struct Case {
        WPARAM edge;
        RECT proposed;
        RECT expected;
        double scale;
    };
    const Case cases[] = {
        {WMSZ_RIGHT, {100, 50, 1060, 500}, {100, 50, 1060, 770}, 1.5},
        {WMSZ_BOTTOM, {0, 0, 10, 240}, {0, 0, 320, 240}, 0.5},
        {WMSZ_BOTTOMRIGHT, {0, 0, 1280, 600}, {0, 0, 1280, 960}, 2.0},
        {WMSZ_BOTTOMRIGHT, {0, 0, 1280, 1200}, {0, 0, 1600, 1200}, 2.5},
        // A client dragged to nothing keeps one pixel and a positive scale.
        {WMSZ_RIGHT, {0, 0, 0, 0}, {0, 0, 1, 1}, 1.0 / 640},
        {WMSZ_BOTTOM, {0, 0, 0, -5}, {0, 0, 1, 1}, 1.0 / 640},
    };
    for (const Case& c : cases) {
        RECT rect = c.proposed;
        MainWindowProc(main, WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&rect));
        EXPECT_EQ(rect.left, c.expected.left);
        EXPECT_EQ(rect.top, c.expected.top);
        EXPECT_EQ(rect.right, c.expected.right);
        EXPECT_EQ(rect.bottom, c.expected.bottom);
        EXPECT_DOUBLE_EQ(block->settings.window_scale, c.scale);
        EXPECT_GT(block->settings.window_scale, 0.0);
    }
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(WindowProcedure, DestroyLogsAndSetsQuit) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    // The user's close: destroy, quit message, -1 from message processing.
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(ApiProcessWindowMessages(), -1);
    EXPECT_EQ(IsQuitRequested(), 1);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(ApiProcessWindowMessages(), -1);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    const std::string log = engine_test::MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_NE(log.find("T:ウインドウを閉じようとしています\r\nT:ウインドウが破棄されようとしています\r\n"
                       "T:ソフトを終了する準備が整いました\r\n"),
              std::string::npos)
        << log;
}
