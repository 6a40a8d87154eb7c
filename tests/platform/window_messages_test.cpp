// The window and message layer: message order of creation, showing and destruction,
// posting order, WM_QUIT and WM_PAINT retrieval, nested pumps, geometry changes that
// send nothing, timers on the manual clock, the cursor count and the title.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/manual_clock.h"
#include "tests/platform/window_recorder.h"

namespace {

LPARAM Pack(int low, int high) { return MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high)); }

TEST_F(WindowTest, CreateShowAndDestroySendTheirMessagesInOrder) {
    CREATESTRUCTA seen_create{};
    std::string seen_name;
    RecorderHook() = [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT*) {
        if (m == WM_CREATE) {
            seen_create = *reinterpret_cast<const CREATESTRUCTA*>(l);
            seen_name = seen_create.lpszName;
        }
        return false;
    };
    const HWND w = Create();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(SeenIds(), std::vector<UINT>{WM_CREATE});
    EXPECT_EQ(seen_create.x, 100);
    EXPECT_EQ(seen_create.y, 50);
    EXPECT_EQ(seen_create.cx, 640);
    EXPECT_EQ(seen_create.cy, 480);
    EXPECT_EQ(seen_name, "Vomur");
    EXPECT_FALSE(IsWindowVisible(w));

    SeenMessages().clear();
    EXPECT_FALSE(ShowWindow(w, SW_SHOW));
    const std::vector<Seen> shown = {
        {w, WM_ACTIVATE, WA_ACTIVE, 0},
        {w, WM_SIZE, SIZE_RESTORED, Pack(640, 480)},
        {w, WM_MOVE, 0, Pack(100, 50)},
    };
    EXPECT_EQ(SeenMessages(), shown);
    EXPECT_EQ(GetForegroundWindow(), w);

    // The show left the window invalid: exactly one paint follows.
    SeenMessages().clear();
    Pump();
    EXPECT_EQ(SeenIds(), std::vector<UINT>{WM_PAINT});

    // A second show changes nothing and sends nothing.
    SeenMessages().clear();
    EXPECT_TRUE(ShowWindow(w, SW_SHOW));
    Pump();
    EXPECT_TRUE(SeenMessages().empty());

    PostMessageA(w, WM_USER, 1, 2);
    SeenMessages().clear();
    EXPECT_TRUE(DestroyWindow(w));
    const std::vector<Seen> destroyed = {{w, WM_DESTROY, 0, 0}};
    EXPECT_EQ(SeenMessages(), destroyed);

    // Everything about a destroyed window fails cleanly, and its queued message is gone.
    RECT r{};
    POINT p{};
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(GetClientRect(w, &r));
    EXPECT_FALSE(GetWindowRect(w, &r));
    EXPECT_FALSE(ClientToScreen(w, &p));
    EXPECT_FALSE(PostMessageA(w, WM_CLOSE, 0, 0));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
    EXPECT_EQ(Pump(), 0);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(WindowTest, WindowCreatedVisibleIsShownBeforeCreationReturns) {
    const HWND w = Create(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 10, 20, 320, 240);
    ASSERT_NE(w, nullptr);
    const std::vector<UINT> order = {WM_CREATE, WM_ACTIVATE, WM_SIZE, WM_MOVE};
    EXPECT_EQ(SeenIds(), order);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE), static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_VISIBLE));
}

