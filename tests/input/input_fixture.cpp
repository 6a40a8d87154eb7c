// The input tests' shared set-up.
#include "tests/input/input_fixture.h"

#include "engine/core/system_block.h"
#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "platform/com.h"
#include "tests/support/test_log.h"

namespace {

// Input stopped and the process-wide switches the tests set (WinMM mode, a posted close,
// the window thread) as in a fresh process.
void ResetSharedInputState() {
    TerminateInput();
    GetInputState()->winmm_mode = 0;
    GetSystemBlock()->window.close_posted = 0;
    GetSystemBlock()->window.window_thread_id = 0;
}

}  // namespace

void InputTest::SetUp() {
    ASSERT_GE(CoInitialize(nullptr), 0);
    ResetSharedInputState();
    StartTestLog();
    SetWindowActive(true);
}

void InputTest::TearDown() {
    ResetSharedInputState();
    CoUninitialize();
}

std::string InputTest::Log() const { return ReadTestLogWithoutStamps().substr(log_mark_); }

void InputTest::MarkLog() { log_mark_ = ReadTestLogWithoutStamps().size(); }

std::vector<std::string> InputTest::TakeCalls(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& call : input_.TakeCalls()) {
        if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
    }
    return out;
}

void InputTest::SetWindowActive(bool active) { GetSystemBlock()->window.active = active ? 1 : 0; }

platform_hooks::ScriptedPad NamedPad(const std::string& name, bool rumble) {
    platform_hooks::ScriptedPad pad;
    pad.name = name;
    pad.product_name = name + " product";
    pad.rumble = rumble;
    return pad;
}
