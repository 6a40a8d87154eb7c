// The message queue: posted messages and window-system input in two FIFO lists, the
// quit request, paint requests from invalid windows and the timers, retrieved in that
// order by PeekMessageA (which first lets the sockets post their notifications); sending,
// dispatching and translating messages; the default window procedure; scheduled test
// input on the platform clock.
#include <algorithm>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/net/async_select.h"
#include "platform/sdl/window_internal.h"
#include "platform/window_hooks.h"

namespace {

// The system command sits in the high twelve bits of WM_SYSCOMMAND's wParam.
constexpr WPARAM kSystemCommandMask = 0xFFF0;
// The characters the editing keys type when the key event brought no text.
constexpr unsigned char kCharBackspace = 0x08;
constexpr unsigned char kCharTab = 0x09;
constexpr unsigned char kCharReturn = 0x0D;
constexpr unsigned char kCharEscape = 0x1B;

using sdl_window::InputPayload;
using sdl_window::WindowRecord;

struct Entry {
    MSG msg;
    InputPayload payload;
};

struct Scheduled {
    DWORD due;
    bool activation;
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool active;
    bool minimized;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT elapse;
    DWORD due;
    TIMERPROC procedure;
};

// The key message taken last, with the text typed with it, for TranslateMessage.
struct KeyStash {
    bool valid = false;
    MSG msg{};
    std::string text;
};

std::mutex g_mutex;  // guards the two lists, the schedule and the quit request
std::deque<Entry> g_posted;
std::deque<Entry> g_input;
std::vector<Scheduled> g_scheduled;
bool g_quit = false;
int g_quit_code = 0;

std::vector<Timer> g_timers;
UINT_PTR g_next_timer_id = 1;
KeyStash g_stash;

const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

MSG MakeMsg(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = timeGetTime();
    msg.pt = sdl_window::TrackedCursor();
    return msg;
}

bool WindowMatches(HWND window, HWND filter) {
    if (filter == kThreadOnly) return window == nullptr;
    return filter == nullptr || window == filter;
}

bool RangeMatches(UINT message, UINT low, UINT high) {
    return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool IsDue(DWORD now, DWORD due) { return static_cast<std::int32_t>(now - due) >= 0; }

bool SameMsg(const MSG& a, const MSG& b) {
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.time == b.time;
}

// What a window-system message carries takes effect when it is taken from the queue.
void TakeInputPayload(const Entry& entry) {
    const UINT m = entry.msg.message;
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
        g_stash.valid = true;
        g_stash.msg = entry.msg;
        g_stash.text = entry.payload.text;
    }
    if (!entry.payload.ime) return;
    WindowRecord* record = sdl_window::FindWindowRecord(entry.msg.hwnd);
    if (record == nullptr) return;
    record->ime.composition = entry.payload.composition;
    record->ime.cursor = entry.payload.cursor;
    record->ime.result = entry.payload.result;
}

void RunScheduled() {
    std::vector<Scheduled> due;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_scheduled.empty()) return;
        const DWORD now = timeGetTime();
        for (auto it = g_scheduled.begin(); it != g_scheduled.end();) {
            if (IsDue(now, it->due)) {
                due.push_back(*it);
                it = g_scheduled.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Scheduled& s : due) {
        if (s.activation) {
            if (WindowRecord* record = sdl_window::FindWindowRecord(s.window)) {
                sdl_window::QueueActivationChange(*record, s.active, s.minimized);
            }
        } else if (s.window == nullptr || sdl_window::FindWindowRecord(s.window) != nullptr) {
            sdl_window::QueueInputMessage(s.window, s.message, s.wparam, s.lparam);
        }
    }
}

bool TakeFromList(std::deque<Entry>& list, MSG* out, HWND filter, UINT low, UINT high, bool remove, bool input) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (!WindowMatches(it->msg.hwnd, filter) || !RangeMatches(it->msg.message, low, high)) continue;
        *out = it->msg;
        if (remove) {
            if (input) TakeInputPayload(*it);
            list.erase(it);
        }
        return true;
    }
    return false;
}

bool TakePaint(MSG* out, HWND filter, UINT low, UINT high) {
    if (!RangeMatches(WM_PAINT, low, high) || filter == kThreadOnly) return false;
    for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
        WindowRecord* record = sdl_window::WindowAt(i);
        if (record == nullptr || !record->visible || !record->invalid || !WindowMatches(record->handle, filter)) {
            continue;
        }
        *out = MakeMsg(record->handle, WM_PAINT, 0, 0);
        return true;
    }
    return false;
}