TEST_F(WindowTest, PostedMessagesComeInOrderAndQuitAfterThem) {
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    SeenMessages().clear();

    PostQuitMessage(3);
    for (UINT i = 1; i <= 12; ++i) ASSERT_TRUE(PostMessageA(i % 3 == 0 ? nullptr : w, WM_USER + i, i, -static_cast<LPARAM>(i)));

    // Thread messages alone with the (HWND)-1 filter; the window's alone with its handle.
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3);
    ASSERT_TRUE(PeekMessageA(&msg, w, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 9, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 5);

    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT) {
            EXPECT_EQ(msg.wParam, 3u);
            EXPECT_EQ(msg.hwnd, nullptr);
            continue;
        }
        EXPECT_EQ(msg.wParam, msg.message - WM_USER);
        EXPECT_EQ(msg.lParam, -static_cast<LPARAM>(msg.message - WM_USER));
        EXPECT_EQ(msg.hwnd, (msg.message - WM_USER) % 3 == 0 ? nullptr : w);
        DispatchMessageA(&msg);
    }
    std::vector<UINT> expected;
    for (UINT i = 1; i <= 12; ++i) expected.push_back(WM_USER + i);
    expected.push_back(WM_QUIT);
    EXPECT_EQ(order, expected);
    // Only the eight window messages reached the procedure.
    EXPECT_EQ(SeenMessages().size(), 8u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

// A pump filtered on one window, or on a range without WM_QUIT, neither sees nor removes
// the quit request: it stays for the main pump's unfiltered call.
TEST_F(WindowTest, QuitIsLeftToPumpsWhoseFilterAdmitsIt) {
    const HWND w = Create();
    ASSERT_NE(w, nullptr);
    PostQuitMessage(7);
    MSG msg;
    struct Filter {
        HWND window;
        UINT low, high;
        bool sees_quit;
    };
    const HWND thread_only = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
    const Filter filters[] = {
        {w, 0, 0, false},
        {w, WM_QUIT, WM_QUIT, false},
        {nullptr, WM_USER, WM_USER + 10, false},
        {thread_only, WM_KEYDOWN, WM_CHAR, false},
        {nullptr, WM_NULL, WM_QUIT, true},
        {thread_only, 0, 0, true},
    };
    for (const Filter& f : filters) {
        std::memset(&msg, 0, sizeof msg);
        EXPECT_EQ(PeekMessageA(&msg, f.window, f.low, f.high, PM_REMOVE) != 0, f.sees_quit) << f.low << "-" << f.high;
        if (f.sees_quit) {
            EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
            EXPECT_EQ(msg.wParam, 7u);
            PostQuitMessage(7);  // put back for the next case
        }
    }
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, MessagesPostedFromAnotherThreadKeepTheirOrder) {
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    SeenMessages().clear();
    std::thread poster([w] {
        for (WPARAM i = 0; i < 500; ++i) PostMessageA(w, WM_USER, i, 0);
    });
    std::vector<WPARAM> got;
    MSG msg;
    while (got.size() < 500) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_USER) got.push_back(msg.wParam);
    }
    poster.join();
    for (WPARAM i = 0; i < 500; ++i) ASSERT_EQ(got[i], i);
}

TEST_F(WindowTest, PaintIsRetrievedOnlyWhileTheWindowIsInvalid) {
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // A hidden window is never painted.
    RECT part{10, 20, 30, 40};
    InvalidateRect(w, &part, FALSE);
    RECT other{50, 5, 60, 25};
    InvalidateRect(w, &other, FALSE);
    RECT painted{};
    RecorderHook() = [&](HWND window, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m != WM_PAINT) return false;
        PAINTSTRUCT ps{};
        EXPECT_NE(BeginPaint(window, &ps), nullptr);
        painted = ps.rcPaint;
        EndPaint(window, &ps);
        return true;
    };
    SeenMessages().clear();
    EXPECT_EQ(Pump(), 1);
    EXPECT_EQ(SeenIds(), std::vector<UINT>{WM_PAINT});
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.top, 5);
    EXPECT_EQ(painted.right, 60);
    EXPECT_EQ(painted.bottom, 40);

    // A procedure that does not validate keeps getting WM_PAINT.
    RecorderHook() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT*) { return m == WM_PAINT; };
    InvalidateRect(w, nullptr, FALSE);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, WM_PAINT);
    }
    ValidateRect(w, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // UpdateWindow paints at once, and only when invalid.
    SeenMessages().clear();
    RecorderHook() = nullptr;
    UpdateWindow(w);
    EXPECT_TRUE(SeenMessages().empty());
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(SeenIds(), std::vector<UINT>{WM_PAINT});
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, NestedPumpDispatchesWhatTheOuterPumpWouldHave) {
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    RecorderHook() = [this, w](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m == WM_USER + 1) {
            PostMessageA(w, WM_USER + 3, 0, 0);
            Pump();  // nested
        }
        return false;
    };
    PostMessageA(w, WM_USER + 1, 0, 0);
    PostMessageA(w, WM_USER + 2, 0, 0);
    SeenMessages().clear();
    Pump();
    const std::vector<UINT> order = {WM_USER + 1, WM_USER + 2, WM_USER + 3};
    EXPECT_EQ(SeenIds(), order);
}

