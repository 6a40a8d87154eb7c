// Windows: a fixed table of records, each backed by an SDL window, with creation and
// destruction (WM_CREATE, WM_DESTROY sent at once), showing and activation, geometry
// (WM_MOVE and WM_SIZE only on a real change), styles, titles, and the class lock files
// that let a second running copy find the first.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/posix/instance_lock.h"
#include "platform/sdl/window_internal.h"
#include "platform/sdl/window_presenter.h"
#include "platform/window_hooks.h"

namespace {

using sdl_window::WindowRecord;

WindowRecord g_windows[sdl_window::kMaxWindows];
std::uint16_t g_generation[sdl_window::kMaxWindows];
std::atomic<std::uintptr_t> g_live_handles[sdl_window::kMaxWindows];
HWND g_active_window = nullptr;

// Stands for a window of another process found through its lock file.
const HWND kForeignWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFFFFFFu));

struct LockUse {
    std::string class_name;
    int descriptor;
    int count;
};
std::vector<LockUse> g_locks;

// A window handle is generation << kHandleGenerationShift | (slot + 1).
constexpr int kHandleGenerationShift = 16;
constexpr std::uintptr_t kHandleSlotMask = 0xFFFF;

HWND MakeHandle(int slot) {
    if (++g_generation[slot] == 0) g_generation[slot] = 1;
    return reinterpret_cast<HWND>((static_cast<std::uintptr_t>(g_generation[slot]) << kHandleGenerationShift) |
                                  static_cast<std::uintptr_t>(slot + 1));
}

int SlotOf(HWND window) {
    const auto value = reinterpret_cast<std::uintptr_t>(window);
    const auto slot = static_cast<int>(value & kHandleSlotMask) - 1;
    if (slot < 0 || slot >= sdl_window::kMaxWindows) return -1;
    return slot;
}

LPARAM PointLParam(LONG x, LONG y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

bool IsFullScreenStyle(DWORD style, DWORD ex_style) {
    return (style & WS_POPUP) != 0 && (style & WS_CAPTION) == 0 && (ex_style & WS_EX_TOPMOST) != 0;
}

void TakeClassLock(WindowRecord& record, const std::string& class_name) {
    for (LockUse& use : g_locks) {
        if (use.class_name == class_name) {
            ++use.count;
            record.lock_fd = use.descriptor;
            return;
        }
    }
    const int fd = instance_lock::Acquire(class_name.c_str());
    if (fd < 0) return;  // held by another copy: this one runs without it
    g_locks.push_back({class_name, fd, 1});
    record.lock_fd = fd;
}

void DropClassLock(WindowRecord& record) {
    if (record.lock_fd < 0) return;
    for (auto it = g_locks.begin(); it != g_locks.end(); ++it) {
        if (it->descriptor != record.lock_fd) continue;
        if (--it->count == 0) {
            instance_lock::Release(it->descriptor, it->class_name.c_str());
            g_locks.erase(it);
        }
        break;
    }
    record.lock_fd = -1;
}

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageA(window, message, wparam, lparam);
}

LPARAM SizeLParam(const RECT& r) {
    return MAKELPARAM(static_cast<WORD>(r.right - r.left), static_cast<WORD>(r.bottom - r.top));
}

// Activates `window` (deactivating the window that was active), sending WM_ACTIVATE to
// both at once.
void ActivateNow(HWND window) {
    const HWND previous = g_active_window;
    if (previous == window) return;
    WindowRecord* old_record = sdl_window::FindWindowRecord(previous);
    g_active_window = window;
    if (old_record != nullptr && old_record->active) {
        old_record->active = false;
        Send(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, old_record->minimized ? 1 : 0),
             reinterpret_cast<LPARAM>(window));
    }
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record != nullptr && !record->active) {
        record->active = true;
        Send(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
    }
}

void DeactivateNow(WindowRecord& record) {
    if (!record.active) return;
    record.active = false;
    if (g_active_window == record.handle) g_active_window = nullptr;
    Send(record.handle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, record.minimized ? 1 : 0), 0);
}

}  // namespace

