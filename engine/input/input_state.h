// The input subsystem's one process-wide state: the DirectInput object (or the WinMM
// marker), the keyboard and mouse devices, up to eight joypad records, the key states
// and the keyboard-to-pad map. Relies on the platform's input-device objects.
#pragma once

#include <cstdint>

#include "platform/dinput.h"
#include "platform/kernel_types.h"

constexpr int kMaxPads = 8;
constexpr int kPadMaskBits = 32;
constexpr int kKeyMapSlots = 4;
// Key states: one byte per key code, bit 7 set while the key is down (the same bit marks a
// pressed pad button).
constexpr int kKeyCodeCount = 256;
constexpr std::uint8_t kKeyDownBit = 0x80;
// Pad axes read from -kPadAxisLimit to kPadAxisLimit.
constexpr int kPadAxisLimit = 1000;

// One joypad, fields in the order the engine keeps them.
struct PadRecord {
    IDirectInputDeviceA* device;
    IDirectInputEffect* constant_effect;
    IDirectInputEffect* sine_effect;
    HANDLE event;
    DIJOYSTATE state;
    std::int32_t has_z_and_r;  // WinMM mode only
    std::uint32_t last_poll_time;
    // Vibration.
    std::int32_t vibrating;
    std::int32_t power;
    std::int32_t duration;  // ms; negative never runs out
    std::int32_t elapsed;
    std::uint32_t last_tick;
    std::int32_t constant_playing;
    std::int32_t sine_playing;
    char instance_name[260];
    char product_name[260];
};

// Each slot holds a key code, or a negative value when empty.
using KeyToPadMap = std::int32_t[kMaxPads][kPadMaskBits][kKeyMapSlots];

struct InputState {
    // Null: not started. The IDirectInput7A or IDirectInput8A interface in DirectInput
    // mode (see `version8`), kWinmmInputObject in WinMM mode.
    IUnknown* object;
    std::int32_t winmm_mode;  // kept by every start
    std::int32_t version8;
    IDirectInputDeviceA* mouse;
    IDirectInputDeviceA* keyboard;
    HANDLE keyboard_event;
    std::uint32_t keyboard_last_poll_time;
    std::uint8_t key_state_buffer[kKeyCodeCount];
    KeyToPadMap key_to_pad_map;
    std::int32_t pad_count;
    PadRecord pads[kMaxPads];
    // Non-zero: InitializeInput reports a failed start-up (-1) at once, touching nothing.
    // Nothing in the engine sets it; the engine's testing library does.
    std::int32_t refuse_startup;
};

// The reserved value of the input object in WinMM mode; never a real interface.
inline IUnknown* const kWinmmInputObject = reinterpret_cast<IUnknown*>(~std::uintptr_t{0});

InputState* GetInputState();
