// The window system's keyboard state by virtual-key code, taken from the same key
// states as the keyboard device of platform/dinput.h (platform/sdl/key_codes.cpp).
#pragma once

#include "platform/kernel_types.h"

// 256 bytes, one per virtual-key code: bit 7 set while the key is down, bit 0 toggled at
// every press (for Caps Lock, Num Lock and Scroll Lock: the lock is on). VK_SHIFT,
// VK_CONTROL and VK_MENU are down while either of their two keys is.
BOOL GetKeyboardState(BYTE* key_states);