namespace sdl_window {

WindowRecord* FindWindowRecord(HWND window) {
    const int slot = SlotOf(window);
    if (slot < 0) return nullptr;
    WindowRecord& record = g_windows[slot];
    if (!record.used || record.handle != window) return nullptr;
    return &record;
}

WindowRecord* FindWindowBySdlId(Uint32 sdl_id) {
    for (WindowRecord& record : g_windows) {
        if (record.used && record.sdl_id == sdl_id) return &record;
    }
    return nullptr;
}

WindowRecord* WindowAt(int index) {
    if (index < 0 || index >= kMaxWindows || !g_windows[index].used) return nullptr;
    return &g_windows[index];
}

bool IsLiveWindowHandle(HWND window) {
    const int slot = SlotOf(window);
    if (slot < 0 || window == nullptr) return false;
    return g_live_handles[slot].load() == reinterpret_cast<std::uintptr_t>(window);
}

HWND ActiveWindow() { return g_active_window; }

void ClearActiveIf(HWND window) {
    if (g_active_window == window) g_active_window = nullptr;
}

void QueueActivationChange(WindowRecord& record, bool active, bool minimized) {
    if (active == record.active) return;
    if (active) {
        WindowRecord* previous = FindWindowRecord(g_active_window);
        if (previous != nullptr && previous != &record && previous->active) {
            previous->active = false;
            QueueInputMessage(previous->handle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, previous->minimized ? 1 : 0),
                              reinterpret_cast<LPARAM>(record.handle));
        }
        record.active = true;
        g_active_window = record.handle;
        QueueInputMessage(record.handle, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, minimized ? 1 : 0), 0);
    } else {
        record.active = false;
        if (g_active_window == record.handle) g_active_window = nullptr;
        QueueInputMessage(record.handle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, minimized ? 1 : 0), 0);
    }
}

