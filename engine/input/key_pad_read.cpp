// Key states and pad state masks read on demand: the keyboard and each joypad polled at
// most once per millisecond unless their event fired, the window messages pumped inside
// every poll, the lazy restart of input after a stop, the virtual-key table and the
// default keyboard-to-pad map. Relies on the devices of input_startup.cpp.
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "platform/kernel.h"
#include "platform/keyboard_state.h"
#include "platform/mm_joystick.h"

namespace {

constexpr std::uint16_t kPartMarker = 0xFFFE;
constexpr std::uint16_t kTableEnd = 0xFFFF;

// Pairs of (virtual key, key code). The pairs before the marker are the keys whose
// state the window system's keyboard state gives in DirectInput mode too; the fallback
// uses both parts. The arrow keys and the numeric keypad (but keypad enter) are absent.
constexpr std::uint16_t VirtualKeyToKeyCodeTable[][2] = {
    {'A', 0x1E}, {'B', 0x30}, {'C', 0x2E}, {'D', 0x20}, {'E', 0x12}, {'F', 0x21}, {'G', 0x22},
    {'H', 0x23}, {'I', 0x17}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {'M', 0x32}, {'N', 0x31},
    {'O', 0x18}, {'P', 0x19}, {'Q', 0x10}, {'R', 0x13}, {'S', 0x1F}, {'T', 0x14}, {'U', 0x16},
    {'V', 0x2F}, {'W', 0x11}, {'X', 0x2D}, {'Y', 0x15}, {'Z', 0x2C},
    {'0', 0x0B}, {'1', 0x02}, {'2', 0x03}, {'3', 0x04}, {'4', 0x05}, {'5', 0x06}, {'6', 0x07},
    {'7', 0x08}, {'8', 0x09}, {'9', 0x0A},
    {0xBB, 0x27}, {0xBA, 0x92}, {0xDB, 0x1A}, {0xDD, 0x1B}, {0xC0, 0x91}, {0xE2, 0x2B},
    {0xBC, 0x33}, {0xBD, 0x0C}, {0xDC, 0x7D}, {0xBE, 0x34}, {0xBF, 0x35},
    {0x2E, 0xD3}, {0x1B, 0x01}, {0x20, 0x39}, {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C},
    {kPartMarker, 0},
    {0x0D, 0x9C},
    {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x9D},
    {0x21, 0xC9}, {0x22, 0xD1}, {0x23, 0xCF}, {0x24, 0xC7}, {0x2D, 0xD2},
    {0xA4, 0x38}, {0xA5, 0xB8}, {0x91, 0x46}, {0x14, 0x3A}, {0x13, 0xC5},
    {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41},
    {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
    {kTableEnd, 0},
};

// Copies the virtual keys' bytes over their key codes' bytes: part 1 only, or both parts.
void CopyVirtualKeys(const BYTE (&virtual_keys)[256], std::uint8_t* buffer, bool both_parts) {
    for (const auto& pair : VirtualKeyToKeyCodeTable) {
        if (pair[0] == kTableEnd) break;
        if (pair[0] == kPartMarker) {
            if (!both_parts) break;
            continue;
        }
        buffer[pair[1] & 0xFF] = virtual_keys[pair[0] & 0xFF];
    }
}

bool IsSignalled(HANDLE event) { return event != nullptr && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

bool HasDirectInput(const InputState& input) {
    return input.object != nullptr && input.object != kWinmmInputObject;
}

// The beginning both reads share: wait while the window is inactive, then, when input
// is not started (and the engine has not closed its own window), start it and have the
// caller return without reading.
bool StartsInputInstead(int* result) {
    GetShellHooks()->wait_while_inactive();
    if (GetInputState()->object == nullptr && !IsWindowClosePosted()) {
        *result = InitializeInput();
        return true;
    }
    return false;
}

int PollKeyboardDirectInput(InputState& input) {
    const std::uint32_t now = timeGetTime();
    if (now == input.keyboard_last_poll_time && !IsSignalled(input.keyboard_event)) return 0;
    if (GetShellHooks()->pump_messages() != 0) return 0;
    if (input.object == nullptr || input.keyboard == nullptr) return 0;  // stopped meanwhile
    std::uint8_t states[256];
    if (FAILED(input.keyboard->GetDeviceState(sizeof states, states))) {
        if (FAILED(input.keyboard->Acquire())) return 0;
        if (FAILED(input.keyboard->GetDeviceState(sizeof states, states))) return 0;
    }
    std::memcpy(input.key_state_buffer, states, sizeof states);
    input.keyboard_last_poll_time = now;
    if (IsSignalled(input.keyboard_event)) ResetEvent(input.keyboard_event);
    if (GetCurrentThreadId() == GetSystemBlock()->window.window_thread_id) {
        BYTE virtual_keys[256];
        GetKeyboardState(virtual_keys);
        CopyVirtualKeys(virtual_keys, input.key_state_buffer, false);
    }
    return 1;
}

int PollKeyboardFallback(InputState& input) {
    const std::uint32_t now = timeGetTime();
    if (now == input.keyboard_last_poll_time) return 0;
    input.keyboard_last_poll_time = now;
    if (GetShellHooks()->pump_messages() != 0) return 0;
    BYTE virtual_keys[256];
    if (!GetKeyboardState(virtual_keys)) return 0;
    std::memset(input.key_state_buffer, 0, sizeof input.key_state_buffer);
    CopyVirtualKeys(virtual_keys, input.key_state_buffer, true);
    return 1;
}

void PollJoypadWinmm(PadRecord& pad, int index) {
    const std::uint32_t now = timeGetTime();
    if (now == pad.last_poll_time) return;
    pad.last_poll_time = now;
    JOYINFOEX info;
    std::memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    if (joyGetPosEx(static_cast<UINT>(index), &info) != JOYERR_NOERROR) {
        std::memset(&pad.state, 0, sizeof pad.state);
        return;
    }
    pad.state.lX = MapWinmmAxis(info.dwXpos);
    pad.state.lY = MapWinmmAxis(info.dwYpos);
    pad.state.lZ = pad.has_z_and_r ? MapWinmmAxis(info.dwZpos) : 0;
    pad.state.lRz = pad.has_z_and_r ? MapWinmmAxis(info.dwRpos) : 0;
    for (int i = 0; i < kPadButtonCount; ++i) pad.state.rgbButtons[i] = (info.dwButtons >> i) & 1 ? kKeyDownBit : 0;
}

// After a run of the message processing: whether the record can still be touched.
bool StillUsable(const InputState& input, const PadRecord& pad) { return HasDirectInput(input) && pad.device != nullptr; }

}  // namespace

void ResetKeyToPadMap() {
    InputState& input = *GetInputState();
    for (auto& pad : input.key_to_pad_map) {
        for (auto& bit : pad) {
            for (std::int32_t& slot : bit) slot = -1;
        }
    }
    static constexpr std::int32_t kDefaults[14][2] = {
        {0x50, 0xD0},  // down: keypad 2, down arrow
        {0x4B, 0xCB},  // left: keypad 4, left arrow
        {0x4D, 0xCD},  // right: keypad 6, right arrow
        {0x48, 0xC8},  // up: keypad 8, up arrow
        {0x2C, -1},    // button 0: Z
        {0x2D, -1},    // button 1: X
        {0x2E, -1},    // button 2: C
        {0x1E, -1},    // button 3: A
        {0x1F, -1},    // button 4: S
        {0x20, -1},    // button 5: D
        {0x10, -1},    // button 6: Q
        {0x11, -1},    // button 7: W
        {0x01, -1},    // button 8: Escape
        {0x39, -1},    // button 9: Space
    };
    for (int bit = 0; bit < 14; ++bit) {
        input.key_to_pad_map[0][bit][0] = kDefaults[bit][0];
        input.key_to_pad_map[0][bit][1] = kDefaults[bit][1];
    }
}

int MapWinmmAxis(unsigned int position) {
    // Positions from kDeadZoneLow to kDeadZoneHigh read as centred; the span on each side of
    // that zone (kSideSpan positions) scales to the axis limit.
    constexpr long long kPositionMax = 0xFFFF;
    constexpr long long kPositionCentre = 0x7FFF;
    constexpr long long kDeadZoneLow = 0x6000;
    constexpr long long kDeadZoneHigh = 0xA000;
    constexpr long long kSideSpan = 0x6000;
    const long long p = position > kPositionMax ? kPositionMax : position;
    if (p == 0) return -kPadAxisLimit;
    if (p == kPositionCentre) return 0;
    if (p == kPositionMax) return kPadAxisLimit;
    if (p < kDeadZoneLow) return static_cast<int>((p - kDeadZoneLow) * kPadAxisLimit / kSideSpan);
    if (p <= kDeadZoneHigh) return 0;
    return static_cast<int>((p - kDeadZoneHigh) * kPadAxisLimit / kSideSpan);
}

int PollKeyboardState() {
    InputState& input = *GetInputState();
    if (!input.winmm_mode && input.keyboard != nullptr) return PollKeyboardDirectInput(input);
    return PollKeyboardFallback(input);
}

int PollJoypadState(int index) {
    if (index < 0 || index >= kMaxPads) return -1;
    InputState& input = *GetInputState();
    PadRecord& pad = input.pads[index];
    if (input.object == kWinmmInputObject) {
        PollJoypadWinmm(pad, index);
        return 0;
    }
    if (!StillUsable(input, pad)) return 0;
    const std::uint32_t now = timeGetTime();
    if (now == pad.last_poll_time && !IsSignalled(pad.event)) return 0;
    pad.last_poll_time = now;
    pad.device->Poll();
    DIJOYSTATE state;
    if (SUCCEEDED(pad.device->GetDeviceState(sizeof state, &state))) {
        pad.state = state;
    } else {
        if (GetShellHooks()->pump_messages() != 0 || !StillUsable(input, pad)) return -1;
        if (SUCCEEDED(pad.device->Acquire())) {
            if (GetShellHooks()->pump_messages() != 0 || !StillUsable(input, pad)) return -1;
            if (SUCCEEDED(pad.device->GetDeviceState(sizeof state, &state))) pad.state = state;
        }
    }
    if (IsSignalled(pad.event)) ResetEvent(pad.event);
    return 0;
}

int ReadAllKeyStates(char* key_states) {
    if (key_states == nullptr) return -1;
    InputState& input = *GetInputState();
    int started = 0;
    // The first read after a stop only starts input again; the caller's buffer is left
    // as it was (callers keep their own buffer defined).
    if (StartsInputInstead(&started)) return started;
    PollKeyboardState();
    for (int i = 0; i < kKeyCodeCount; ++i) key_states[i] = (input.key_state_buffer[i] & kKeyDownBit) ? 1 : 0;
    return 0;
}

int ReadPadStateMask(int pad) {
    const bool with_keys = (pad & kPadWithKeys) != 0;
    const long long index = static_cast<long long>(pad & ~kPadWithKeys) - 1;
    std::uint32_t mask = 0;
    int started = 0;
    if (StartsInputInstead(&started)) return started;
    InputState& input = *GetInputState();
    if (index >= 0 && index < input.pad_count && index < kMaxPads) {
        PollJoypadState(static_cast<int>(index));
        const DIJOYSTATE& state = input.pads[index].state;
        if (state.lX < 0) {
            mask |= kPadMaskLeft;
        } else if (state.lX > 0) {
            mask |= kPadMaskRight;
        }
        if (state.lY < 0) {
            mask |= kPadMaskUp;
        } else if (state.lY > 0) {
            mask |= kPadMaskDown;
        }
        for (int i = 0; i < kPadButtonCount; ++i) {
            if (state.rgbButtons[i] & kKeyDownBit) mask |= 1u << (kPadMaskFirstButtonBit + i);
        }
    } else if (!with_keys) {
        return 0;
    }
    if (with_keys) {
        PollKeyboardState();
        const long long row = index < 0 ? 0 : index;
        // The map has eight rows; a higher pad number has no keys.
        if (row < kMaxPads) {
            for (int bit = 0; bit < kPadMaskBits; ++bit) {
                for (const std::int32_t code : input.key_to_pad_map[row][bit]) {
                    if (code >= 0 && code < kKeyCodeCount && (input.key_state_buffer[code] & kKeyDownBit)) {
                        mask |= 1u << bit;
                        break;
                    }
                }
            }
        }
    }
    return static_cast<int>(mask);
}