TEST_F(WindowTest, GeometryChangesSendMoveAndSizeOnlyWhenSomethingChanged) {
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    struct Case {
        const char* what;
        int x, y, cx, cy;
        UINT flags;
        std::vector<Seen> expected;
    };
    const std::vector<Case> cases = {
        {"same rectangle", 100, 50, 640, 480, SWP_NOZORDER, {}},
        {"size and move ignored", 0, 0, 1, 1, SWP_NOMOVE | SWP_NOSIZE, {}},
        {"move only", 120, 60, 640, 480, SWP_NOZORDER, {{w, WM_MOVE, 0, Pack(120, 60)}}},
        {"size only", 120, 60, 960, 720, SWP_NOZORDER, {{w, WM_SIZE, SIZE_RESTORED, Pack(960, 720)}}},
        {"both", -8, -4, 800, 600, SWP_NOZORDER,
         {{w, WM_MOVE, 0, Pack(-8, -4)}, {w, WM_SIZE, SIZE_RESTORED, Pack(800, 600)}}},
        {"size kept under NOSIZE", 0, 0, 5, 5, SWP_NOSIZE | SWP_NOZORDER, {{w, WM_MOVE, 0, Pack(0, 0)}}},
    };
    for (const Case& c : cases) {
        SeenMessages().clear();
        EXPECT_TRUE(SetWindowPos(w, HWND_TOPMOST, c.x, c.y, c.cx, c.cy, c.flags)) << c.what;
        EXPECT_EQ(SeenMessages(), c.expected) << c.what;
    }
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    platform_hooks::WindowSystemState state{};
    ASSERT_TRUE(platform_hooks::WindowSystemGeometry(w, &state));
    EXPECT_EQ(state.width, 800);
    EXPECT_EQ(state.height, 600);

    // A procedure that answers WM_SIZE by fitting the window to the same size again ends.
    int sizes = 0;
    RecorderHook() = [&](HWND window, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m == WM_SIZE && ++sizes < 10) MoveWindow(window, 0, 0, 640, 480, TRUE);
        return false;
    };
    SeenMessages().clear();
    MoveWindow(w, 0, 0, 640, 480, TRUE);
    EXPECT_EQ(sizes, 1);
    EXPECT_EQ(SeenMessages(), (std::vector<Seen>{{w, WM_SIZE, SIZE_RESTORED, Pack(640, 480)}}));
    RecorderHook() = nullptr;

    // Client and window rectangles coincide (no frame).
    RECT adjusted{0, 0, 640, 480};
    AdjustWindowRectEx(&adjusted, WS_POPUP | WS_CAPTION, FALSE, WS_EX_CLIENTEDGE);
    EXPECT_EQ(adjusted.right, 640);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(origin.x, 0);
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
}

std::vector<std::pair<UINT_PTR, DWORD>>& TimerCalls() {
    static std::vector<std::pair<UINT_PTR, DWORD>> calls;
    return calls;
}

void CALLBACK_Timer(HWND, UINT message, UINT_PTR id, DWORD time) {
    EXPECT_EQ(message, WM_TIMER);
    TimerCalls().push_back({id, time});
}

TEST_F(WindowTest, TimersFireInsideThePumpOnThePlatformClock) {
    ManualClock clock(1000);
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    ASSERT_EQ(SetTimer(w, 32767, 17, CALLBACK_Timer), 32767u);
    ASSERT_EQ(SetTimer(w, 5, 10, nullptr), 5u);
    SeenMessages().clear();

    clock.AdvanceMs(9);
    EXPECT_EQ(Pump(), 0);
    clock.AdvanceMs(1);  // 1010: the 10 ms timer
    Pump();
    EXPECT_EQ(SeenMessages(), (std::vector<Seen>{{w, WM_TIMER, 5, 0}}));
    EXPECT_TRUE(TimerCalls().empty());

    clock.AdvanceMs(7);  // 1017: the 17 ms timer, calling its procedure
    SeenMessages().clear();
    Pump();
    EXPECT_TRUE(SeenMessages().empty());
    ASSERT_EQ(TimerCalls().size(), 1u);
    EXPECT_EQ(TimerCalls()[0], (std::pair<UINT_PTR, DWORD>{32767, 1017}));

    // A late pump gets one WM_TIMER per timer, not one per missed period.
    KillTimer(w, 5);
    clock.AdvanceMs(100);
    Pump();
    EXPECT_EQ(TimerCalls().size(), 2u);
    EXPECT_TRUE(SeenMessages().empty());
    clock.AdvanceMs(16);
    Pump();
    EXPECT_EQ(TimerCalls().size(), 2u);
    clock.AdvanceMs(1);
    Pump();
    EXPECT_EQ(TimerCalls().size(), 3u);

    EXPECT_TRUE(KillTimer(w, 32767));
    EXPECT_FALSE(KillTimer(w, 32767));
    clock.AdvanceMs(1000);
    EXPECT_EQ(Pump(), 0);
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x12340001)), 1, 10, nullptr), 0u);
}

