// Key states and pad masks: the default keyboard-to-pad map, joypad axes and buttons in
// the mask, the WinMM axis mapping and the WinMM keyboard, at most one read per
// millisecond unless the device's event fired, and the lazy restart after a stop.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "platform/kernel.h"
#include "tests/input/input_fixture.h"

namespace {

class KeyPadRead : public InputTest {
protected:
    void StartWinmm() {
        FailInputStep no_7("DirectInput7.Create");
        FailInputStep no_8("DirectInput8.Create");
        ASSERT_EQ(InitializeInput(), 0);
        ASSERT_EQ(GetInputState()->object, kWinmmInputObject);
    }
    int CountCalls(const std::string& call) {
        int count = 0;
        for (const std::string& line : input_.TakeCalls()) count += line == call ? 1 : 0;
        return count;
    }
    std::vector<int> DownKeys() {
        char keys[256];
        std::memset(keys, 0x55, sizeof keys);
        EXPECT_EQ(ReadAllKeyStates(keys), 0);
        std::vector<int> down;
        for (int i = 0; i < 256; ++i) {
            EXPECT_TRUE(keys[i] == 0 || keys[i] == 1) << i;
            if (keys[i] == 1) down.push_back(i);
        }
        return down;
    }
};

TEST_F(KeyPadRead, DefaultMapMasks) {
    ASSERT_EQ(InitializeInput(), 0);
    struct Case {
        std::initializer_list<int> keys;
        int mask;
    };
    const Case cases[] = {
        {{}, 0},
        {{0xD0}, 1 << 0},                 // down arrow
        {{0x50}, 1 << 0},                 // keypad 2
        {{0xCB}, 1 << 1},                 // left arrow
        {{0x4B}, 1 << 1},                 // keypad 4
        {{0xCD}, 1 << 2},                 // right arrow
        {{0x4D}, 1 << 2},                 // keypad 6
        {{0xC8}, 1 << 3},                 // up arrow
        {{0x48}, 1 << 3},                 // keypad 8
        {{0x2C}, 1 << 4},                 // Z
        {{0x2D}, 1 << 5},                 // X
        {{0x2E}, 1 << 6},                 // C
        {{0x1E}, 1 << 7},                 // A
        {{0x1F}, 1 << 8},                 // S
        {{0x20}, 1 << 9},                 // D
        {{0x10}, 1 << 10},                // Q
        {{0x11}, 1 << 11},                // W
        {{0x01}, 1 << 12},                // Escape
        {{0x39}, 1 << 13},                // Space
        {{0xC8, 0xCB, 0x2C, 0x2E}, 0x5A},  // up, left, Z, C together
        {{0x12, 0x1C, 0x9C}, 0},          // keys outside the map
    };
    for (const Case& c : cases) {
        input_.SetKeys(c.keys);
        clock_.AdvanceMs(1);
        EXPECT_EQ(ReadPadStateMask(1 | 0x1000), c.mask) << std::hex << c.mask;
        // 0x1000 alone is pad 1's row; pad 1 without the flag has no joypad here.
        clock_.AdvanceMs(1);
        EXPECT_EQ(ReadPadStateMask(0x1000), c.mask);
        EXPECT_EQ(ReadPadStateMask(1), 0);
        EXPECT_EQ(ReadPadStateMask(0), 0);
        // Pads 2 to 8 have empty rows; a pad number beyond the rows has none at all.
        EXPECT_EQ(ReadPadStateMask(2 | 0x1000), 0);
        EXPECT_EQ(ReadPadStateMask(8 | 0x1000), 0);
        EXPECT_EQ(ReadPadStateMask(9 | 0x1000), 0);
        EXPECT_EQ(ReadPadStateMask(0x0FFF | 0x1000), 0);
        EXPECT_EQ(ReadPadStateMask(0x7FFFEFFF), 0);
        EXPECT_EQ(ReadPadStateMask(static_cast<int>(0x8000EFFFu)), 0);
    }
}

TEST_F(KeyPadRead, JoypadAxesAndButtonsInTheMask) {
    input_.AttachPad(NamedPad("First"));
    input_.AttachPad(NamedPad("Second"));
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_EQ(GetInputState()->pad_count, 2);
    struct Case {
        const char* name;
        int axes[2];
        bool up, down, left, right;
        std::uint32_t buttons;
        int mask;
    };
    const Case cases[] = {
        {"centred", {0, 0}, false, false, false, false, 0, 0},
        {"inside the dead zone", {8000, -8000}, false, false, false, false, 0, 0},
        {"stick left", {-20000, 0}, false, false, false, false, 0, 1 << 1},
        {"stick right", {20000, 0}, false, false, false, false, 0, 1 << 2},
        {"stick up", {0, -20000}, false, false, false, false, 0, 1 << 3},
        {"stick down", {0, 20000}, false, false, false, false, 0, 1 << 0},
        {"d-pad up and left", {0, 0}, true, false, true, false, 0, (1 << 3) | (1 << 1)},
        {"d-pad right over the stick", {-30000, 0}, false, false, false, true, 0, 1 << 2},
        {"buttons 0, 1 and 11", {0, 0}, false, false, false, false, 0x803, (1 << 4) | (1 << 5) | (1 << 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform_hooks::ScriptedPad state;
        state.axes[0] = c.axes[0];
        state.axes[1] = c.axes[1];
        state.dpad_up = c.up;
        state.dpad_down = c.down;
        state.dpad_left = c.left;
        state.dpad_right = c.right;
        state.buttons = c.buttons;
        input_.SetPad(1, state);
        clock_.AdvanceMs(1);
        EXPECT_EQ(ReadPadStateMask(2), c.mask);
        EXPECT_EQ(ReadPadStateMask(1), 0);
        // Pad 3 is beyond the two pads: nothing without the flag, the (empty) map with it.
        EXPECT_EQ(ReadPadStateMask(3), 0);
        EXPECT_EQ(ReadPadStateMask(3 | 0x1000), 0);
    }
    // The key map adds to pad 1's own bits.
    platform_hooks::ScriptedPad pressed;
    pressed.buttons = 1;
    input_.SetPad(0, pressed);
    input_.SetKeys({0xCD});
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(1 | 0x1000), (1 << 4) | (1 << 2));
}

TEST_F(KeyPadRead, JoypadAxesAreScaledToTheRangeWithTheDeadZone) {
    input_.AttachPad(NamedPad("Pad"));
    ASSERT_EQ(InitializeInput(), 0);
    struct Case {
        int raw;
        int scaled;
    };
    // A quarter of the travel is dead; the rest spreads over 0..1000.
    const Case cases[] = {{0, 0},         {8191, 0},        {-8191, 0},         {8192, 0},
                          {8193, 0},      {16384, 333},     {-16384, -333},     {24576, 666},
                          {32767, 1000},  {-32768, -1000},  {-32767, -1000},    {32766, 999}};
    for (const Case& c : cases) {
        platform_hooks::ScriptedPad state;
        state.axes[0] = c.raw;
        state.axes[1] = -c.raw;
        state.axes[2] = c.raw;
        state.axes[3] = c.raw;
        input_.SetPad(0, state);
        clock_.AdvanceMs(1);
        ASSERT_EQ(PollJoypadState(0), 0);
        const DIJOYSTATE& read = GetInputState()->pads[0].state;
        EXPECT_EQ(read.lX, c.scaled) << c.raw;
        EXPECT_EQ(read.lY, c.raw == -32768 ? 1000 : -c.scaled) << c.raw;
        EXPECT_EQ(read.lZ, c.scaled) << c.raw;
        EXPECT_EQ(read.lRz, c.scaled) << c.raw;
    }
    EXPECT_EQ(PollJoypadState(8), -1);
    EXPECT_EQ(PollJoypadState(-1), -1);
}

TEST_F(KeyPadRead, WinmmAxisMapping) {
    struct Case {
        unsigned int position;
        int value;
    };
    const Case cases[] = {
        {0, -1000},      {1, -999},       {0x3000, -500}, {0x5000, -166}, {0x5FFF, 0},   {0x6000, 0},
        {0x7FFF, 0},     {0x8000, 0},     {0xA000, 0},    {0xA001, 0},    {0xA019, 1},   {0xD000, 500},
        {0xFFFE, 999},   {0xFFFF, 1000},  {0x10000, 1000},
    };
    for (const Case& c : cases) EXPECT_EQ(MapWinmmAxis(c.position), c.value) << std::hex << c.position;
}

TEST_F(KeyPadRead, WinmmPadsReadThroughTheJoystickCalls) {
    platform_hooks::ScriptedPad pad = NamedPad("Stick");
    pad.button_count = 32;
    input_.AttachPad(pad);
    StartWinmm();
    platform_hooks::ScriptedPad state;
    state.axes[0] = -32768;                    // position 0
    state.axes[1] = 0x5000 - 32768;            // position 0x5000
    state.axes[2] = 32767;                     // position 0xFFFF
    state.axes[3] = 0xFFFE - 32768;            // position 0xFFFE
    state.buttons = (1u << 0) | (1u << 23) | (1u << 24);
    input_.SetPad(0, state);
    clock_.AdvanceMs(1);
    ASSERT_EQ(PollJoypadState(0), 0);
    const DIJOYSTATE& read = GetInputState()->pads[0].state;
    EXPECT_EQ(read.lX, -1000);
    EXPECT_EQ(read.lY, -166);
    EXPECT_EQ(read.lZ, 1000);
    EXPECT_EQ(read.lRz, 999);
    EXPECT_EQ(read.rgbButtons[0], 0x80);
    EXPECT_EQ(read.rgbButtons[23], 0x80);
    EXPECT_EQ(read.rgbButtons[24], 0);  // only 24 buttons come through
    EXPECT_EQ(ReadPadStateMask(1), (1 << 1) | (1 << 3) | (1 << 4) | (1 << 27));
    // A pad without a joystick reads as centred with no buttons.
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(2), 0);
    input_.DetachPad(0);
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(1), 0);
    EXPECT_EQ(GetInputState()->pads[0].state.lX, 0);
}