bool TakeTimer(MSG* out, HWND filter, UINT low, UINT high, bool remove) {
    if (!RangeMatches(WM_TIMER, low, high) || g_timers.empty()) return false;
    const DWORD now = timeGetTime();
    Timer* best = nullptr;
    for (Timer& t : g_timers) {
        if (!WindowMatches(t.window, filter) || !IsDue(now, t.due)) continue;
        if (best == nullptr || static_cast<std::int32_t>(t.due - best->due) < 0) best = &t;
    }
    if (best == nullptr) return false;
    *out = MakeMsg(best->window, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->procedure));
    if (remove) best->due = now + best->elapse;
    return true;
}

void PostChar(const MSG& key, UINT message, unsigned char byte) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Entry entry{MakeMsg(key.hwnd, message, byte, key.lParam), {}};
    g_posted.push_back(entry);
}

}  // namespace

namespace sdl_window {

void QueueInputMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, InputPayload payload) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_input.push_back(Entry{MakeMsg(window, message, wparam, lparam), std::move(payload)});
}

bool AttachTextToLastKey(HWND window, const std::string& cp932) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_input.empty()) return false;
    Entry& last = g_input.back();
    if (last.msg.hwnd != window || (last.msg.message != WM_KEYDOWN && last.msg.message != WM_SYSKEYDOWN) ||
        !last.payload.text.empty() || last.payload.ime) {
        return false;
    }
    last.payload.text = cp932;
    return true;
}

void ForgetWindowMessages(HWND window) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto for_window = [window](const Entry& e) { return e.msg.hwnd == window; };
        g_posted.erase(std::remove_if(g_posted.begin(), g_posted.end(), for_window), g_posted.end());
        g_input.erase(std::remove_if(g_input.begin(), g_input.end(), for_window), g_input.end());
        g_scheduled.erase(std::remove_if(g_scheduled.begin(), g_scheduled.end(),
                                         [window](const Scheduled& s) { return s.window == window; }),
                          g_scheduled.end());
    }
    g_timers.erase(
        std::remove_if(g_timers.begin(), g_timers.end(), [window](const Timer& t) { return t.window == window; }),
        g_timers.end());
    if (g_stash.valid && g_stash.msg.hwnd == window) g_stash = KeyStash{};
}

void InvalidateWholeWindow(WindowRecord& record) {
    record.invalid = true;
    record.invalid_rect = RECT{0, 0, record.rect.right - record.rect.left, record.rect.bottom - record.rect.top};
}

}  // namespace sdl_window

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window != nullptr && !sdl_window::IsLiveWindowHandle(window)) return FALSE;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_posted.push_back(Entry{MakeMsg(window, message, wparam, lparam), {}});
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr || record->procedure == nullptr) return 0;
    return record->procedure(window, message, wparam, lparam);
}

BOOL PeekMessageA(MSG* message, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
    if (message == nullptr) return FALSE;
    const bool take = (remove & PM_REMOVE) != 0;
    RunScheduled();
    platform_net::RunAsyncSelectPass();
    if (sdl_window::IsVideoThread()) sdl_window::DrainSdlEvents();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (TakeFromList(g_posted, message, window, filter_min, filter_max, take, false)) return TRUE;
        if (TakeFromList(g_input, message, window, filter_min, filter_max, take, true)) return TRUE;
        // The quit request is a thread message: a window's own filter or a range without
        // WM_QUIT leaves it for the pump that asks for it.
        if (g_quit && WindowMatches(nullptr, window) && RangeMatches(WM_QUIT, filter_min, filter_max)) {
            *message = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(g_quit_code), 0);
            if (take) g_quit = false;
            return TRUE;
        }
    }
    if (TakePaint(message, window, filter_min, filter_max)) return TRUE;
    if (TakeTimer(message, window, filter_min, filter_max, take)) return TRUE;
    return FALSE;
}

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr) return FALSE;
    const UINT m = message->message;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return FALSE;
    const UINT char_message = m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    std::string text;
    if (g_stash.valid && SameMsg(g_stash.msg, *message)) {
        text = g_stash.text;
        g_stash = KeyStash{};
    }
    if (!text.empty()) {
        for (char c : text) PostChar(*message, char_message, static_cast<unsigned char>(c));
        return TRUE;
    }
    switch (message->wParam) {
        case VK_BACK:
            PostChar(*message, char_message, kCharBackspace);
            break;
        case VK_TAB:
            PostChar(*message, char_message, kCharTab);
            break;
        case VK_RETURN:
            PostChar(*message, char_message, kCharReturn);
            break;
        case VK_ESCAPE:
            PostChar(*message, char_message, kCharEscape);
            break;
        default:
            break;
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
    if (message == nullptr) return 0;
    if (message->message == WM_TIMER && message->lParam != 0) {
        const auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
        const bool known = std::any_of(g_timers.begin(), g_timers.end(), [&](const Timer& t) {
            return t.window == message->hwnd && t.id == message->wParam && t.procedure == procedure;
        });
        if (!known) return 0;
        procedure(message->hwnd, WM_TIMER, message->wParam, timeGetTime());
        return 0;
    }
    return SendMessageA(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (procedure == nullptr) return 0;
    return procedure(window, message, wparam, lparam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            if (BeginPaint(window, &paint) != nullptr) EndPaint(window, &paint);
            return 0;
        }
        case WM_SETCURSOR:
            if (LOWORD(static_cast<std::uintptr_t>(lparam)) == HTCLIENT) {
                WindowRecord* record = sdl_window::FindWindowRecord(window);
                sdl_window::ClassRecord* c = record != nullptr ? sdl_window::ClassAt(record->class_index) : nullptr;
                if (c != nullptr && c->cursor != nullptr) SetCursor(c->cursor);
            }
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & kSystemCommandMask) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
            if ((wparam & kSystemCommandMask) == SC_MINIMIZE) ShowWindow(window, SW_MINIMIZE);
            return 0;
        default:
            return 0;
    }
}