void ApplySdlWindowState(WindowRecord& record) {
    if (record.sdl == nullptr) return;
    const bool want_full = record.visible && IsFullScreenStyle(record.style, record.ex_style);
    if (want_full != record.full_screen) {
        SDL_SetWindowFullscreen(record.sdl, want_full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        record.full_screen = want_full;
    }
    if (!record.full_screen) {
        SDL_SetWindowBordered(record.sdl, (record.style & WS_CAPTION) != 0 ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowResizable(record.sdl, (record.style & WS_THICKFRAME) != 0 ? SDL_TRUE : SDL_FALSE);
        int x = 0;
        int y = 0;
        int w = 0;
        int h = 0;
        SDL_GetWindowPosition(record.sdl, &x, &y);
        SDL_GetWindowSize(record.sdl, &w, &h);
        const int want_w = std::max<LONG>(1, record.rect.right - record.rect.left);
        const int want_h = std::max<LONG>(1, record.rect.bottom - record.rect.top);
        if (x != record.rect.left || y != record.rect.top) {
            SDL_SetWindowPosition(record.sdl, record.rect.left, record.rect.top);
        }
        if (w != want_w || h != want_h) SDL_SetWindowSize(record.sdl, want_w, want_h);
    }
    SDL_SetWindowAlwaysOnTop(record.sdl, (record.ex_style & WS_EX_TOPMOST) != 0 ? SDL_TRUE : SDL_FALSE);
}

SDL_Window* GlCapableSdlWindow(WindowRecord& record) {
    if (record.sdl == nullptr) return nullptr;
    if ((SDL_GetWindowFlags(record.sdl) & SDL_WINDOW_OPENGL) != 0) return record.sdl;
    // SDL gives GL only to a window made for it: a new SDL window takes the old one's place
    // with the same title, place, size, borders and visibility (made with the GL
    // attributes set now, so that a context made with them draws into it).
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((record.style & WS_CAPTION) == 0) flags |= SDL_WINDOW_BORDERLESS;
    if ((record.style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;
    if ((record.ex_style & WS_EX_TOPMOST) != 0) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    const std::string title_utf8 = Cp932ToUtf8Text(record.title.c_str());
    SDL_Window* made = SDL_CreateWindow(title_utf8.c_str(), record.rect.left, record.rect.top,
                                        std::max<LONG>(1, record.rect.right - record.rect.left),
                                        std::max<LONG>(1, record.rect.bottom - record.rect.top), flags);
    if (made == nullptr) return nullptr;
    SDL_DestroyWindow(record.sdl);
    record.sdl = made;
    record.sdl_id = SDL_GetWindowID(made);
    record.full_screen = false;
    if (record.visible) {
        SDL_ShowWindow(made);
        if (record.minimized) SDL_MinimizeWindow(made);
    }
    ApplySdlWindowState(record);
    ApplyCursorState();
    return made;
}

}  // namespace sdl_window

HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* parameter) {
    if (platform_hooks::TakeCallFailure("CreateWindowExA")) return nullptr;
    const int class_index = sdl_window::FindClassIndex(class_name);
    sdl_window::ClassRecord* window_class = sdl_window::ClassAt(class_index);
    if (window_class == nullptr) return nullptr;
    if (parent != nullptr && sdl_window::FindWindowRecord(parent) == nullptr) return nullptr;
    int slot = -1;
    for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
        if (!g_windows[i].used) {
            slot = i;
            break;
        }
    }
    if (slot < 0) return nullptr;

    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    width = std::max(width, 0);
    height = std::max(height, 0);

    if (!sdl_window::AcquireVideo()) return nullptr;
    const std::string title_utf8 = sdl_window::Cp932ToUtf8Text(window_name == nullptr ? "" : window_name);
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if ((style & WS_CAPTION) == 0) flags |= SDL_WINDOW_BORDERLESS;
    if ((style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;
    if ((ex_style & WS_EX_TOPMOST) != 0) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* sdl = SDL_CreateWindow(title_utf8.c_str(), x, y, std::max(width, 1), std::max(height, 1), flags);
    if (sdl == nullptr) {
        sdl_window::ReleaseVideo();
        return nullptr;
    }

    WindowRecord& record = g_windows[slot];
    record = WindowRecord{};
    record.used = true;
    record.handle = MakeHandle(slot);
    record.class_index = class_index;
    record.procedure = window_class->procedure;
    record.style = style & ~WS_VISIBLE;
    record.ex_style = ex_style;
    record.parent = parent;
    record.menu = menu;
    record.title = window_name == nullptr ? "" : window_name;
    record.rect = RECT{x, y, x + width, y + height};
    record.sdl = sdl;
    record.sdl_id = SDL_GetWindowID(sdl);
    record.thread = GetCurrentThreadId();
    record.dc = DeviceContextObject{2, record.handle};
    ++window_class->window_count;
    if (parent == nullptr && (style & WS_CHILD) == 0) TakeClassLock(record, window_class->name);
    g_live_handles[slot].store(reinterpret_cast<std::uintptr_t>(record.handle));

    const HWND handle = record.handle;
    CREATESTRUCTA create{parameter, instance, menu,          parent, height, width, y, x, static_cast<LONG>(style),
                         window_name, class_name, ex_style};
    if (Send(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (sdl_window::FindWindowRecord(handle) == nullptr) return nullptr;  // destroyed meanwhile
    if ((style & WS_VISIBLE) != 0) ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL DestroyWindow(HWND window) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    if (record->destroying) return TRUE;
    record->destroying = true;
    record->active = false;
    sdl_window::ClearActiveIf(window);
    if (record->visible && record->sdl != nullptr) SDL_HideWindow(record->sdl);
    record->visible = false;

    Send(window, WM_DESTROY, 0, 0);

    // Windows owned by this one go with it.
    for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
        if (g_windows[i].used && g_windows[i].parent == window) DestroyWindow(g_windows[i].handle);
    }

    record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return TRUE;
    const int slot = SlotOf(window);
    g_live_handles[slot].store(0);
    sdl_window::ForgetWindowMessages(window);
    DropClassLock(*record);
    if (sdl_window::ClassRecord* window_class = sdl_window::ClassAt(record->class_index)) {
        --window_class->window_count;
    }
    // What the presenter shows in the window goes before the SDL window does.
    sdl_presenter::ForgetWindowPicture(window);
    record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return TRUE;
    if (record->sdl != nullptr) SDL_DestroyWindow(record->sdl);
    *record = WindowRecord{};
    sdl_window::ReleaseVideo();
    return TRUE;
}

BOOL IsWindow(HWND window) { return sdl_window::FindWindowRecord(window) != nullptr ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND window) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    return record != nullptr && record->visible ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    return record != nullptr && record->minimized ? TRUE : FALSE;
}

HWND FindWindowA(const char* class_name, const char* /*window_name*/) {
    if (class_name == nullptr) return nullptr;
    const int class_index = sdl_window::FindClassIndex(class_name);
    for (WindowRecord& record : g_windows) {
        if (record.used && !record.destroying && record.parent == nullptr && class_index >= 0 &&
            record.class_index == class_index) {
            return record.handle;
        }
    }
    std::string name = class_name;
    if (reinterpret_cast<std::uintptr_t>(class_name) < sdl_window::kAtomLimit) {
        sdl_window::ClassRecord* c = sdl_window::ClassAt(class_index);
        if (c == nullptr) return nullptr;
        name = c->name;
    }
    return instance_lock::IsHeld(name.c_str()) ? kForeignWindow : nullptr;
}

BOOL ShowWindow(HWND window, int command) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    const BOOL was_visible = record->visible ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            if (record->visible) {
                record->visible = false;
                if (record->sdl != nullptr) SDL_HideWindow(record->sdl);
                DeactivateNow(*record);
            }
            return was_visible;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            if (!record->visible) {
                record->visible = true;
                if (record->sdl != nullptr) SDL_ShowWindow(record->sdl);
            }
            if (!record->minimized) {
                record->minimized = true;
                if (record->sdl != nullptr) SDL_MinimizeWindow(record->sdl);
                DeactivateNow(*record);
                Send(window, WM_SIZE, SIZE_MINIMIZED, 0);
            }
            return was_visible;
        default:
            break;
    }
    const bool activate = command != SW_SHOWNA && command != SW_SHOWNOACTIVATE;
    const bool restoring = record->minimized && command != SW_SHOWNA && command != SW_SHOW;
    const bool becoming_visible = !record->visible;
    if (becoming_visible) {
        record->visible = true;
        if (record->sdl != nullptr) SDL_ShowWindow(record->sdl);
        sdl_window::ApplySdlWindowState(*record);
    }
    if (restoring) {
        record->minimized = false;
        if (record->sdl != nullptr) SDL_RestoreWindow(record->sdl);
    }
    if (activate) ActivateNow(window);
    record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return was_visible;
    if (!record->shown_once) {
        record->shown_once = true;
        Send(window, WM_SIZE, command == SW_SHOWMAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED, SizeLParam(record->rect));
        record = sdl_window::FindWindowRecord(window);
        if (record == nullptr) return was_visible;
        Send(window, WM_MOVE, 0, PointLParam(record->rect.left, record->rect.top));
    } else if (restoring || command == SW_SHOWMAXIMIZED) {
        Send(window, WM_SIZE, command == SW_SHOWMAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED, SizeLParam(record->rect));
    }
    record = sdl_window::FindWindowRecord(window);
    if (record != nullptr && becoming_visible) sdl_window::InvalidateWholeWindow(*record);
    return was_visible;
}

BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    if ((flags & SWP_NOZORDER) == 0) {
        if (insert_after == HWND_TOPMOST) record->ex_style |= WS_EX_TOPMOST;
        if (insert_after == HWND_NOTOPMOST) record->ex_style &= ~WS_EX_TOPMOST;
        if (record->sdl != nullptr && insert_after != HWND_BOTTOM && record->visible && (flags & SWP_NOACTIVATE) == 0) {
            SDL_RaiseWindow(record->sdl);
        }
    }
    RECT next = record->rect;
    if ((flags & SWP_NOMOVE) == 0) {
        next.right = x + (next.right - next.left);
        next.bottom = y + (next.bottom - next.top);
        next.left = x;
        next.top = y;
    }
    if ((flags & SWP_NOSIZE) == 0) {
        next.right = next.left + std::max(width, 0);
        next.bottom = next.top + std::max(height, 0);
    }
    const bool moved = next.left != record->rect.left || next.top != record->rect.top;
    const bool sized = (next.right - next.left) != (record->rect.right - record->rect.left) ||
                       (next.bottom - next.top) != (record->rect.bottom - record->rect.top);
    record->rect = next;
    sdl_window::ApplySdlWindowState(*record);
    if (moved) {
        Send(window, WM_MOVE, 0, PointLParam(record->rect.left, record->rect.top));
        record = sdl_window::FindWindowRecord(window);
        if (record == nullptr) return TRUE;
    }
    if (sized) {
        Send(window, WM_SIZE, record->minimized ? SIZE_MINIMIZED : SIZE_RESTORED, SizeLParam(record->rect));
        record = sdl_window::FindWindowRecord(window);
        if (record == nullptr) return TRUE;
        if ((flags & SWP_NOREDRAW) == 0) sdl_window::InvalidateWholeWindow(*record);
    }
    if ((flags & SWP_SHOWWINDOW) != 0) ShowWindow(window, (flags & SWP_NOACTIVATE) != 0 ? SW_SHOWNA : SW_SHOW);
    if ((flags & SWP_HIDEWINDOW) != 0) ShowWindow(window, SW_HIDE);
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || rect == nullptr) return FALSE;
    *rect = record->rect;
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || rect == nullptr) return FALSE;
    *rect = RECT{0, 0, record->rect.right - record->rect.left, record->rect.bottom - record->rect.top};
    return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || point == nullptr) return FALSE;
    point->x += record->rect.left;
    point->y += record->rect.top;
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || point == nullptr) return FALSE;
    point->x -= record->rect.left;
    point->y -= record->rect.top;
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD /*style*/, BOOL /*menu*/, DWORD /*ex_style*/) {
    return rect != nullptr ? TRUE : FALSE;
}