TEST_F(KeyPadRead, WinmmKeyboardComesFromTheKeyboardState) {
    StartWinmm();
    // Arrows and the keypad have no key code here, so the default directions do nothing;
    // the letters, Escape and Space of the map work.
    input_.SetKeys({0xC8, 0x48, 0x2C, 0x01, 0x39});
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(0x1000), (1 << 4) | (1 << 12) | (1 << 13));
    // Return sets both of its key codes.
    input_.SetKeys({0x1C});
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), (std::vector<int>{0x1C, 0x9C}));
    input_.SetKeys({0x9C});
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), (std::vector<int>{0x1C, 0x9C}));
    input_.SetKeys({0x2A, 0x3B, 0x58, 0xD3});  // left shift, F1, F12, delete
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), (std::vector<int>{0x2A, 0x3B, 0x58, 0xD3}));
}

TEST_F(KeyPadRead, DirectInputKeysAndTheWindowThreadsKeyboardState) {
    ASSERT_EQ(InitializeInput(), 0);
    input_.SetKeys({0xC8, 0x1E, 0x9C});
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), (std::vector<int>{0x1E, 0x9C, 0xC8}));
    // A released key's toggle bit: part-1 keys take the keyboard state's byte on the
    // window's thread only.
    input_.SetKeys({});
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), std::vector<int>{});
    EXPECT_EQ(GetInputState()->key_state_buffer[0x1E], 0x00);
    GetSystemBlock()->window.window_thread_id = GetCurrentThreadId();
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), std::vector<int>{});
    EXPECT_EQ(GetInputState()->key_state_buffer[0x1E], 0x01);
    EXPECT_EQ(GetInputState()->key_state_buffer[0xC8], 0x00);
}

