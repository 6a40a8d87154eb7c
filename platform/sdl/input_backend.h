// Shared source of the input stand-ins: the key states by key code and by virtual key,
// the attached game controllers and their readings, rumble, and the events that devices
// set when new data arrives; either from SDL or from the test script
// (platform/input_hooks.h). Only platform/sdl/*.cpp include it; everything runs on the
// thread that pumps the window messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dinput.h"
#include "platform/kernel_types.h"

namespace sdl_input {

// ---- key codes (key_codes.cpp) -------------------------------------------------------------
// Key states by key code: 0x80 down, 0 up.
void ReadKeyCodeStates(BYTE states[256]);
// Key states by virtual key, as GetKeyboardState gives them.
void ReadVirtualKeyStates(BYTE states[256]);
// The virtual key of a key code (0 when it has none).
BYTE VirtualKeyOfKeyCode(int key_code);
// Flips the toggle bit of the key code's virtual key (a press was seen).
void NoteKeyPressed(int key_code);
// The key code of an SDL scancode, 0 when it has none.
int KeyCodeOfScancode(int scancode);
// Empties the scripted key states and the toggle bits.
void ResetKeyStates();

// ---- controllers (input_backend.cpp) ------------------------------------------------------------
// Ids stay with one connection of one controller; places are the attach order.
struct PadInfo {
    std::uint32_t id;
    std::string name;          // CP932
    std::string product_name;  // CP932
    bool game_controller;      // has the standard layout (else a plain joystick)
};
std::vector<PadInfo> AttachedPads();
bool IsPadAttached(std::uint32_t id);
// The place of an attached controller, -1 when it is gone.
int PlaceOfPad(std::uint32_t id);

// A reading in the controller's own terms: stick axes -32768..32767, triggers 0..32767,
// the D-pad (or the first hat), buttons in order without the D-pad.
constexpr std::int32_t kRawAxisMin = -32768;
constexpr std::int32_t kRawAxisMax = 32767;
constexpr int kMaxPadButtons = 32;  // the bits of PadReading::buttons
struct PadReading {
    std::int32_t axes[6];  // left x, left y, right x, right y, left trigger, right trigger
    bool up;
    bool down;
    bool left;
    bool right;
    std::uint32_t buttons;
    int button_count;
    int axis_count;
};
// Opening keeps the controller's state current; each open needs one close.
bool OpenPad(std::uint32_t id);
void ClosePad(std::uint32_t id);
// Brings the open controllers up to date.
void UpdatePads();
// False when the controller is not attached (any more).
bool ReadPad(std::uint32_t id, PadReading* reading);
bool PadHasRumble(std::uint32_t id);
bool RumblePad(std::uint32_t id, std::uint16_t low, std::uint16_t high, std::uint32_t duration_ms);

// ---- the SDL subsystem for controllers --------------------------------------------------------
// Reference-counted start of SDL's controller support. False when nothing was taken
// (while scripted, or when SDL refuses); release only what was taken.
bool AcquireControllerSupport();
void ReleaseControllerSupport();

// ---- new-data events -------------------------------------------------------------------------
// A device's event while it is acquired: set on every key change (keyboard) or every
// change of that controller (joystick). The owner key identifies the device.
enum class Source { kKeyboard, kPad };
void SetDataListener(const void* owner, Source source, std::uint32_t pad_id, HANDLE event);
void RemoveDataListener(const void* owner);
void SignalKeyboardListeners();
void SignalPadListeners(std::uint32_t pad_id);

// ---- test seams --------------------------------------------------------------------------------
bool Scripted();
// Fails the step when the test asked for it.
bool Fail(const char* step);
// Records a call while scripted.
void Record(const std::string& line);

}  // namespace sdl_input
