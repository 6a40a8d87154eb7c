// The SDL video subsystem as the window layer uses it: a reference count held by each
// window (and briefly by queries made before any window exists), the desktop size, the
// cursor display count and image, and the process's screen-saver switch.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/kernel.h"
#include "platform/sdl/window_internal.h"
#include "platform/window_hooks.h"

namespace {

int g_video_refs = 0;
DWORD g_video_thread = 0;

int g_cursor_count = 0;          // ShowCursor's display count
bool g_cursor_image_hidden = false;  // SetCursor(NULL)
SDL_Cursor* g_blank_cursor = nullptr;

bool g_screen_saver_active = true;  // the user's setting until the program changes it
DWORD g_foreground_lock_timeout = 0;

int g_desktop_override_width = 0;
int g_desktop_override_height = 0;

bool EnvSaysHeadless() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) {
        return true;
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0');
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// SDL's X11 video opens a desktop-bus connection whose library keeps one buffer until
// the process ends, even after SDL_Quit; it is not ours to free, so the leak checker
// of sanitized builds is told to pass over it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif

namespace sdl_window {

bool AcquireVideo() {
    if (g_video_refs == 0) {
        // Interrupt and terminate signals keep their usual effect: SDL would otherwise turn
        // them into a quit event that only a pumping program ever sees.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, g_screen_saver_active ? "1" : "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
        g_video_thread = GetCurrentThreadId();
        ApplyScreenSaverState();
        ApplyCursorState();
    }
    ++g_video_refs;
    return true;
}

void ReleaseVideo() {
    if (g_video_refs <= 0) return;
    if (--g_video_refs == 0) {
        if (g_blank_cursor != nullptr) {
            SDL_FreeCursor(g_blank_cursor);
            g_blank_cursor = nullptr;
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        g_video_thread = 0;
        // With nothing else of SDL in use, end it fully: that also closes its desktop-bus
        // connection, which ending the video part alone leaves open.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    }
}

bool IsVideoUp() { return g_video_refs > 0; }

bool IsVideoThread() { return g_video_refs > 0 && GetCurrentThreadId() == g_video_thread; }

bool IsHeadless() {
    if (IsVideoUp()) {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver == nullptr || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
    }
    return EnvSaysHeadless();
}

bool DesktopSize(int* width, int* height) {
    if (g_desktop_override_width > 0 && g_desktop_override_height > 0) {
        *width = g_desktop_override_width;
        *height = g_desktop_override_height;
        return true;
    }
    if (!AcquireVideo()) return false;
    SDL_DisplayMode mode{};
    const bool ok = SDL_GetDesktopDisplayMode(0, &mode) == 0;
    ReleaseVideo();
    if (!ok) return false;
    *width = mode.w;
    *height = mode.h;
    return true;
}

void ApplyCursorState() {
    if (!IsVideoUp()) return;
    if (g_cursor_image_hidden) {
        if (g_blank_cursor == nullptr) {
            static const Uint8 kBlank[1] = {0};
            g_blank_cursor = SDL_CreateCursor(kBlank, kBlank, 8, 1, 0, 0);
        }
        if (g_blank_cursor != nullptr) SDL_SetCursor(g_blank_cursor);
    } else {
        SDL_SetCursor(SDL_GetDefaultCursor());
    }
    SDL_ShowCursor(g_cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void ApplyScreenSaverState() {
    if (!IsVideoUp()) return;
    if (g_screen_saver_active) {
        SDL_EnableScreenSaver();
    } else {
        SDL_DisableScreenSaver();
    }
}

bool CursorImageHidden() { return g_cursor_image_hidden; }

}  // namespace sdl_window

int GetSystemMetrics(int index) {
    int width = 0;
    int height = 0;
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
            return sdl_window::DesktopSize(&width, &height) ? width : 0;
        case SM_CYSCREEN:
        case SM_CYFULLSCREEN:
            return sdl_window::DesktopSize(&width, &height) ? height : 0;
        default:
            return 0;  // frames, captions and menus have no size here
    }
}

int ShowCursor(BOOL show) {
    g_cursor_count += show ? 1 : -1;
    sdl_window::ApplyCursorState();
    return g_cursor_count;
}

HCURSOR SetCursor(HCURSOR cursor) {
    static HCURSOR current = nullptr;
    HCURSOR previous = current;
    current = cursor;
    g_cursor_image_hidden = (cursor == nullptr);
    sdl_window::ApplyCursorState();
    return previous;
}

BOOL GetCursorPos(POINT* point) {
    if (point == nullptr) return FALSE;
    if (sdl_window::IsVideoUp() && !sdl_window::IsHeadless()) {
        int x = 0;
        int y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        point->x = x;
        point->y = y;
        // Over a full-screen window the desktop stands for the program's own screen, so
        // the position is given in that screen's pixels.
        for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
            sdl_window::WindowRecord* record = sdl_window::WindowAt(i);
            if (record == nullptr || !record->full_screen || record->sdl == nullptr) continue;
            int wx = 0;
            int wy = 0;
            int ww = 0;
            int wh = 0;
            SDL_GetWindowPosition(record->sdl, &wx, &wy);
            SDL_GetWindowSize(record->sdl, &ww, &wh);
            if (ww <= 0 || wh <= 0 || x < wx || y < wy || x >= wx + ww || y >= wy + wh) continue;
            point->x = record->rect.left +
                       static_cast<LONG>(static_cast<long long>(x - wx) * (record->rect.right - record->rect.left) / ww);
            point->y = record->rect.top +
                       static_cast<LONG>(static_cast<long long>(y - wy) * (record->rect.bottom - record->rect.top) / wh);
            break;
        }
        return TRUE;
    }
    *point = sdl_window::TrackedCursor();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    sdl_window::SetTrackedCursor(x, y);
    if (sdl_window::IsVideoUp() && !sdl_window::IsHeadless()) SDL_WarpMouseGlobal(x, y);
    return TRUE;
}

BOOL SystemParametersInfoA(UINT action, UINT value, void* data, UINT /*flags*/) {
    switch (action) {
        case SPI_GETSCREENSAVEACTIVE:
            if (data == nullptr) return FALSE;
            *static_cast<BOOL*>(data) = g_screen_saver_active ? TRUE : FALSE;
            return TRUE;
        case SPI_SETSCREENSAVEACTIVE:
            g_screen_saver_active = value != 0;
            sdl_window::ApplyScreenSaverState();
            return TRUE;
        case SPI_GETFOREGROUNDLOCKTIMEOUT:
            if (data == nullptr) return FALSE;
            *static_cast<DWORD*>(data) = g_foreground_lock_timeout;
            return TRUE;
        case SPI_SETFOREGROUNDLOCKTIMEOUT:
            // The value travels in the pointer argument; a caller that gives it in the
            // integer argument instead (pointer null) is understood too.
            g_foreground_lock_timeout =
                data != nullptr ? static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(data)) : static_cast<DWORD>(value);
            return TRUE;
        case SPI_SETSCREENSAVERRUNNING:
            return TRUE;
        default:
            return FALSE;
    }
}

namespace platform_hooks {

void SetDesktopSizeOverride(int width, int height) {
    g_desktop_override_width = width;
    g_desktop_override_height = height;
}

int CursorDisplayCount() { return g_cursor_count; }

}  // namespace platform_hooks
