// Window-system input becoming messages: keys and typed text (WM_CHAR per CP932 byte,
// Alt+Enter as WM_SYSCHAR 13), focus, minimise and close, the mouse after WM_SETCURSOR,
// input-method compositions, and activation changes scheduled on the manual clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/testing/manual_clock.h"
#include "tests/platform/window_recorder.h"

namespace {

using platform_hooks::WindowEvent;

class WindowInputTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(Create(), nullptr);
        ShowWindow(window_, SW_SHOW);
        Pump();
        SeenMessages().clear();
    }

    // Messages seen by the procedure as (message, wParam), skipping paints.
    std::vector<std::pair<UINT, WPARAM>> Seen2() const {
        std::vector<std::pair<UINT, WPARAM>> out;
        for (const Seen& s : SeenMessages()) {
            if (s.message != WM_PAINT) out.push_back({s.message, s.wparam});
        }
        return out;
    }
};

TEST_F(WindowInputTest, TypedTextArrivesAsCp932CharactersAfterItsKey) {
    struct Case {
        UINT key;       // 0: text with no key
        const char* text;  // UTF-8
        std::vector<std::pair<UINT, WPARAM>> expected;
    };
    const std::vector<Case> cases = {
        {'A', "a", {{WM_KEYDOWN, 'A'}, {WM_CHAR, 0x61}}},
        {'Z', U8(u8"ソ"), {{WM_KEYDOWN, 'Z'}, {WM_CHAR, 0x83}, {WM_CHAR, 0x5C}}},
        {0, U8(u8"ｱ漢"), {{WM_CHAR, 0xB1}, {WM_CHAR, 0x8A}, {WM_CHAR, 0xBF}}},
        {VK_LEFT, nullptr, {{WM_KEYDOWN, VK_LEFT}}},
        {VK_DELETE, nullptr, {{WM_KEYDOWN, VK_DELETE}}},
        {VK_BACK, nullptr, {{WM_KEYDOWN, VK_BACK}, {WM_CHAR, 8}}},
        {VK_TAB, nullptr, {{WM_KEYDOWN, VK_TAB}, {WM_CHAR, 9}}},
        {VK_RETURN, nullptr, {{WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13}}},
        {VK_ESCAPE, nullptr, {{WM_KEYDOWN, VK_ESCAPE}, {WM_CHAR, 27}}},
    };
    for (const Case& c : cases) {
        SeenMessages().clear();
        if (c.key != 0) {
            ASSERT_TRUE(platform_hooks::InjectKeyEvent(window_, c.key, true));
        }
        if (c.text != nullptr) {
            ASSERT_TRUE(platform_hooks::InjectTextInput(window_, c.text));
        }
        Pump();
        EXPECT_EQ(Seen2(), c.expected) << (c.text != nullptr ? c.text : "") << " key " << c.key;
    }

    // The IME being disabled does not stop typed characters.
    WINNLSEnableIME(window_, FALSE);
    SeenMessages().clear();
    platform_hooks::InjectKeyEvent(window_, '1', true);
    platform_hooks::InjectTextInput(window_, "1");
    platform_hooks::InjectKeyEvent(window_, '1', false);
    Pump();
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_KEYDOWN, '1'}, {WM_CHAR, '1'}, {WM_KEYUP, '1'}};
    EXPECT_EQ(Seen2(), expected);
}

TEST_F(WindowInputTest, AltEnterIsASystemCharacter13) {
    ASSERT_TRUE(platform_hooks::InjectKeyEvent(window_, VK_RETURN, true, /*alt=*/true));
    Pump();
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_SYSKEYDOWN, VK_RETURN}, {WM_SYSCHAR, 13}};
    EXPECT_EQ(Seen2(), expected);
    EXPECT_NE(SeenMessages()[0].lparam & (1 << 29), 0);  // Alt held
}

TEST_F(WindowInputTest, WithoutTranslationNoCharactersAppear) {
    platform_hooks::InjectKeyEvent(window_, 'Q', true);
    platform_hooks::InjectTextInput(window_, "q");
    MSG msg;
    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) order.push_back(msg.message);
    EXPECT_EQ(order, std::vector<UINT>{WM_KEYDOWN});
}

