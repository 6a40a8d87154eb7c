// SDL events become window messages: focus, minimise, restore, move, size, expose and
// close; keys (virtual-key codes, with the typed text attached for TranslateMessage);
// text editing as input-method messages; mouse moves, buttons and the wheel, each after
// WM_SETCURSOR. Also the text conversions and the test hooks that push SDL events.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/sdl/window_internal.h"
#include "platform/window_hooks.h"

namespace {

using sdl_window::InputPayload;
using sdl_window::WindowRecord;

std::atomic<LONG> g_cursor_x{0};
std::atomic<LONG> g_cursor_y{0};

struct KeyPair {
    SDL_Keycode key;
    UINT vk;
};

const KeyPair kKeys[] = {
    {SDLK_BACKSPACE, VK_BACK},      {SDLK_TAB, VK_TAB},
    {SDLK_CLEAR, VK_CLEAR},         {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},     {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},        {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},       {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},           {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},         {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},       {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},           {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},               {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},           {SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, VK_INSERT},       {SDLK_DELETE, VK_DELETE},
    {SDLK_LGUI, VK_LWIN},           {SDLK_RGUI, VK_RWIN},
    {SDLK_APPLICATION, VK_APPS},    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},         {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},   {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK}, {SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_SEMICOLON, VK_OEM_1},     {SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_COMMA, VK_OEM_COMMA},     {SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PERIOD, VK_OEM_PERIOD},   {SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, VK_OEM_3},     {SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, VK_OEM_5},     {SDLK_RIGHTBRACKET, VK_OEM_6},
    {SDLK_QUOTE, VK_OEM_7},
};

const SDL_Keycode kKeypadDigits[10] = {SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4,
                                       SDLK_KP_5, SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9};
const SDL_Keycode kFunctionKeys[24] = {
    SDLK_F1,  SDLK_F2,  SDLK_F3,  SDLK_F4,  SDLK_F5,  SDLK_F6,  SDLK_F7,  SDLK_F8,
    SDLK_F9,  SDLK_F10, SDLK_F11, SDLK_F12, SDLK_F13, SDLK_F14, SDLK_F15, SDLK_F16,
    SDLK_F17, SDLK_F18, SDLK_F19, SDLK_F20, SDLK_F21, SDLK_F22, SDLK_F23, SDLK_F24};

UINT VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<UINT>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<UINT>(key - SDLK_0);
    for (int i = 0; i < 10; ++i) {
        if (key == kKeypadDigits[i]) return VK_NUMPAD0 + static_cast<UINT>(i);
    }
    for (int i = 0; i < 24; ++i) {
        if (key == kFunctionKeys[i]) return VK_F1 + static_cast<UINT>(i);
    }
    for (const KeyPair& pair : kKeys) {
        if (pair.key == key) return pair.vk;
    }
    return 0;
}

SDL_Keycode KeycodeOf(UINT vk) {
    if (vk >= 'A' && vk <= 'Z') return SDLK_a + static_cast<SDL_Keycode>(vk - 'A');
    if (vk >= '0' && vk <= '9') return SDLK_0 + static_cast<SDL_Keycode>(vk - '0');
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return kKeypadDigits[vk - VK_NUMPAD0];
    if (vk >= VK_F1 && vk <= VK_F24) return kFunctionKeys[vk - VK_F1];
    for (const KeyPair& pair : kKeys) {
        if (pair.vk == vk) return pair.key;
    }
    return SDLK_UNKNOWN;
}

WPARAM MouseKeyState(Uint32 buttons) {
    WPARAM state = 0;
    if ((buttons & SDL_BUTTON_LMASK) != 0) state |= MK_LBUTTON;
    if ((buttons & SDL_BUTTON_RMASK) != 0) state |= MK_RBUTTON;
    if ((buttons & SDL_BUTTON_MMASK) != 0) state |= MK_MBUTTON;
    const SDL_Keymod mods = SDL_GetModState();
    if ((mods & KMOD_SHIFT) != 0) state |= MK_SHIFT;
    if ((mods & KMOD_CTRL) != 0) state |= MK_CONTROL;
    return state;
}

