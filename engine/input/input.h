// The input room's door: start-up, shutdown and re-acquisition of the devices, key states
// and pad masks read on demand, pad vibration and the private window messages. Driven
// from the thread that owns the main window.
#pragma once

#include "platform/dinput.h"

// ---- start-up, devices, shutdown ---------------------------------------------------------
// 0 when input is started or was already started. Device failures that leave no usable
// keyboard end the process through the fatal-error exit.
int InitializeInput();
int TerminateInput();
// -1 when there is no DirectInput object.
int InitializeJoypads();
// The EnumDevices callback: DIENUM_CONTINUE, or DIENUM_STOP once eight pads are set up.
BOOL AddJoypadDevice(const DIDEVICEINSTANCEA* instance, void* context);
int ReleaseJoypadDevices();
int ReacquireInputDevices();

// ---- key states and pad masks -----------------------------------------------------------------
// 256 bytes: 1 for each key code that is down, 0 for each that is up. Returns 0.
int ReadAllKeyStates(char* key_states);
// Pad number 1 to 8, ORed with kPadWithKeys (0x1000) to add the keyboard-to-pad map: bit 0
// down, 1 left, 2 right, 3 up, bits 4 to 27 buttons 0 to 23.
constexpr int kPadWithKeys = 0x1000;
constexpr unsigned int kPadMaskDown = 1u << 0;
constexpr unsigned int kPadMaskLeft = 1u << 1;
constexpr unsigned int kPadMaskRight = 1u << 2;
constexpr unsigned int kPadMaskUp = 1u << 3;
constexpr int kPadMaskFirstButtonBit = 4;
constexpr int kPadButtonCount = 24;
int ReadPadStateMask(int pad);
// 1 when the key states were read anew, 0 when not.
int PollKeyboardState();
// 0; -1 for an index of 8 or more, or when a retry finds a quit or input stopped.
int PollJoypadState(int index);
// Empties every slot of every pad, then gives pad 1 the default keys.
void ResetKeyToPadMap();
// A WinMM axis position (0 to 65535) in the range -1000 to 1000.
int MapWinmmAxis(unsigned int position);

// ---- vibration ------------------------------------------------------------------------------------
int ApplyJoypadVibration();
int TickJoypadVibration();
// Pad number 1 to 8 (kPadWithKeys ignored).
int StopPadVibration(int pad);

// ---- private window messages 0x46F and 0x470 --------------------------------------------------------
// Each sets one input-side flag when its wParam is 1 and clears it otherwise; the main
// window procedure hands them to the calls below.
constexpr UINT kInputFlagMessage46F = 0x46F;
constexpr UINT kInputFlagMessage470 = 0x470;
void SetMessage46FFlag();
void ClearMessage46FFlag();
void SetMessage470Flag();
void ClearMessage470Flag();