void PostQuitMessage(int exit_code) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_quit = true;
    g_quit_code = exit_code;
}

int TranslateAcceleratorA(HWND /*window*/, HACCEL /*table*/, MSG* /*message*/) { return 0; }

BOOL IsDialogMessageA(HWND /*dialog*/, MSG* /*message*/) { return FALSE; }

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
    if (platform_hooks::TakeCallFailure("SetTimer")) return 0;
    if (window != nullptr && sdl_window::FindWindowRecord(window) == nullptr) return 0;
    const UINT period = std::max<UINT>(elapse, 1);
    const DWORD due = timeGetTime() + period;
    auto existing = std::find_if(g_timers.begin(), g_timers.end(), [&](const Timer& t) {
        return t.window == window && t.id == id && (window != nullptr || id != 0);
    });
    if (existing != g_timers.end()) {
        existing->elapse = period;
        existing->due = due;
        existing->procedure = procedure;
        return window != nullptr && id == 0 ? 1 : id;
    }
    UINT_PTR new_id = id;
    if (window == nullptr) {
        do {
            new_id = g_next_timer_id++;
            if (g_next_timer_id == 0) g_next_timer_id = 1;
        } while (std::any_of(g_timers.begin(), g_timers.end(),
                             [&](const Timer& t) { return t.window == nullptr && t.id == new_id; }));
    }
    g_timers.push_back(Timer{window, new_id, period, due, procedure});
    return window != nullptr && new_id == 0 ? 1 : new_id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    auto it = std::find_if(g_timers.begin(), g_timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == g_timers.end()) return FALSE;
    g_timers.erase(it);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL /*erase*/) {
    auto invalidate = [rect](WindowRecord& record) {
        const RECT client{0, 0, record.rect.right - record.rect.left, record.rect.bottom - record.rect.top};
        RECT r = rect != nullptr ? *rect : client;
        r.left = std::max(r.left, client.left);
        r.top = std::max(r.top, client.top);
        r.right = std::min(r.right, client.right);
        r.bottom = std::min(r.bottom, client.bottom);
        if (r.right <= r.left || r.bottom <= r.top) return;
        if (!record.invalid) {
            record.invalid = true;
            record.invalid_rect = r;
            return;
        }
        RECT& u = record.invalid_rect;
        u.left = std::min(u.left, r.left);
        u.top = std::min(u.top, r.top);
        u.right = std::max(u.right, r.right);
        u.bottom = std::max(u.bottom, r.bottom);
    };
    if (window == nullptr) {
        for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
            if (WindowRecord* record = sdl_window::WindowAt(i)) invalidate(*record);
        }
        return TRUE;
    }
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    invalidate(*record);
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    if (!record->invalid) return TRUE;
    const RECT& u = record->invalid_rect;
    if (rect == nullptr ||
        (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom)) {
        record->invalid = false;
        record->invalid_rect = RECT{};
    }
    return TRUE;
}

BOOL UpdateWindow(HWND window) {
    WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    if (record->visible && record->invalid) SendMessageA(window, WM_PAINT, 0, 0);
    return TRUE;
}

namespace platform_hooks {

void InjectInputMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD after_ms) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_scheduled.push_back(Scheduled{timeGetTime() + after_ms, false, window, message, wparam, lparam, false, false});
}

void InjectActivation(HWND window, bool active, bool minimized, DWORD after_ms) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_scheduled.push_back(Scheduled{timeGetTime() + after_ms, true, window, 0, 0, 0, active, minimized});
}

void ClearScheduledInput() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_scheduled.clear();
}

}  // namespace platform_hooks
