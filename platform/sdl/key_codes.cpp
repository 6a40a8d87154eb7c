// The platform keyboard: a Japanese 106-key layout over SDL's physical scancodes, giving
// each key its key code (the keyboard device's byte index) and its virtual key, and
// GetKeyboardState built from the same key states. Key states come from SDL or, while
// the test script is on, from the scripted keys (platform/input_hooks.h).
#include <SDL.h>

#include <cstring>

#include "platform/input_hooks.h"
#include "platform/keyboard_state.h"
#include "platform/sdl/input_backend.h"

namespace {

struct KeyEntry {
    SDL_Scancode scancode;
    BYTE key_code;
    BYTE virtual_key;  // 0: none
};

// Keys named by their place on a US keyboard (SDL's names), labelled as on the 106-key
// Japanese keyboard: the key right of L is ';', the next ':', and so on.
constexpr KeyEntry kKeys[] = {
    {SDL_SCANCODE_ESCAPE, 0x01, 0x1B},
    {SDL_SCANCODE_1, 0x02, '1'},
    {SDL_SCANCODE_2, 0x03, '2'},
    {SDL_SCANCODE_3, 0x04, '3'},
    {SDL_SCANCODE_4, 0x05, '4'},
    {SDL_SCANCODE_5, 0x06, '5'},
    {SDL_SCANCODE_6, 0x07, '6'},
    {SDL_SCANCODE_7, 0x08, '7'},
    {SDL_SCANCODE_8, 0x09, '8'},
    {SDL_SCANCODE_9, 0x0A, '9'},
    {SDL_SCANCODE_0, 0x0B, '0'},
    {SDL_SCANCODE_MINUS, 0x0C, 0xBD},
    {SDL_SCANCODE_EQUALS, 0x90, 0xDE},          // '^'
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D, 0xDC},  // yen
    {SDL_SCANCODE_BACKSPACE, 0x0E, 0x08},
    {SDL_SCANCODE_TAB, 0x0F, 0x09},
    {SDL_SCANCODE_Q, 0x10, 'Q'},
    {SDL_SCANCODE_W, 0x11, 'W'},
    {SDL_SCANCODE_E, 0x12, 'E'},
    {SDL_SCANCODE_R, 0x13, 'R'},
    {SDL_SCANCODE_T, 0x14, 'T'},
    {SDL_SCANCODE_Y, 0x15, 'Y'},
    {SDL_SCANCODE_U, 0x16, 'U'},
    {SDL_SCANCODE_I, 0x17, 'I'},
    {SDL_SCANCODE_O, 0x18, 'O'},
    {SDL_SCANCODE_P, 0x19, 'P'},
    {SDL_SCANCODE_LEFTBRACKET, 0x91, 0xC0},   // '@'
    {SDL_SCANCODE_RIGHTBRACKET, 0x1A, 0xDB},  // '['
    {SDL_SCANCODE_RETURN, 0x1C, 0x0D},
    {SDL_SCANCODE_LCTRL, 0x1D, 0xA2},
    {SDL_SCANCODE_A, 0x1E, 'A'},
    {SDL_SCANCODE_S, 0x1F, 'S'},
    {SDL_SCANCODE_D, 0x20, 'D'},
    {SDL_SCANCODE_F, 0x21, 'F'},
    {SDL_SCANCODE_G, 0x22, 'G'},
    {SDL_SCANCODE_H, 0x23, 'H'},
    {SDL_SCANCODE_J, 0x24, 'J'},
    {SDL_SCANCODE_K, 0x25, 'K'},
    {SDL_SCANCODE_L, 0x26, 'L'},
    {SDL_SCANCODE_SEMICOLON, 0x27, 0xBB},
    {SDL_SCANCODE_APOSTROPHE, 0x92, 0xBA},  // ':'
    {SDL_SCANCODE_GRAVE, 0x94, 0xF3},       // half/full width
    {SDL_SCANCODE_LSHIFT, 0x2A, 0xA0},
    {SDL_SCANCODE_BACKSLASH, 0x1B, 0xDD},  // ']'
    {SDL_SCANCODE_NONUSHASH, 0x1B, 0xDD},
    {SDL_SCANCODE_Z, 0x2C, 'Z'},
    {SDL_SCANCODE_X, 0x2D, 'X'},
    {SDL_SCANCODE_C, 0x2E, 'C'},
    {SDL_SCANCODE_V, 0x2F, 'V'},
    {SDL_SCANCODE_B, 0x30, 'B'},
    {SDL_SCANCODE_N, 0x31, 'N'},
    {SDL_SCANCODE_M, 0x32, 'M'},
    {SDL_SCANCODE_COMMA, 0x33, 0xBC},
    {SDL_SCANCODE_PERIOD, 0x34, 0xBE},
    {SDL_SCANCODE_SLASH, 0x35, 0xBF},
    {SDL_SCANCODE_INTERNATIONAL1, 0x2B, 0xE2},  // '\' and '_'
    {SDL_SCANCODE_NONUSBACKSLASH, 0x2B, 0xE2},
    {SDL_SCANCODE_RSHIFT, 0x36, 0xA1},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37, 0x6A},
    {SDL_SCANCODE_LALT, 0x38, 0xA4},
    {SDL_SCANCODE_SPACE, 0x39, 0x20},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, 0x14},
    {SDL_SCANCODE_F1, 0x3B, 0x70},
    {SDL_SCANCODE_F2, 0x3C, 0x71},
    {SDL_SCANCODE_F3, 0x3D, 0x72},
    {SDL_SCANCODE_F4, 0x3E, 0x73},
    {SDL_SCANCODE_F5, 0x3F, 0x74},
    {SDL_SCANCODE_F6, 0x40, 0x75},
    {SDL_SCANCODE_F7, 0x41, 0x76},
    {SDL_SCANCODE_F8, 0x42, 0x77},
    {SDL_SCANCODE_F9, 0x43, 0x78},
    {SDL_SCANCODE_F10, 0x44, 0x79},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, 0x90},
    {SDL_SCANCODE_SCROLLLOCK, 0x46, 0x91},
    {SDL_SCANCODE_KP_7, 0x47, 0x67},
    {SDL_SCANCODE_KP_8, 0x48, 0x68},
    {SDL_SCANCODE_KP_9, 0x49, 0x69},
    {SDL_SCANCODE_KP_MINUS, 0x4A, 0x6D},
    {SDL_SCANCODE_KP_4, 0x4B, 0x64},
    {SDL_SCANCODE_KP_5, 0x4C, 0x65},
    {SDL_SCANCODE_KP_6, 0x4D, 0x66},
    {SDL_SCANCODE_KP_PLUS, 0x4E, 0x6B},
    {SDL_SCANCODE_KP_1, 0x4F, 0x61},
    {SDL_SCANCODE_KP_2, 0x50, 0x62},
    {SDL_SCANCODE_KP_3, 0x51, 0x63},
    {SDL_SCANCODE_KP_0, 0x52, 0x60},
    {SDL_SCANCODE_KP_PERIOD, 0x53, 0x6E},
    {SDL_SCANCODE_F11, 0x57, 0x7A},
    {SDL_SCANCODE_F12, 0x58, 0x7B},
    {SDL_SCANCODE_F13, 0x64, 0x7C},
    {SDL_SCANCODE_F14, 0x65, 0x7D},
    {SDL_SCANCODE_F15, 0x66, 0x7E},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70, 0xF2},  // katakana / hiragana
    {SDL_SCANCODE_INTERNATIONAL4, 0x79, 0x1C},  // convert
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B, 0x1D},  // no convert
    {SDL_SCANCODE_KP_EQUALS, 0x8D, 0},
    {SDL_SCANCODE_KP_ENTER, 0x9C, 0x0D},
    {SDL_SCANCODE_RCTRL, 0x9D, 0xA3},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5, 0x6F},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7, 0x2C},
    {SDL_SCANCODE_RALT, 0xB8, 0xA5},
    {SDL_SCANCODE_PAUSE, 0xC5, 0x13},
    {SDL_SCANCODE_HOME, 0xC7, 0x24},
    {SDL_SCANCODE_UP, 0xC8, 0x26},
    {SDL_SCANCODE_PAGEUP, 0xC9, 0x21},
    {SDL_SCANCODE_LEFT, 0xCB, 0x25},
    {SDL_SCANCODE_RIGHT, 0xCD, 0x27},
    {SDL_SCANCODE_END, 0xCF, 0x23},
    {SDL_SCANCODE_DOWN, 0xD0, 0x28},
    {SDL_SCANCODE_PAGEDOWN, 0xD1, 0x22},
    {SDL_SCANCODE_INSERT, 0xD2, 0x2D},
    {SDL_SCANCODE_DELETE, 0xD3, 0x2E},
    {SDL_SCANCODE_LGUI, 0xDB, 0x5B},
    {SDL_SCANCODE_RGUI, 0xDC, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0xDD, 0x5D},
};

