// Engine start-up and shutdown end to end, headless: the golden log of a whole run,
// the refusal of a second running copy, injected failures of COM, the window and input
// (everything undone, a retry works), a screen failure after input started (input ended
// too), and an ignored sound failure.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/app/library_startup.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/core/system_block.h"
#include "engine/core/text_log.h"
#include "engine/core/tracked_alloc.h"
#include "engine/include/vomur.h"
#include "engine/input/input.h"
#include "platform/testing/display_testing.h"
#include "platform/window.h"
#include "platform/window_hooks.h"
#include "tests/core/scoped_value.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/input_testing.h"

using engine_test::EngineSession;
using engine_test::MaskedLog;

namespace {

const char kDoubleStartLine[] = "二重起動されています、ソフトを終了します\r\n";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Makes the input start-up fail at once while it lives.
class InputStartupFailure {
public:
    explicit InputStartupFailure(bool on) { SetInputStartupFailureForTesting(on ? 1 : 0); }
    ~InputStartupFailure() { SetInputStartupFailureForTesting(0); }
    InputStartupFailure(const InputStartupFailure&) = delete;
    InputStartupFailure& operator=(const InputStartupFailure&) = delete;
};

// Nothing of a failed start-up is left: no window, no lock file, COM and timer released.
void ExpectNothingLeft(bool lock_file_gone = true) {
    const SystemBlock* block = GetSystemBlock();
    EXPECT_EQ(block->initialised, 0);
    EXPECT_EQ(block->initialising, 0);
    EXPECT_EQ(block->com_started, 0);
    EXPECT_EQ(GetMainWindowHandle(), nullptr);
    EXPECT_EQ(block->window.timer_period, 0u);
    EXPECT_EQ(block->window.class_registered, 0);
    const char* class_name = block->settings.class_name[0] != '\0' ? block->settings.class_name : "D123987X";
    if (lock_file_gone) {
        EXPECT_FALSE(std::filesystem::exists(platform_hooks::InstanceLockPath(class_name)));
    }
    EXPECT_EQ(TrackedLiveBlockCount(), 0);
}

}  // namespace

TEST(Startup, WholeRunExitsZeroWithGoldenLog) {
    EngineSession session;
    const int status = RunInChild([] {
        ApiSetWindowTitleText("Vomur");
        if (ApiInitializeLibrary() != 0) return 1;
        for (int frame = 0; frame < 10; ++frame) {
            if (ApiProcessWindowMessages() != 0) return 2;
        }
        if (ApiTerminateLibrary() != 0) return 3;
        return TrackedLiveBlockCount() == 0 ? 0 : 4;
    }, kChildWithExitChecks);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    engine_test::ExpectMatchesGolden(MaskedLog(session.dir().path() / "Log.txt"), "startup_window_mode.log");
}

