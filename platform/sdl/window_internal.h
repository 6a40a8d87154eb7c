// Shared state of the SDL window units: the class and window tables, the message
// queues, the video subsystem reference and the input-method state of each window.
// Only platform/sdl/*.cpp include it; everything here runs on the window thread unless
// a comment says otherwise.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/window.h"

// Device contexts are plain records: the screen's and one per window.
struct DeviceContextObject {
    int kind;  // 1 screen, 2 window
    HWND window;
};

namespace sdl_window {

constexpr int kMaxClasses = 16;
constexpr int kMaxWindows = 16;
// A class name pointer below kAtomLimit is an atom; registered classes get atoms from
// kFirstClassAtom up.
constexpr std::uintptr_t kAtomLimit = 0x10000;
constexpr ATOM kFirstClassAtom = 0xC000;

struct ClassRecord {
    bool used = false;
    ATOM atom = 0;
    std::string name;  // CP932, compared without case
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int window_count = 0;
};

// Input-method state of one window: what ImmGetCompositionStringA reads.
struct ImeState {
    bool enabled = true;  // WINNLSEnableIME
    bool open = false;    // ImmSetOpenStatus / ImmGetOpenStatus
    std::string composition;  // CP932
    LONG cursor = 0;          // bytes into the composition
    std::string result;       // CP932
    bool composing_queued = false;  // translation side: a composition was announced
};

struct WindowRecord {
    bool used = false;
    HWND handle = nullptr;
    int class_index = -1;
    WNDPROC procedure = nullptr;
    DWORD style = 0;  // without WS_VISIBLE; visibility is `visible`
    DWORD ex_style = 0;
    LONG_PTR user_data = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    std::string title;  // CP932
    RECT rect{};        // screen coordinates; the frame is zero, so this is the client too
    bool visible = false;
    bool minimized = false;
    bool active = false;
    bool shown_once = false;
    bool destroying = false;
    bool invalid = false;
    RECT invalid_rect{};  // client coordinates
    bool full_screen = false;  // SDL window is full-screen desktop
    SDL_Window* sdl = nullptr;
    Uint32 sdl_id = 0;
    DWORD thread = 0;
    int lock_fd = -1;
    DeviceContextObject dc{2, nullptr};
    ImeState ime;
};

// ---- tables (window_objects.cpp, window_classes.cpp) ----------------------------------
ClassRecord* ClassAt(int index);
int FindClassIndex(const char* class_name);  // name or atom; -1 when not registered
WindowRecord* FindWindowRecord(HWND window);   // null for a missing or destroyed window
WindowRecord* FindWindowBySdlId(Uint32 sdl_id);
WindowRecord* WindowAt(int index);  // null for an unused slot
// Safe from any thread: whether the handle names a live window.
bool IsLiveWindowHandle(HWND window);
// Activation change as the window system reports it (focus events, injection): sends
// nothing when the state already holds; queues WM_ACTIVATE otherwise.
void QueueActivationChange(WindowRecord& record, bool active, bool minimized);
// Applies the style's border, resizing, stacking and full-screen state to the SDL window.
void ApplySdlWindowState(WindowRecord& record);
// The window's SDL window made able to show OpenGL: itself when it is, else a new SDL
// window with SDL_WINDOW_OPENGL in its place (same title, place, size, style, visibility);
// null (the old one kept) when none can be made.
SDL_Window* GlCapableSdlWindow(WindowRecord& record);
void ClearActiveIf(HWND window);
HWND ActiveWindow();

// ---- queue (message_queue.cpp) --------------------------------------------------------
// A window-system input message with what travels with it: typed text for
// TranslateMessage, or the composition snapshot an IME message carries.
struct InputPayload {
    std::string text;  // CP932 bytes typed with a key message
    bool ime = false;
    std::string composition;
    LONG cursor = 0;
    std::string result;
};
void QueueInputMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, InputPayload payload = {});
// Attaches typed text to the newest queued key-down of the window when nothing else was
// queued after it; false when there is no such message.
bool AttachTextToLastKey(HWND window, const std::string& cp932);
// Drops every queued and posted message and every timer of a window.
void ForgetWindowMessages(HWND window);
void InvalidateWholeWindow(WindowRecord& record);

// ---- window-system events (sdl_event_translation.cpp) --------------------------------
// Moves every pending SDL event into the input queue; only on the video thread.
void DrainSdlEvents();
// Cursor position kept for headless drivers and full-screen mapping.
void SetTrackedCursor(int x, int y);
POINT TrackedCursor();

// ---- video (sdl_video.cpp) ----------------------------------------------------------------
// Reference-counted SDL video subsystem: each window holds one reference.
bool AcquireVideo();
void ReleaseVideo();
bool IsVideoUp();
bool IsVideoThread();
// True for drivers without a display (dummy, offscreen) and when no display exists.
bool IsHeadless();
// Desktop size of the first display (or the test override); false when unknown.
bool DesktopSize(int* width, int* height);
// The cursor and screen-saver switches, applied whenever video is up.
void ApplyCursorState();
void ApplyScreenSaverState();
bool CursorImageHidden();

// ---- text (sdl_event_translation.cpp) ----------------------------------------------------
std::string Utf8ToCp932Text(const char* utf8, std::size_t length);
std::string Cp932ToUtf8Text(const char* cp932);

}  // namespace sdl_window