// Bit 7 of a key state: the key is down.
constexpr BYTE kKeyDown = 0x80;
constexpr BYTE kVirtualShift = 0x10;
constexpr BYTE kVirtualControl = 0x11;
constexpr BYTE kVirtualMenu = 0x12;
constexpr BYTE kVirtualCapital = 0x14;
constexpr BYTE kVirtualNumLock = 0x90;
constexpr BYTE kVirtualScroll = 0x91;

bool g_scripted_keys[256];
BYTE g_toggles[256];  // by virtual key, bit 0

}  // namespace

namespace sdl_input {

void ReadKeyCodeStates(BYTE states[256]) {
    std::memset(states, 0, 256);
    if (Scripted()) {
        for (int i = 0; i < 256; ++i) states[i] = g_scripted_keys[i] ? kKeyDown : 0;
        return;
    }
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    if (keys == nullptr) return;
    for (const KeyEntry& entry : kKeys) {
        if (entry.scancode < count && keys[entry.scancode]) states[entry.key_code] = kKeyDown;
    }
}

void ReadVirtualKeyStates(BYTE states[256]) {
    BYTE codes[256];
    ReadKeyCodeStates(codes);
    std::memset(states, 0, 256);
    for (int code = 0; code < 256; ++code) {
        if (codes[code] == 0) continue;
        const BYTE vk = VirtualKeyOfKeyCode(code);
        if (vk != 0) states[vk] |= kKeyDown;
    }
    if (states[VK_LSHIFT] | states[VK_RSHIFT]) states[kVirtualShift] |= kKeyDown;
    if (states[VK_LCONTROL] | states[VK_RCONTROL]) states[kVirtualControl] |= kKeyDown;
    if (states[VK_LMENU] | states[VK_RMENU]) states[kVirtualMenu] |= kKeyDown;
    for (int vk = 0; vk < 256; ++vk) states[vk] |= g_toggles[vk] & 1;
    if (!Scripted()) {
        // The lock lights are the window system's; take them from its modifier state.
        const SDL_Keymod mods = SDL_GetModState();
        const BYTE locks[3][2] = {{kVirtualCapital, (mods & KMOD_CAPS) != 0},
                                  {kVirtualNumLock, (mods & KMOD_NUM) != 0},
                                  {kVirtualScroll, (mods & KMOD_SCROLL) != 0}};
        for (const auto& lock : locks) states[lock[0]] = static_cast<BYTE>((states[lock[0]] & kKeyDown) | lock[1]);
    }
}

BYTE VirtualKeyOfKeyCode(int key_code) {
    for (const KeyEntry& entry : kKeys) {
        if (entry.key_code == key_code) return entry.virtual_key;
    }
    return 0;
}

void NoteKeyPressed(int key_code) {
    const BYTE vk = VirtualKeyOfKeyCode(key_code);
    if (vk != 0) g_toggles[vk] ^= 1;
}

int KeyCodeOfScancode(int scancode) {
    for (const KeyEntry& entry : kKeys) {
        if (entry.scancode == scancode) return entry.key_code;
    }
    return 0;
}

void ResetKeyStates() {
    std::memset(g_scripted_keys, 0, sizeof g_scripted_keys);
    std::memset(g_toggles, 0, sizeof g_toggles);
}

}  // namespace sdl_input

BOOL GetKeyboardState(BYTE* key_states) {
    if (key_states == nullptr) return FALSE;
    sdl_input::ReadVirtualKeyStates(key_states);
    return TRUE;
}

namespace platform_hooks {

void SetScriptedKey(int key_code, bool down) {
    if (key_code < 0 || key_code > 255) return;
    if (g_scripted_keys[key_code] == down) return;
    g_scripted_keys[key_code] = down;
    if (down) sdl_input::NoteKeyPressed(key_code);
    sdl_input::SignalKeyboardListeners();
}

void ReleaseAllScriptedKeys() {
    bool changed = false;
    for (bool& key : g_scripted_keys) {
        changed = changed || key;
        key = false;
    }
    if (changed) sdl_input::SignalKeyboardListeners();
}

}  // namespace platform_hooks