TEST_F(WindowTest, DestroyingTheWindowEndsItsTimers) {
    ManualClock clock(0);
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    SetTimer(w, 7, 10, nullptr);
    DestroyWindow(w);
    clock.AdvanceMs(50);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, CloseGoesThroughDestroyToQuit) {
    const HWND w = Create();
    ShowWindow(w, SW_SHOW);
    Pump();
    RecorderHook() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m == WM_DESTROY) PostQuitMessage(0);
        return false;
    };
    SeenMessages().clear();
    PostMessageA(w, WM_CLOSE, 0, 0);
    Pump();
    const std::vector<UINT> order = {WM_CLOSE, WM_DESTROY};
    EXPECT_EQ(SeenIds(), order);
    EXPECT_TRUE(quit_seen_);
    EXPECT_FALSE(IsWindow(w));
}

// The cursor's display count is the window system's, for the whole process: it is
// brought back to where it was however the test ends.
class WindowCursor : public ::testing::Test {
protected:
    void SetUp() override { saved_count_ = platform_hooks::CursorDisplayCount(); }
    void TearDown() override {
        for (int i = 0; i < 64 && platform_hooks::CursorDisplayCount() > saved_count_; ++i) ShowCursor(FALSE);
        for (int i = 0; i < 64 && platform_hooks::CursorDisplayCount() < saved_count_; ++i) ShowCursor(TRUE);
    }

private:
    int saved_count_ = 0;
};

TEST_F(WindowCursor, ShowCursorKeepsACount) {
    EXPECT_EQ(platform_hooks::CursorDisplayCount(), 0);
    const std::vector<std::pair<BOOL, int>> steps = {{FALSE, -1}, {FALSE, -2}, {TRUE, -1}, {TRUE, 0}, {TRUE, 1}};
    for (const auto& [show, count] : steps) EXPECT_EQ(ShowCursor(show), count);
    EXPECT_EQ(platform_hooks::CursorDisplayCount(), 1);
}

TEST_F(WindowTest, TitleIsShownAsUtf8) {
    const HWND w = Create();
    std::string title;
    ASSERT_TRUE(platform_hooks::WindowSystemTitle(w, &title));
    EXPECT_EQ(title, "Vomur");
    ASSERT_TRUE(SetWindowTextA(w, "\x83\x5C\x83\x74\x83\x67 v1"));  // ソフト in CP932
    ASSERT_TRUE(platform_hooks::WindowSystemTitle(w, &title));
    EXPECT_EQ(title, U8(u8"ソフト v1"));
    char back[16];
    EXPECT_EQ(GetWindowTextA(w, back, sizeof back), 9);
    EXPECT_STREQ(back, "\x83\x5C\x83\x74\x83\x67 v1");
}

TEST_F(WindowTest, FullScreenPopupCoversTheDesktopButKeepsItsRectangle) {
    const HWND w = Create(WS_POPUP, WS_EX_TOPMOST, 0, 0, 640, 480);
    ShowWindow(w, SW_SHOW);
    platform_hooks::WindowSystemState state{};
    ASSERT_TRUE(platform_hooks::WindowSystemGeometry(w, &state));
    EXPECT_TRUE(state.full_screen);
    RECT r{};
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);

    // Back to a captioned window of its own size.
    SetWindowLongA(w, GWL_EXSTYLE, 0);
    SetWindowLongA(w, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
    SetWindowPos(w, HWND_NOTOPMOST, 30, 40, 640, 480, 0);
    ASSERT_TRUE(platform_hooks::WindowSystemGeometry(w, &state));
    EXPECT_FALSE(state.full_screen);
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), 0);
    EXPECT_EQ(state.width, 640);
    EXPECT_EQ(state.height, 480);
}

}  // namespace