LONG GetWindowLongA(HWND window, int index) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return 0;
    switch (index) {
        case GWL_STYLE:
            return static_cast<LONG>(record->style | (record->visible ? WS_VISIBLE : 0) |
                                     (record->minimized ? WS_MINIMIZE : 0));
        case GWL_EXSTYLE:
            return static_cast<LONG>(record->ex_style);
        case GWLP_USERDATA:
            return static_cast<LONG>(record->user_data);
        default:
            return 0;
    }
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return 0;
    const LONG previous = GetWindowLongA(window, index);
    switch (index) {
        case GWL_STYLE:
            record->style = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MINIMIZE);
            sdl_window::ApplySdlWindowState(*record);
            return previous;
        case GWL_EXSTYLE:
            record->ex_style = static_cast<DWORD>(value);
            sdl_window::ApplySdlWindowState(*record);
            return previous;
        case GWLP_USERDATA:
            record->user_data = value;
            return previous;
        default:
            return 0;
    }
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return 0;
    switch (index) {
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(record->procedure);
        case GWLP_USERDATA:
            return record->user_data;
        default:
            return GetWindowLongA(window, index);
    }
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return 0;
    const LONG_PTR previous = GetWindowLongPtrA(window, index);
    switch (index) {
        case GWLP_WNDPROC:
            if (value == 0) return 0;
            record->procedure = reinterpret_cast<WNDPROC>(value);
            return previous;
        case GWLP_USERDATA:
            record->user_data = value;
            return previous;
        default:
            return SetWindowLongA(window, index, static_cast<LONG>(value));
    }
}

