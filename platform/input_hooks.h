// Seams inside the platform layer for tests of the input code: scripted key and
// controller states in place of the real devices, failure injection for every creation
// step of the input-device objects, and a record of the calls that tests check (device
// creation, acquisition, effects, rumble). The engine never includes this header;
// platform/testing/input_testing.h wraps it for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform_hooks {

// ---- scripted devices -----------------------------------------------------------------
// While on, the keyboard, GetKeyboardState and the game controllers (for the
// input-device objects and the multimedia joystick calls alike) read the script instead
// of the machine. Switching it on or off clears the script.
void SetScriptedInput(bool on);
bool IsScriptedInput();

// A key by key code (the keyboard device's codes, 0-255). A change sets the event of an
// acquired keyboard, as a real key event would.
void SetScriptedKey(int key_code, bool down);
void ReleaseAllScriptedKeys();

// One controller of the script. Stick axes run from -32768 to 32767 (left x, left y,
// right x, right y; y grows downward), triggers from 0 to 32767.
struct ScriptedPad {
    std::string name = "Scripted Pad";             // instance name (CP932)
    std::string product_name = "Scripted Gamepad";  // product name (CP932)
    bool rumble = true;                             // has motors
    int button_count = 12;
    std::int32_t axes[6] = {0, 0, 0, 0, 0, 0};  // left x, left y, right x, right y, left trigger, right trigger
    bool dpad_up = false;
    bool dpad_down = false;
    bool dpad_left = false;
    bool dpad_right = false;
    std::uint32_t buttons = 0;  // bit i = button i
};
// Attaches a controller after those already attached; returns its joystick identifier
// (its place among the attached controllers).
int AttachScriptedPad(const ScriptedPad& pad);
// Removes the controller; the ones after it move up one place.
void DetachScriptedPad(int place);
// New axes, D-pad and buttons for the controller at that place (its names, rumble and
// button count stay). A change sets the event of the acquired devices made for it.
void SetScriptedPadState(int place, const ScriptedPad& pad);

// Rumble asked of a controller: low- and high-frequency motor strengths (0-65535) and
// how long, in milliseconds (0 = stop).
struct RumbleRecord {
    int place;
    std::uint16_t low;
    std::uint16_t high;
    std::uint32_t duration_ms;
};
std::vector<RumbleRecord> TakeRumbleRecords();

// ---- failure injection ---------------------------------------------------------------------
// After `skip` calls of the named step succeeded, the next `count` calls fail (a
// negative count: every later call); 0 clears. Steps:
//   "DirectInput7.Create", "DirectInput7.Initialize", "DirectInput8.Create",
//   "DirectInput8.Initialize", "Keyboard.<call>", "Mouse.<call>", "Joystick.<call>" with
//   <call> one of CreateDevice, SetDataFormat, SetCooperativeLevel, SetEventNotification,
//   Acquire, GetDeviceState, Poll, and for SetProperty: "<device>.SetProperty.BufferSize",
//   "Joystick.SetProperty.Range.X" (or Y, Z, Rz), "Joystick.SetProperty.DeadZone.X" (or
//   Y, Z, Rz); effects: "Joystick.CreateEffect.Sine", "Joystick.CreateEffect.ConstantForce";
//   multimedia joystick: "joyGetDevCapsA", "joyGetPosEx".
void SetInputFailure(const char* step, int count, int skip = 0);
void ClearInputFailures();
// Used by the platform calls themselves: true (and one failure used up) when the step is
// to fail now.
bool TakeInputFailure(const char* step);

// ---- call record -----------------------------------------------------------------------------
// Lines such as "DirectInput8.CreateDevice Keyboard", "Joystick0.Acquire",
// "Joystick0.SetCooperativeLevel 5", "Joystick0.Effect.Sine.Start", in call order, since
// the last take.
std::vector<std::string> TakeInputCallRecord();
// Used by the platform calls.
void RecordInputCall(const std::string& line);

}  // namespace platform_hooks