// SDL coordinates inside the window → the program's client coordinates (a full-screen
// window covers the desktop while the program keeps its own rectangle).
POINT ClientPoint(const WindowRecord& record, int x, int y) {
    POINT p{x, y};
    if (record.full_screen && record.sdl != nullptr) {
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(record.sdl, &w, &h);
        if (w > 0 && h > 0) {
            p.x = static_cast<LONG>(static_cast<long long>(x) * (record.rect.right - record.rect.left) / w);
            p.y = static_cast<LONG>(static_cast<long long>(y) * (record.rect.bottom - record.rect.top) / h);
        }
    }
    return p;
}

void QueueMouse(WindowRecord& record, UINT message, WPARAM wparam, int x, int y) {
    const POINT p = ClientPoint(record, x, y);
    sdl_window::SetTrackedCursor(record.rect.left + p.x, record.rect.top + p.y);
    sdl_window::QueueInputMessage(record.handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(record.handle),
                                  MAKELPARAM(HTCLIENT, static_cast<WORD>(message)));
    sdl_window::QueueInputMessage(record.handle, message, wparam,
                                  MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

// A UTF-8 byte 10xxxxxx continues the character before it.
bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A key message's lParam: repeat count 1 in the low word, the scan code from bit 16, and
// the flags below.
constexpr int kKeyScanCodeShift = 16;
constexpr DWORD kKeyAltDown = 1u << 29;
constexpr DWORD kKeyWasDown = 1u << 30;
constexpr DWORD kKeyReleased = 1u << 31;

LPARAM KeyLParam(const SDL_KeyboardEvent& key, bool alt, bool down) {
    DWORD l = 1u | ((static_cast<DWORD>(key.keysym.scancode) & 0xFFu) << kKeyScanCodeShift);
    if (alt) l |= kKeyAltDown;
    if (down && key.repeat != 0) l |= kKeyWasDown;
    if (!down) l |= kKeyWasDown | kKeyReleased;
    return static_cast<LPARAM>(l);
}

void TranslateKey(const SDL_KeyboardEvent& key, bool down) {
    WindowRecord* record = sdl_window::FindWindowBySdlId(key.windowID);
    if (record == nullptr) return;
    const UINT vk = VirtualKeyOf(key.keysym.sym);
    if (vk == 0) return;
    const bool alt = (key.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU || vk == VK_F1 + 9;
    UINT message;
    if (down) {
        message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    } else {
        message = alt ? WM_SYSKEYUP : WM_KEYUP;
    }
    sdl_window::QueueInputMessage(record->handle, message, vk, KeyLParam(key, (key.keysym.mod & KMOD_ALT) != 0, down));
}

// The CP932 byte offset of the first `chars` characters of UTF-8 text.
LONG Cp932OffsetOf(const char* utf8, int chars) {
    const char* p = utf8;
    int n = 0;
    while (*p != '\0' && n < chars) {
        ++p;
        while (IsUtf8Continuation(*p)) ++p;
        ++n;
    }
    return static_cast<LONG>(sdl_window::Utf8ToCp932Text(utf8, static_cast<std::size_t>(p - utf8)).size());
}

void TranslateTextEditing(const SDL_TextEditingEvent& edit) {
    WindowRecord* record = sdl_window::FindWindowBySdlId(edit.windowID);
    if (record == nullptr || !record->ime.enabled) return;
    const std::string text = sdl_window::Utf8ToCp932Text(edit.text, std::strlen(edit.text));
    if (!record->ime.composing_queued) {
        if (text.empty()) return;
        record->ime.composing_queued = true;
        sdl_window::QueueInputMessage(record->handle, WM_IME_STARTCOMPOSITION, 0, 0);
    }
    InputPayload payload;
    payload.ime = true;
    payload.composition = text;
    payload.cursor = Cp932OffsetOf(edit.text, edit.start);
    sdl_window::QueueInputMessage(record->handle, WM_IME_COMPOSITION, 0,
                                  static_cast<LPARAM>(GCS_COMPSTR | GCS_COMPATTR | GCS_COMPCLAUSE | GCS_CURSORPOS),
                                  std::move(payload));
}

void TranslateTextInput(const SDL_TextInputEvent& input) {
    WindowRecord* record = sdl_window::FindWindowBySdlId(input.windowID);
    if (record == nullptr) return;
    const std::string text = sdl_window::Utf8ToCp932Text(input.text, std::strlen(input.text));
    if (text.empty()) return;
    if (record->ime.enabled && record->ime.composing_queued) {
        // The composition is finished: its text is the result.
        record->ime.composing_queued = false;
        InputPayload payload;
        payload.ime = true;
        payload.result = text;
        sdl_window::QueueInputMessage(
            record->handle, WM_IME_COMPOSITION, static_cast<unsigned char>(text[0]),
            static_cast<LPARAM>(GCS_RESULTSTR | GCS_COMPSTR | GCS_COMPATTR | GCS_COMPCLAUSE | GCS_CURSORPOS),
            std::move(payload));
        InputPayload end;
        end.ime = true;
        sdl_window::QueueInputMessage(record->handle, WM_IME_ENDCOMPOSITION, 0, 0, std::move(end));
        return;
    }
    if (sdl_window::AttachTextToLastKey(record->handle, text)) return;
    // Text without a key (pasted, or from an input method): characters straight away.
    for (char c : text) {
        sdl_window::QueueInputMessage(record->handle, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

// Whether a minimise of the window follows in the batch (focus is often lost first).
bool MinimizeFollows(const std::vector<SDL_Event>& batch, std::size_t from, Uint32 window_id) {
    for (std::size_t i = from + 1; i < batch.size(); ++i) {
        const SDL_Event& e = batch[i];
        if (e.type == SDL_WINDOWEVENT && e.window.windowID == window_id && e.window.event == SDL_WINDOWEVENT_MINIMIZED) {
            return true;
        }
    }
    return false;
}

void TranslateWindowEvent(const std::vector<SDL_Event>& batch, std::size_t index) {
    const SDL_WindowEvent& w = batch[index].window;
    WindowRecord* record = sdl_window::FindWindowBySdlId(w.windowID);
    if (record == nullptr) return;
    const HWND handle = record->handle;
    switch (w.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (record->visible) sdl_window::QueueActivationChange(*record, true, record->minimized);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            const bool minimized = record->minimized || MinimizeFollows(batch, index, w.windowID) ||
                                   (record->sdl != nullptr && (SDL_GetWindowFlags(record->sdl) & SDL_WINDOW_MINIMIZED) != 0);
            sdl_window::QueueActivationChange(*record, false, minimized);
            break;
        }
        case SDL_WINDOWEVENT_MINIMIZED:
            if (!record->minimized) {
                record->minimized = true;
                sdl_window::QueueInputMessage(handle, WM_SIZE, SIZE_MINIMIZED, 0);
            }
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            sdl_window::QueueInputMessage(
                handle, WM_SIZE, SIZE_MAXIMIZED,
                MAKELPARAM(static_cast<WORD>(record->rect.right - record->rect.left),
                           static_cast<WORD>(record->rect.bottom - record->rect.top)));
            break;
        case SDL_WINDOWEVENT_RESTORED:
            if (record->minimized) {
                record->minimized = false;
                sdl_window::QueueInputMessage(
                    handle, WM_SIZE, SIZE_RESTORED,
                    MAKELPARAM(static_cast<WORD>(record->rect.right - record->rect.left),
                               static_cast<WORD>(record->rect.bottom - record->rect.top)));
                sdl_window::InvalidateWholeWindow(*record);
            }
            break;
        case SDL_WINDOWEVENT_MOVED:
            if (!record->full_screen && (w.data1 != record->rect.left || w.data2 != record->rect.top)) {
                const LONG width = record->rect.right - record->rect.left;
                const LONG height = record->rect.bottom - record->rect.top;
                record->rect = RECT{w.data1, w.data2, w.data1 + width, w.data2 + height};
                sdl_window::QueueInputMessage(handle, WM_MOVE, 0,
                                              MAKELPARAM(static_cast<WORD>(w.data1), static_cast<WORD>(w.data2)));
            }
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
            if (!record->full_screen && w.data1 > 0 && w.data2 > 0 &&
                (w.data1 != record->rect.right - record->rect.left || w.data2 != record->rect.bottom - record->rect.top)) {
                record->rect.right = record->rect.left + w.data1;
                record->rect.bottom = record->rect.top + w.data2;
                sdl_window::QueueInputMessage(handle, WM_SIZE, SIZE_RESTORED,
                                              MAKELPARAM(static_cast<WORD>(w.data1), static_cast<WORD>(w.data2)));
                sdl_window::InvalidateWholeWindow(*record);
            }
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            if (record->visible) sdl_window::InvalidateWholeWindow(*record);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            sdl_window::QueueInputMessage(handle, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

void TranslateEvent(const std::vector<SDL_Event>& batch, std::size_t index) {
    const SDL_Event& e = batch[index];
    switch (e.type) {
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(batch, index);
            break;
        case SDL_KEYDOWN:
            TranslateKey(e.key, true);
            break;
        case SDL_KEYUP:
            TranslateKey(e.key, false);
            break;
        case SDL_TEXTEDITING:
            TranslateTextEditing(e.edit);
            break;
        case SDL_TEXTINPUT:
            TranslateTextInput(e.text);
            break;
        case SDL_MOUSEMOTION:
            if (WindowRecord* record = sdl_window::FindWindowBySdlId(e.motion.windowID)) {
                QueueMouse(*record, WM_MOUSEMOVE, MouseKeyState(e.motion.state), e.motion.x, e.motion.y);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (WindowRecord* record = sdl_window::FindWindowBySdlId(e.button.windowID)) {
                const bool down = e.type == SDL_MOUSEBUTTONDOWN;
                UINT message = 0;
                if (e.button.button == SDL_BUTTON_LEFT) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                if (e.button.button == SDL_BUTTON_RIGHT) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
                if (e.button.button == SDL_BUTTON_MIDDLE) message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
                if (message != 0) QueueMouse(*record, message, MouseKeyState(SDL_GetMouseState(nullptr, nullptr)),
                                             e.button.x, e.button.y);
            }
            break;
        case SDL_MOUSEWHEEL:
            if (WindowRecord* record = sdl_window::FindWindowBySdlId(e.wheel.windowID)) {
                const int delta = (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y) * WHEEL_DELTA;
                const POINT cursor = sdl_window::TrackedCursor();
                sdl_window::QueueInputMessage(
                    record->handle, WM_MOUSEWHEEL,
                    MAKEWPARAM(static_cast<WORD>(MouseKeyState(SDL_GetMouseState(nullptr, nullptr))),
                               static_cast<WORD>(delta)),
                    MAKELPARAM(static_cast<WORD>(cursor.x), static_cast<WORD>(cursor.y)));
            }
            break;
        case SDL_QUIT:
            // The desktop (or a signal) asks the program to end: close every top window.
            for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
                WindowRecord* record = sdl_window::WindowAt(i);
                if (record != nullptr && record->parent == nullptr) {
                    sdl_window::QueueInputMessage(record->handle, WM_CLOSE, 0, 0);
                }
            }
            break;
        default:
            break;
    }
}

SDL_Window* SdlWindowOf(HWND window) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    return record != nullptr ? record->sdl : nullptr;
}

bool Push(SDL_Event& event) { return SDL_PushEvent(&event) == 1; }

}  // namespace

namespace sdl_window {

void DrainSdlEvents() {
    SDL_PumpEvents();
    std::vector<SDL_Event> batch;
    SDL_Event buffer[64];
    for (;;) {
        const int n = SDL_PeepEvents(buffer, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        if (n <= 0) break;
        batch.insert(batch.end(), buffer, buffer + n);
    }
    for (std::size_t i = 0; i < batch.size(); ++i) TranslateEvent(batch, i);
}

void SetTrackedCursor(int x, int y) {
    g_cursor_x.store(x);
    g_cursor_y.store(y);
}

POINT TrackedCursor() { return POINT{g_cursor_x.load(), g_cursor_y.load()}; }

std::string Utf8ToCp932Text(const char* utf8, std::size_t length) {
    std::string out;
    if (Utf8ToCp932(utf8, length, out)) return out;
    // Convert character by character; what has no CP932 form becomes '?'.
    out.clear();
    std::string piece;
    std::size_t i = 0;
    while (i < length) {
        std::size_t n = 1;
        while (i + n < length && IsUtf8Continuation(utf8[i + n])) ++n;
        if (Utf8ToCp932(utf8 + i, n, piece)) {
            out += piece;
        } else {
            out += '?';
        }
        i += n;
    }
    return out;
}

std::string Cp932ToUtf8Text(const char* cp932) { return Cp932ToUtf8Lossy(cp932, std::strlen(cp932)); }

}  // namespace sdl_window

namespace platform_hooks {

bool InjectWindowEvent(HWND window, WindowEvent event, int x, int y) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr) return false;
    SDL_Event e{};
    if (event == WindowEvent::kQuit) {
        e.type = SDL_QUIT;
        return Push(e);
    }
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(sdl);
    e.window.data1 = x;
    e.window.data2 = y;
    switch (event) {
        case WindowEvent::kFocusGained: e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED; break;
        case WindowEvent::kFocusLost: e.window.event = SDL_WINDOWEVENT_FOCUS_LOST; break;
        case WindowEvent::kMinimized: e.window.event = SDL_WINDOWEVENT_MINIMIZED; break;
        case WindowEvent::kRestored: e.window.event = SDL_WINDOWEVENT_RESTORED; break;
        case WindowEvent::kMaximized: e.window.event = SDL_WINDOWEVENT_MAXIMIZED; break;
        case WindowEvent::kClose: e.window.event = SDL_WINDOWEVENT_CLOSE; break;
        case WindowEvent::kExposed: e.window.event = SDL_WINDOWEVENT_EXPOSED; break;
        case WindowEvent::kMoved: e.window.event = SDL_WINDOWEVENT_MOVED; break;
        case WindowEvent::kResized: e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED; break;
        case WindowEvent::kQuit: break;
    }
    return Push(e);
}

bool InjectKeyEvent(HWND window, UINT virtual_key, bool down, bool alt, bool shift, bool control) {
    SDL_Window* sdl = SdlWindowOf(window);
    const SDL_Keycode key = KeycodeOf(virtual_key);
    if (sdl == nullptr || key == SDLK_UNKNOWN) return false;
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = SDL_GetWindowID(sdl);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    Uint16 mod = KMOD_NONE;
    if (alt) mod |= KMOD_LALT;
    if (shift) mod |= KMOD_LSHIFT;
    if (control) mod |= KMOD_LCTRL;
    e.key.keysym.mod = mod;
    return Push(e);
}

bool InjectTextInput(HWND window, const char* utf8) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr || utf8 == nullptr) return false;
    // SDL carries at most 31 bytes per event: split at character boundaries.
    const std::size_t length = std::strlen(utf8);
    std::size_t i = 0;
    while (i < length) {
        std::size_t n = std::min<std::size_t>(length - i, SDL_TEXTINPUTEVENT_TEXT_SIZE - 1);
        while (i + n < length && n > 0 && IsUtf8Continuation(utf8[i + n])) --n;
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = SDL_GetWindowID(sdl);
        std::memcpy(e.text.text, utf8 + i, n);
        if (!Push(e)) return false;
        i += n;
    }
    return true;
}

bool InjectTextEditing(HWND window, const char* utf8, int cursor) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr || utf8 == nullptr || std::strlen(utf8) >= SDL_TEXTEDITINGEVENT_TEXT_SIZE) return false;
    SDL_Event e{};
    e.type = SDL_TEXTEDITING;
    e.edit.windowID = SDL_GetWindowID(sdl);
    std::memcpy(e.edit.text, utf8, std::strlen(utf8));
    e.edit.start = cursor;
    e.edit.length = 0;
    return Push(e);
}

bool InjectMouseMotion(HWND window, int x, int y) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr) return false;
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = SDL_GetWindowID(sdl);
    e.motion.x = x;
    e.motion.y = y;
    return Push(e);
}

bool InjectMouseButton(HWND window, int button, bool down, int x, int y) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr || button < 1 || button > 3) return false;
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = SDL_GetWindowID(sdl);
    e.button.button = static_cast<Uint8>(button == 1 ? SDL_BUTTON_LEFT : button == 2 ? SDL_BUTTON_MIDDLE : SDL_BUTTON_RIGHT);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return Push(e);
}

}  // namespace platform_hooks