BOOL SetWindowTextA(HWND window, const char* text) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    record->title = text == nullptr ? "" : text;
    if (record->sdl != nullptr) SDL_SetWindowTitle(record->sdl, sdl_window::Cp932ToUtf8Text(record->title.c_str()).c_str());
    return TRUE;
}

int GetWindowTextA(HWND window, char* text, int size) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || text == nullptr || size <= 0) return 0;
    const int n = std::min<int>(size - 1, static_cast<int>(record->title.size()));
    std::memcpy(text, record->title.data(), static_cast<std::size_t>(n));
    text[n] = '\0';
    return n;
}

BOOL BringWindowToTop(HWND window) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    if (record->sdl != nullptr && record->visible) SDL_RaiseWindow(record->sdl);
    return TRUE;
}

BOOL SetForegroundWindow(HWND window) { return BringWindowToTop(window); }

HWND SetActiveWindow(HWND window) {
    if (sdl_window::FindWindowRecord(window) == nullptr) return nullptr;
    const HWND previous = g_active_window;
    BringWindowToTop(window);
    return previous;
}

HWND GetForegroundWindow() { return g_active_window; }

HWND GetActiveWindow() { return g_active_window; }

DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return 0;
    if (process_id != nullptr) *process_id = static_cast<DWORD>(getpid());
    return record->thread;
}

BOOL AttachThreadInput(DWORD /*attach_thread*/, DWORD /*to_thread*/, BOOL /*attach*/) { return TRUE; }

BOOL SetWindowRgn(HWND window, HRGN /*region*/, BOOL /*redraw*/) {
    return sdl_window::FindWindowRecord(window) != nullptr ? TRUE : FALSE;
}

namespace platform_hooks {

bool WindowSystemTitle(HWND window, std::string* utf8) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || record->sdl == nullptr || utf8 == nullptr) return false;
    *utf8 = SDL_GetWindowTitle(record->sdl);
    return true;
}

bool WindowSystemGeometry(HWND window, WindowSystemState* state) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || record->sdl == nullptr || state == nullptr) return false;
    SDL_GetWindowPosition(record->sdl, &state->x, &state->y);
    SDL_GetWindowSize(record->sdl, &state->width, &state->height);
    const Uint32 flags = SDL_GetWindowFlags(record->sdl);
    state->visible = (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_HIDDEN) == 0;
    state->full_screen = (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    state->bordered = (flags & SDL_WINDOW_BORDERLESS) == 0;
    state->topmost = (flags & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
    return true;
}

}  // namespace platform_hooks
