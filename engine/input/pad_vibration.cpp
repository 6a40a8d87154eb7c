// Pad vibration: keeps each joypad's sine and constant-force effects in line with its
// vibrating flag and power, ends a vibration when its duration has run out, and stops
// every effect while the window is inactive. DirectInput mode only.
#include <cstdint>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "platform/kernel.h"

namespace {

bool HasDirectInput(const InputState& input) {
    return input.object != nullptr && input.object != kWinmmInputObject;
}

// Ends one pad's vibration; the caller has checked the index.
void EndPadVibration(PadRecord& pad) {
    if (pad.device == nullptr || pad.constant_effect == nullptr || !pad.vibrating) return;
    pad.vibrating = 0;
    pad.power = DI_FFNOMINALMAX;
    ApplyJoypadVibration();
}

}  // namespace

int ApplyJoypadVibration() {
    InputState& input = *GetInputState();
    if (!HasDirectInput(input)) return 0;
    const bool active = IsWindowActive() != 0;
    for (int i = 0; i < input.pad_count && i < kMaxPads; ++i) {
        PadRecord& pad = input.pads[i];
        if (pad.device == nullptr) continue;
        if (!active) {
            if (pad.constant_effect != nullptr && pad.constant_playing) pad.constant_effect->Stop();
            if (pad.sine_effect != nullptr && pad.sine_playing) pad.sine_effect->Stop();
            pad.constant_playing = 0;
            pad.sine_playing = 0;
            continue;
        }
        if (pad.constant_effect != nullptr && pad.constant_playing != pad.vibrating) {
            if (pad.vibrating) {
                pad.constant_effect->Start(1, 0);
            } else {
                pad.constant_effect->Stop();
            }
            pad.constant_playing = pad.vibrating;
        }
        // The sine effect adds to the constant force only above half power.
        constexpr std::int32_t kHalfPower = DI_FFNOMINALMAX / 2;
        const std::int32_t sine_wanted = pad.vibrating && pad.power > kHalfPower ? 1 : 0;
        if (pad.sine_effect != nullptr && pad.sine_playing != sine_wanted) {
            if (sine_wanted) {
                pad.sine_effect->Start(1, 0);
            } else {
                pad.sine_effect->Stop();
            }
            pad.sine_playing = sine_wanted;
        }
    }
    return 0;
}

int TickJoypadVibration() {
    InputState& input = *GetInputState();
    if (!HasDirectInput(input)) return 0;
    const std::uint32_t now = timeGetTime();
    for (int i = 0; i < input.pad_count && i < kMaxPads; ++i) {
        PadRecord& pad = input.pads[i];
        if (!pad.vibrating || pad.device == nullptr || pad.duration < 0 || pad.last_tick == now) continue;
        // A counter that went back adds nothing this time.
        if (now < pad.last_tick) pad.last_tick = now;
        const std::int64_t elapsed = static_cast<std::int64_t>(pad.elapsed) + (now - pad.last_tick);
        pad.elapsed = elapsed > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(elapsed);
        pad.last_tick = now;
        // Ended here directly: this runs inside the message processing, where waiting for
        // the window to become active again would only nest the processing.
        if (pad.elapsed >= pad.duration) EndPadVibration(pad);
    }
    ApplyJoypadVibration();
    return 0;
}

int StopPadVibration(int pad_number) {
    GetShellHooks()->wait_while_inactive();
    InputState& input = *GetInputState();
    if (input.object == nullptr && !IsWindowClosePosted()) return InitializeInput();
    const long long index = static_cast<long long>(pad_number & ~kPadWithKeys) - 1;
    if (index < 0 || index >= input.pad_count || index >= kMaxPads) return 0;
    EndPadVibration(input.pads[index]);
    return 0;
}