TEST(Startup, SecondRunningCopyIsRefused) {
    EngineSession session;
    int up[2];
    int go[2];
    ASSERT_EQ(pipe(up), 0);
    ASSERT_EQ(pipe(go), 0);
    std::filesystem::create_directories(session.dir().path() / "first");
    ChildProcess first(
        [&] {
            std::filesystem::current_path(session.dir().path() / "first");
            const int result = ApiInitializeLibrary();
            const char byte = result == 0 ? 'u' : 'x';
            if (write(up[1], &byte, 1) != 1) std::_Exit(5);
            char reply = 0;
            if (read(go[0], &reply, 1) != 1) std::_Exit(6);
            ApiProcessWindowMessages();
            return ApiTerminateLibrary() == 0 && result == 0 ? 0 : 7;
        },
        {});
    pollfd wait_up{up[0], POLLIN, 0};
    ASSERT_EQ(poll(&wait_up, 1, 30000), 1);
    char byte = 0;
    ASSERT_EQ(read(up[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'u');

    EXPECT_EQ(ApiInitializeLibrary(), -1);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_TRUE(Contains(log, std::string("ソフトの二重起動検査... ") + kDoubleStartLine)) << log;
    EXPECT_FALSE(Contains(log, "ウインドウクラスを登録します"));
    // The lock file is the first copy's, which still runs.
    ExpectNothingLeft(false);

    ASSERT_EQ(write(go[1], "g", 1), 1);
    const int status = first.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // With the first copy gone the same program starts.
    EXPECT_EQ(ApiInitializeLibrary(), 0);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(Startup, InjectedFailuresUndoEverythingAndARetryWorks) {
    struct Case {
        const char* name;
        const char* failing_call;  // platform call to fail, or null for the input start-up
        const char* log_line;
    };
    const Case cases[] = {
        {"com", "CoInitialize", "ＣＯＭの初期化に失敗しました\r\n"},
        {"class", "RegisterClassExA", "ウインドウクラスの登録に失敗しました\r\n"},
        {"window", "CreateWindowExA", "ウインドウの作成に失敗しました\r\n"},
        {"input", nullptr, "ウインドウが破棄されようとしています\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineSession session;
        {
            std::unique_ptr<FailCall> fail;
            if (c.failing_call != nullptr) fail = std::make_unique<FailCall>(c.failing_call);
            const InputStartupFailure fail_input(c.failing_call == nullptr);
            EXPECT_EQ(ApiInitializeLibrary(), -1);
        }
        const std::string log = MaskedLog(session.dir().path() / "Log.txt");
        EXPECT_TRUE(Contains(log, c.log_line)) << log;
        // The failure exit shut the engine down: the allocation list closes the log.
        EXPECT_TRUE(Contains(log, "Alloc memory dump\r\n")) << log;
        ExpectNothingLeft();

        EXPECT_EQ(ApiInitializeLibrary(), 0);
        EXPECT_NE(GetMainWindowHandle(), nullptr);
        EXPECT_EQ(ApiProcessWindowMessages(), 0);
        EXPECT_EQ(ApiTerminateLibrary(), 0);
        ExpectNothingLeft();
    }
}

TEST(Startup, ScreenFailureAfterInputStartedEndsInputToo) {
    EngineSession session(false);
    const int status = RunInChild([] {
        // Full screen on a display that refuses every mode: the screen stage, after input,
        // ends the process through the fatal-error exit.
        RefuseDisplayModes refuse({{640, 480, 16, -1}}, true);
        ApiInitializeLibrary();
        return 1;
    }, kChildWithExitChecks);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    const std::size_t input_up = log.find("T:DirectInput 関連の初期化は正常に終了しました\r\n");
    ASSERT_NE(input_up, std::string::npos) << log;
    const std::size_t fatal = log.find("予期せぬ画面モード変更不能現象が起きました", input_up);
    ASSERT_NE(fatal, std::string::npos) << log;
    const std::size_t input_down = log.find("DirectInput 関連の終了処理... 完了\r\n", fatal);
    EXPECT_NE(input_down, std::string::npos) << log;
    // The fatal exit keeps the screen stage's log indent; input ends before the window goes.
    EXPECT_LT(input_down, log.find("ウインドウが破棄されようとしています\r\n", fatal)) << log;
}

TEST(Startup, SoundFailureIsIgnoredAndRepeatedCallsDoNothing) {
    EngineSession session;
    // Sound has no device here: its start-up fails and the engine still comes up.
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    EXPECT_EQ(GetSystemBlock()->initialised, 1);
    const std::string before = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_EQ(ApiInitializeLibrary(), 0);
    EXPECT_EQ(MaskedLog(session.dir().path() / "Log.txt"), before);
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    const std::string after = MaskedLog(session.dir().path() / "Log.txt");
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(MaskedLog(session.dir().path() / "Log.txt"), after);
}

TEST(Startup, ShutdownRestoresTheStartupDirectory) {
    EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    std::filesystem::create_directories(session.dir().path() / "elsewhere");
    std::filesystem::current_path(session.dir().path() / "elsewhere");
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(std::filesystem::current_path(), session.dir().path());
}

TEST(Startup, ShutdownEndsEvenWhenAnEarlierCloseWasHeldBack) {
    EngineSession session;
    const ScopedValue<std::int32_t> held_back(GetSystemBlock()->settings.close_does_not_end, 1);
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    const HWND main = GetMainWindowHandle();
    // The user's close is held back: the window stays and the engine goes on.
    platform_hooks::InjectWindowEvent(main, platform_hooks::WindowEvent::kClose);
    EXPECT_EQ(ApiProcessWindowMessages(), 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(GetSystemBlock()->ending, 4);
    GetSystemBlock()->window.close_posted = 1;
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_FALSE(IsWindow(main));
}

TEST(Startup, FatalErrorExitLogsShutsDownAndEndsWithMinusOne) {
    EngineSession session;
    const int status = RunInChild([] {
        if (ApiInitializeLibrary() != 0) return 1;
        FatalErrorExitFormat("致命的な誤り %d", 7);
    }, kChildWithExitChecks);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);
    const std::string log = MaskedLog(session.dir().path() / "Log.txt");
    const std::size_t message = log.find("T:致命的な誤り 7\r\n");
    ASSERT_NE(message, std::string::npos) << log;
    EXPECT_NE(log.find("T:ウインドウが破棄されようとしています\r\n", message), std::string::npos) << log;
    EXPECT_TRUE(Contains(log, "T:ＣＯＭを終了... 完了\r\n")) << log;
    EXPECT_TRUE(Contains(log, "Alloc memory dump\r\n")) << log;
    EXPECT_FALSE(std::filesystem::exists(platform_hooks::InstanceLockPath("D123987X")));
}
