// The input test hooks over platform/input_hooks.h.
#include "platform/testing/input_testing.h"

ScriptedInput::ScriptedInput() { platform_hooks::SetScriptedInput(true); }
ScriptedInput::~ScriptedInput() {
    platform_hooks::SetScriptedInput(false);
    platform_hooks::ClearInputFailures();
}

void ScriptedInput::Press(int key_code) { platform_hooks::SetScriptedKey(key_code, true); }
void ScriptedInput::Release(int key_code) { platform_hooks::SetScriptedKey(key_code, false); }

void ScriptedInput::SetKeys(std::initializer_list<int> key_codes) {
    for (int code = 0; code < 256; ++code) {
        bool down = false;
        for (int wanted : key_codes) down = down || wanted == code;
        platform_hooks::SetScriptedKey(code, down);
    }
}

int ScriptedInput::AttachPad(const platform_hooks::ScriptedPad& pad) { return platform_hooks::AttachScriptedPad(pad); }
void ScriptedInput::DetachPad(int place) { platform_hooks::DetachScriptedPad(place); }
void ScriptedInput::SetPad(int place, const platform_hooks::ScriptedPad& state) {
    platform_hooks::SetScriptedPadState(place, state);
}

std::vector<platform_hooks::RumbleRecord> ScriptedInput::TakeRumble() { return platform_hooks::TakeRumbleRecords(); }
std::vector<std::string> ScriptedInput::TakeCalls() { return platform_hooks::TakeInputCallRecord(); }

FailInputStep::FailInputStep(const char* step, int count, int skip) : step_(step) {
    platform_hooks::SetInputFailure(step, count, skip);
}
FailInputStep::~FailInputStep() { platform_hooks::SetInputFailure(step_.c_str(), 0); }