TEST_F(KeyPadRead, OneKeyboardReadPerMillisecondUnlessSignalled) {
    ASSERT_EQ(InitializeInput(), 0);
    clock_.AdvanceMs(1);
    input_.TakeCalls();
    EXPECT_EQ(PollKeyboardState(), 1);
    EXPECT_EQ(PollKeyboardState(), 0);
    EXPECT_EQ(DownKeys(), std::vector<int>{});
    EXPECT_EQ(CountCalls("Keyboard.GetDeviceState"), 1);
    // A key event in the same millisecond is read at once, and only once.
    input_.Press(0x2C);
    EXPECT_EQ(DownKeys(), std::vector<int>{0x2C});
    EXPECT_EQ(PollKeyboardState(), 0);
    EXPECT_EQ(CountCalls("Keyboard.GetDeviceState"), 1);
    clock_.AdvanceMs(1);
    EXPECT_EQ(PollKeyboardState(), 1);
    EXPECT_EQ(CountCalls("Keyboard.GetDeviceState"), 1);
}

TEST_F(KeyPadRead, OneJoypadReadPerMillisecondUnlessSignalled) {
    input_.AttachPad(NamedPad("Pad"));
    ASSERT_EQ(InitializeInput(), 0);
    clock_.AdvanceMs(1);
    input_.TakeCalls();
    EXPECT_EQ(ReadPadStateMask(1), 0);
    EXPECT_EQ(ReadPadStateMask(1), 0);
    EXPECT_EQ(CountCalls("Joystick0.GetDeviceState"), 1);
    platform_hooks::ScriptedPad state;
    state.buttons = 2;
    input_.SetPad(0, state);
    EXPECT_EQ(ReadPadStateMask(1), 1 << 5);
    EXPECT_EQ(ReadPadStateMask(1), 1 << 5);
    EXPECT_EQ(CountCalls("Joystick0.GetDeviceState"), 1);
}

