// Test hooks for the input stand-ins: scripted keys and controllers in place of the
// machine's (set them frame by frame), the rumble and the calls the stand-ins saw, and
// failure of a named creation step. Each is undone when the object goes away.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/input_hooks.h"

class ScriptedInput {
public:
    ScriptedInput();
    ~ScriptedInput();
    ScriptedInput(const ScriptedInput&) = delete;
    ScriptedInput& operator=(const ScriptedInput&) = delete;

    void Press(int key_code);
    void Release(int key_code);
    // Exactly these key codes are down from now on.
    void SetKeys(std::initializer_list<int> key_codes);

    // Returns the controller's joystick identifier.
    int AttachPad(const platform_hooks::ScriptedPad& pad = {});
    void DetachPad(int place);
    void SetPad(int place, const platform_hooks::ScriptedPad& state);

    std::vector<platform_hooks::RumbleRecord> TakeRumble();
    std::vector<std::string> TakeCalls();
};

// While it lives, the named step fails `count` times (negative: every time) after
// `skip` successful calls. Step names: platform/input_hooks.h.
class FailInputStep {
public:
    explicit FailInputStep(const char* step, int count = -1, int skip = 0);
    ~FailInputStep();
    FailInputStep(const FailInputStep&) = delete;
    FailInputStep& operator=(const FailInputStep&) = delete;

private:
    std::string step_;
};