TEST_F(WindowInputTest, WindowEventsBecomeActivationSizeAndClose) {
    const HWND w = window_;
    platform_hooks::InjectWindowEvent(w, WindowEvent::kFocusGained);  // already active: nothing
    platform_hooks::InjectWindowEvent(w, WindowEvent::kFocusLost);
    platform_hooks::InjectWindowEvent(w, WindowEvent::kFocusLost);    // already inactive: nothing
    platform_hooks::InjectWindowEvent(w, WindowEvent::kFocusGained);
    Pump();
    std::vector<Seen> expected = {{w, WM_ACTIVATE, WA_INACTIVE, 0}, {w, WM_ACTIVATE, WA_ACTIVE, 0}};
    EXPECT_EQ(SeenMessages(), expected);

    // Focus lost on the way to the task bar: the minimised flag rides in the high word.
    SeenMessages().clear();
    platform_hooks::InjectWindowEvent(w, WindowEvent::kFocusLost);
    platform_hooks::InjectWindowEvent(w, WindowEvent::kMinimized);
    Pump();
    expected = {{w, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0}, {w, WM_SIZE, SIZE_MINIMIZED, 0}};
    EXPECT_EQ(SeenMessages(), expected);
    EXPECT_TRUE(IsIconic(w));

    SeenMessages().clear();
    platform_hooks::InjectWindowEvent(w, WindowEvent::kRestored);
    platform_hooks::InjectWindowEvent(w, WindowEvent::kFocusGained);
    Pump();
    expected = {{w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)}, {w, WM_ACTIVATE, WA_ACTIVE, 0}};
    EXPECT_EQ(std::vector<Seen>(SeenMessages().begin(), SeenMessages().begin() + 2), expected);
    EXPECT_EQ(SeenIds({WM_SIZE, WM_ACTIVATE}), std::vector<UINT>{WM_PAINT});

    // A move by the user reports the new client origin; a "move" to where it is, nothing.
    SeenMessages().clear();
    platform_hooks::InjectWindowEvent(w, WindowEvent::kMoved, 100, 50);
    platform_hooks::InjectWindowEvent(w, WindowEvent::kMoved, 300, 200);
    Pump();
    expected = {{w, WM_MOVE, 0, MAKELPARAM(300, 200)}};
    EXPECT_EQ(SeenMessages(), expected);

    SeenMessages().clear();
    platform_hooks::InjectWindowEvent(w, WindowEvent::kClose);
    Pump();
    const std::vector<UINT> closing = {WM_CLOSE, WM_DESTROY};
    EXPECT_EQ(SeenIds(), closing);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowInputTest, MouseMessagesFollowSetCursor) {
    const HWND w = window_;
    platform_hooks::InjectMouseMotion(w, 30, 40);
    platform_hooks::InjectMouseButton(w, 1, true, 31, 41);
    platform_hooks::InjectMouseButton(w, 3, false, 32, 42);
    Pump();
    const std::vector<Seen> expected = {
        {w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
        {w, WM_MOUSEMOVE, 0, MAKELPARAM(30, 40)},
        {w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)},
        {w, WM_LBUTTONDOWN, 0, MAKELPARAM(31, 41)},
        {w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_RBUTTONUP)},
        {w, WM_RBUTTONUP, 0, MAKELPARAM(32, 42)},
    };
    EXPECT_EQ(SeenMessages(), expected);
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 100 + 32);
    EXPECT_EQ(p.y, 50 + 42);
}