TEST_F(KeyPadRead, FailedReadsKeepTheLastStates) {
    input_.AttachPad(NamedPad("Pad"));
    ASSERT_EQ(InitializeInput(), 0);
    platform_hooks::ScriptedPad state;
    state.buttons = 1;
    input_.SetPad(0, state);
    input_.SetKeys({0x2C});
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(1 | 0x1000), 1 << 4);
    state.buttons = 0;
    input_.SetPad(0, state);
    input_.SetKeys({});
    {
        FailInputStep keyboard("Keyboard.GetDeviceState");
        FailInputStep joystick("Joystick.GetDeviceState");
        clock_.AdvanceMs(1);
        EXPECT_EQ(ReadPadStateMask(1 | 0x1000), 1 << 4);
        EXPECT_EQ(DownKeys(), std::vector<int>{0x2C});
    }
    // A lost device is acquired again by the next read.
    clock_.AdvanceMs(1);
    input_.TakeCalls();
    EXPECT_EQ(ReadPadStateMask(1 | 0x1000), 0);
    EXPECT_EQ(DownKeys(), std::vector<int>{});
}

TEST_F(KeyPadRead, LazyRestartAfterAStopReadsNothingAndTheNextCallReads) {
    input_.AttachPad(NamedPad("Pad"));
    ASSERT_EQ(InitializeInput(), 0);
    input_.SetKeys({0x2C});
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), std::vector<int>{0x2C});
    // A display rebuild stops input.
    TerminateInput();
    input_.TakeCalls();
    clock_.AdvanceMs(1);
    char keys[256];
    std::memset(keys, 0x55, sizeof keys);
    EXPECT_EQ(ReadAllKeyStates(keys), 0);
    EXPECT_NE(GetInputState()->object, nullptr);
    // No device was read, and the buffer is left untouched.
    EXPECT_EQ(CountCalls("Keyboard.GetDeviceState"), 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(keys[i], 0x55) << i;
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), std::vector<int>{0x2C});

    TerminateInput();
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(1 | 0x1000), 0);
    EXPECT_NE(GetInputState()->object, nullptr);
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(1 | 0x1000), 1 << 4);
}

TEST_F(KeyPadRead, AfterTheEngineClosedItsWindowReadsGoOnWithoutInput) {
    GetSystemBlock()->window.close_posted = 1;
    input_.SetKeys({0x2C});
    clock_.AdvanceMs(1);
    EXPECT_EQ(DownKeys(), std::vector<int>{0x2C});
    EXPECT_EQ(GetInputState()->object, nullptr);
    EXPECT_EQ(ReadPadStateMask(1), 0);
    EXPECT_EQ(ReadAllKeyStates(nullptr), -1);
}

}  // namespace
