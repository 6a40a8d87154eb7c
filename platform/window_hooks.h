// Seams inside the platform layer for tests of the window code: failure injection for
// creation calls, window-system input that goes through the same translation as real
// events, scheduled activation changes, message-box answers, the desktop size and the
// folder of the instance lock files. The engine never includes this header;
// platform/testing/window_testing.h wraps it for tests.
#pragma once

#include <string>
#include <vector>

#include "platform/window.h"

namespace platform_hooks {

// ---- failure injection -------------------------------------------------------------
// The next `count` calls of the named creation call fail as they would on the machine
// ("RegisterClassExA", "CreateWindowExA", "CoInitialize", "CoCreateInstance",
// "SetTimer", ...); a negative count fails every call until cleared; 0 clears.
void SetCallFailure(const char* call_name, int count);
void ClearCallFailures();
// Used by the platform calls themselves: true (and one failure used up) when the call
// is to fail now.
bool TakeCallFailure(const char* call_name);

// ---- window-system input ---------------------------------------------------------------
// Each queues an event of the window system for the window; the next PeekMessageA
// translates it exactly like a real one. False when the window does not exist.
enum class WindowEvent {
    kFocusGained,
    kFocusLost,
    kMinimized,
    kRestored,
    kMaximized,
    kClose,    // the close button
    kExposed,  // part of the window must be drawn again
    kMoved,    // to (x, y)
    kResized,  // to a client of x by y
    kQuit,     // the desktop asks the program to end
};
bool InjectWindowEvent(HWND window, WindowEvent event, int x = 0, int y = 0);
// A key by virtual-key code with the modifiers held.
bool InjectKeyEvent(HWND window, UINT virtual_key, bool down, bool alt = false, bool shift = false,
                    bool control = false);
// Typed text (UTF-8), as the window system delivers it after a key.
bool InjectTextInput(HWND window, const char* utf8);
// The input method's text being composed (UTF-8) with its cursor in characters; empty
// text ends the composition display.
bool InjectTextEditing(HWND window, const char* utf8, int cursor);
bool InjectMouseMotion(HWND window, int x, int y);
// button 1 left, 2 middle, 3 right; client coordinates.
bool InjectMouseButton(HWND window, int button, bool down, int x, int y);

// Queues a finished message as window-system input, untranslated, once the platform
// clock (timeGetTime) has advanced `after_ms` from now (0: at the next look).
void InjectInputMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD after_ms = 0);
// An activation change of the window as the window system would report it, once the
// platform clock has advanced `after_ms`: nothing when the window is already in that
// state, else WM_ACTIVATE(WA_ACTIVE) or WM_ACTIVATE(WA_INACTIVE | minimised << 16).
void InjectActivation(HWND window, bool active, bool minimized = false, DWORD after_ms = 0);
// Drops injected input that has not been queued yet.
void ClearScheduledInput();

// ---- message box -------------------------------------------------------------------------
struct MessageBoxRecord {
    std::string text;     // as given (CP932)
    std::string caption;  // as given (CP932)
    UINT type;
    int answer;
};
// The answer of every message box from now on, without showing it; 0 clears.
void SetNextMessageBoxAnswer(int answer);
// Every message box asked since the last call.
std::vector<MessageBoxRecord> TakeMessageBoxRecords();

// ---- machine answers ----------------------------------------------------------------------
// Desktop size reported by GetSystemMetrics and the screen device context; 0, 0 gives
// the real desktop back.
void SetDesktopSizeOverride(int width, int height);
// Folder of the lock files that mark a running window class; empty gives the default
// ($VOMUR_LOCK_DIR, else $XDG_RUNTIME_DIR, else /tmp).
void SetInstanceLockDirectory(const std::string& folder);
std::string InstanceLockDirectory();
// The path of the lock file of a class.
std::string InstanceLockPath(const char* class_name);

// Current cursor display count (ShowCursor's counter).
int CursorDisplayCount();

// What the window system shows for a window: its title (UTF-8) and its geometry (a
// full-screen window covers the desktop). False when the window does not exist.
bool WindowSystemTitle(HWND window, std::string* utf8);
struct WindowSystemState {
    int x, y, width, height;
    bool visible, full_screen, bordered, topmost;
};
bool WindowSystemGeometry(HWND window, WindowSystemState* state);

}  // namespace platform_hooks