TEST_F(WindowInputTest, CompositionArrivesThroughTheInputMethodMessages) {
    std::vector<std::string> compositions;
    std::vector<std::string> results;
    std::vector<LONG> cursors;
    RecorderHook() = [&](HWND w, UINT m, WPARAM, LPARAM l, LRESULT* out) {
        if (m != WM_IME_COMPOSITION) return false;
        HIMC imc = ImmGetContext(w);
        char buffer[64] = {};
        if ((l & GCS_RESULTSTR) != 0) {
            const LONG n = ImmGetCompositionStringA(imc, GCS_RESULTSTR, buffer, sizeof buffer);
            EXPECT_EQ(ImmGetCompositionStringA(imc, GCS_RESULTSTR, nullptr, 0), n);
            results.emplace_back(buffer, static_cast<std::size_t>(n));
        }
        if ((l & GCS_COMPSTR) != 0) {
            const LONG n = ImmGetCompositionStringA(imc, GCS_COMPSTR, buffer, sizeof buffer);
            compositions.emplace_back(buffer, static_cast<std::size_t>(n));
        }
        if ((l & GCS_CURSORPOS) != 0) cursors.push_back(ImmGetCompositionStringA(imc, GCS_CURSORPOS, nullptr, 0));
        ImmReleaseContext(w, imc);
        *out = 0;
        return true;
    };
    ASSERT_TRUE(platform_hooks::InjectTextEditing(window_, U8(u8"かん"), 1));
    ASSERT_TRUE(platform_hooks::InjectTextEditing(window_, U8(u8"漢"), 1));
    ASSERT_TRUE(platform_hooks::InjectTextInput(window_, U8(u8"漢字")));
    Pump();
    const std::vector<UINT> order = {WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION, WM_IME_COMPOSITION,
                                     WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION};
    EXPECT_EQ(SeenIds(), order);
    EXPECT_EQ(compositions, (std::vector<std::string>{"\x82\xA9\x82\xF1", "\x8A\xBF", ""}));
    EXPECT_EQ(cursors, (std::vector<LONG>{2, 2, 0}));
    EXPECT_EQ(results, std::vector<std::string>{"\x8A\xBF\x8E\x9A"});
    EXPECT_EQ(ImmGetCandidateListA(ImmGetContext(window_), 0, nullptr, 0), 0u);

    // Local switches and the cancel of a composition.
    HIMC imc = ImmGetContext(window_);
    EXPECT_FALSE(ImmGetOpenStatus(imc));
    ImmSetOpenStatus(imc, TRUE);
    EXPECT_TRUE(ImmGetOpenStatus(imc));
    ImmSetCompositionStringA(imc, SCS_SETSTR, "\x82\xA0", 2, nullptr, 0);
    EXPECT_EQ(ImmGetCompositionStringA(imc, GCS_COMPSTR, nullptr, 0), 2);
    ImmNotifyIME(imc, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
    EXPECT_EQ(ImmGetCompositionStringA(imc, GCS_COMPSTR, nullptr, 0), 0);

    // With the IME disabled the same typing is plain characters.
    WINNLSEnableIME(window_, FALSE);
    SeenMessages().clear();
    platform_hooks::InjectTextEditing(window_, U8(u8"か"), 1);
    platform_hooks::InjectTextInput(window_, U8(u8"か"));
    Pump();
    const std::vector<std::pair<UINT, WPARAM>> chars = {{WM_CHAR, 0x82}, {WM_CHAR, 0xA9}};
    EXPECT_EQ(Seen2(), chars);
    EXPECT_EQ(ImmGetCompositionStringA(nullptr, GCS_COMPSTR, nullptr, 0), -2);
}

TEST_F(WindowInputTest, ScheduledActivationArrivesWhenThePlatformClockGetsThere) {
    ManualClock clock(500);
    const HWND w = window_;
    platform_hooks::InjectActivation(w, false);
    platform_hooks::InjectActivation(w, true, false, 30);
    platform_hooks::InjectInputMessage(w, WM_USER + 7, 1, 2, 30);
    Pump();
    EXPECT_EQ(SeenMessages(), (std::vector<Seen>{{w, WM_ACTIVATE, WA_INACTIVE, 0}}));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    SeenMessages().clear();
    for (int i = 0; i < 29; ++i) {
        Sleep(1);
        Pump();
    }
    EXPECT_TRUE(SeenMessages().empty());
    Sleep(1);
    Pump();
    const std::vector<Seen> expected = {{w, WM_ACTIVATE, WA_ACTIVE, 0}, {w, WM_USER + 7, 1, 2}};
    EXPECT_EQ(SeenMessages(), expected);
    EXPECT_EQ(GetForegroundWindow(), w);
}

TEST_F(WindowInputTest, HidingAndMinimisingTheActiveWindowDeactivatesIt) {
    const HWND w = window_;
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_EQ(SeenMessages(),
              (std::vector<Seen>{{w, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0}, {w, WM_SIZE, SIZE_MINIMIZED, 0}}));
    SeenMessages().clear();
    ShowWindow(w, SW_RESTORE);
    EXPECT_EQ(SeenMessages(), (std::vector<Seen>{{w, WM_ACTIVATE, WA_ACTIVE, 0},
                                                 {w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)}}));
    SeenMessages().clear();
    ShowWindow(w, SW_HIDE);
    EXPECT_EQ(SeenMessages(), (std::vector<Seen>{{w, WM_ACTIVATE, WA_INACTIVE, 0}}));
}

}  // namespace
