// Message processing: every pending message in one call, the quit answer, the inactive
// wait that keeps passing (1 ms per pass on the manual clock) until the window is active
// again, the nested call from the text-input step, and the call before any window.
#include <gtest/gtest.h>

#include <vector>

#include "engine/app/app.h"
#include "engine/app/text_input.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/core/system_block.h"
#include "engine/include/vomur.h"
#include "platform/window.h"
#include "platform/window_hooks.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/text_input_testing.h"

using engine_test::EngineSession;

namespace {

constexpr UINT kCounted = WM_USER + 1;
constexpr UINT kNested = WM_USER + 2;
int g_counted = 0;
int g_nested_seen = 0;
int g_step_calls = 0;
int g_nested_result = 99;

LRESULT CountingHook(HWND, UINT message, WPARAM, LPARAM) {
    if (message == kCounted) ++g_counted;
    if (message == kNested) ++g_nested_seen;
    return 0;
}

void NestedCallFromStep() {
    ++g_step_calls;
    PostMessageA(GetMainWindowHandle(), kNested, 0, 0);
    g_nested_result = ProcessWindowMessages();
}

void Reset() {
    g_counted = 0;
    g_nested_seen = 0;
    g_step_calls = 0;
    g_nested_result = 99;
}

}  // namespace

// The message hook and the text-input step hook are process-wide: both are taken away
// however a test ends.
class MessageProcessing : public ::testing::Test {
protected:
    void TearDown() override {
        SetTextInputStepHookForTesting(nullptr);
        GetSystemBlock()->settings.user_message_hook = nullptr;
    }
};

TEST_F(MessageProcessing, DispatchesEveryPendingMessageInOneCall) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    Reset();
    GetSystemBlock()->settings.user_message_hook = CountingHook;
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(PostMessageA(GetMainWindowHandle(), kCounted, 0, 0));
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    EXPECT_EQ(g_counted, 12);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST_F(MessageProcessing, QuitMessageGivesMinusOne) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    PostQuitMessage(0);
    EXPECT_EQ(ApiProcessWindowMessages(), -1);
    EXPECT_EQ(IsQuitRequested(), 1);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST_F(MessageProcessing, WithQuitSetNothingIsDispatched) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    Reset();
    GetSystemBlock()->settings.user_message_hook = CountingHook;
    PostMessageA(GetMainWindowHandle(), kCounted, 0, 0);
    GetSystemBlock()->window.quit = 1;
    EXPECT_EQ(ApiProcessWindowMessages(), -1);
    EXPECT_EQ(g_counted, 0);
    GetSystemBlock()->window.quit = 0;
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST_F(MessageProcessing, InactiveWindowHoldsTheCallAndKeepsPassing) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    ASSERT_EQ(IsWindowActive(), 1);
    platform_hooks::InjectActivation(main, false);
    platform_hooks::InjectActivation(main, true, false, 40);
    const std::uint64_t before = session.clock().Nanoseconds();
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    const std::uint64_t waited_ms = (session.clock().Nanoseconds() - before) / 1000000;
    EXPECT_EQ(IsWindowActive(), 1);
    // Each pass sleeps 1 ms before and 1 ms after its background work.
    EXPECT_GE(waited_ms, 40u);
    EXPECT_LE(waited_ms, 44u);
    EXPECT_NE(GetSystemBlock()->window.inactive_since, 0xFFFFFFFFu);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST_F(MessageProcessing, InactiveWindowReturnsOnQuit) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    platform_hooks::InjectActivation(main, false);
    platform_hooks::InjectWindowEvent(main, platform_hooks::WindowEvent::kClose);
    EXPECT_EQ(ApiProcessWindowMessages(), -1);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST_F(MessageProcessing, CallFromTheTextInputStepReturnsAtOnce) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    Reset();
    GetSystemBlock()->settings.user_message_hook = CountingHook;
    SetTextInputStepHookForTesting(NestedCallFromStep);
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    SetTextInputStepHookForTesting(nullptr);
    EXPECT_EQ(g_step_calls, 1);
    EXPECT_EQ(g_nested_result, 0);
    EXPECT_EQ(g_nested_seen, 0);  // the nested call pumped nothing
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    EXPECT_EQ(g_nested_seen, 1);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST_F(MessageProcessing, BeforeTheWindowExistsNothingRuns) {
    EngineSession session;
    Reset();
    SetTextInputStepHookForTesting(NestedCallFromStep);
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    EXPECT_EQ(g_step_calls, 0);
}
