// Window classes: a fixed table of registered classes (name, procedure, cursor...),
// looked up without case, plus the module handle and the icon and cursor tokens.
#include <cstring>

#include "platform/sdl/window_internal.h"
#include "platform/shift_jis.h"
#include "platform/window_hooks.h"

struct ModuleObject {
    int unused;
};
struct IconObject {
    int kind;  // 1 icon, 2 cursor
};

namespace {

sdl_window::ClassRecord g_classes[sdl_window::kMaxClasses];
ATOM g_next_atom = sdl_window::kFirstClassAtom;
ModuleObject g_program_module{0};
IconObject g_icon_token{1};
IconObject g_cursor_token{2};

bool IsAtom(const char* name) { return reinterpret_cast<std::uintptr_t>(name) < sdl_window::kAtomLimit; }

// CP932 names compared without the case of single-byte letters.
bool SameClassName(const char* a, const char* b) {
    bool trail = false;
    for (;; ++a, ++b) {
        auto x = static_cast<unsigned char>(*a);
        auto y = static_cast<unsigned char>(*b);
        if (!trail) {
            if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        }
        if (x != y) return false;
        if (x == 0) return true;
        trail = !trail && IsShiftJisLeadByte(x);
    }
}

}  // namespace

namespace sdl_window {

ClassRecord* ClassAt(int index) {
    if (index < 0 || index >= kMaxClasses || !g_classes[index].used) return nullptr;
    return &g_classes[index];
}

int FindClassIndex(const char* class_name) {
    if (class_name == nullptr) return -1;
    for (int i = 0; i < kMaxClasses; ++i) {
        const ClassRecord& c = g_classes[i];
        if (!c.used) continue;
        if (IsAtom(class_name)) {
            if (c.atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(class_name))) return i;
        } else if (SameClassName(c.name.c_str(), class_name)) {
            return i;
        }
    }
    return -1;
}

}  // namespace sdl_window

HINSTANCE GetModuleHandleA(const char* name) { return name == nullptr ? &g_program_module : nullptr; }

HICON LoadIconA(HINSTANCE /*instance*/, const char* /*name*/) { return &g_icon_token; }

HCURSOR LoadCursorA(HINSTANCE /*instance*/, const char* /*name*/) { return &g_cursor_token; }

ATOM RegisterClassExA(const WNDCLASSEXA* window_class) {
    if (platform_hooks::TakeCallFailure("RegisterClassExA")) return 0;
    if (window_class == nullptr || window_class->cbSize != sizeof(WNDCLASSEXA) ||
        window_class->lpfnWndProc == nullptr || window_class->lpszClassName == nullptr ||
        IsAtom(window_class->lpszClassName) || window_class->lpszClassName[0] == '\0') {
        return 0;
    }
    if (sdl_window::FindClassIndex(window_class->lpszClassName) >= 0) return 0;  // already registered
    for (auto& c : g_classes) {
        if (c.used) continue;
        c = sdl_window::ClassRecord{};
        c.used = true;
        c.atom = g_next_atom++;
        if (g_next_atom == 0) g_next_atom = sdl_window::kFirstClassAtom;
        c.name = window_class->lpszClassName;
        c.style = window_class->style;
        c.procedure = window_class->lpfnWndProc;
        c.instance = window_class->hInstance;
        c.icon = window_class->hIcon;
        c.cursor = window_class->hCursor;
        c.background = window_class->hbrBackground;
        return c.atom;
    }
    return 0;  // table full
}

BOOL UnregisterClassA(const char* class_name, HINSTANCE /*instance*/) {
    const int index = sdl_window::FindClassIndex(class_name);
    if (index < 0) return FALSE;
    sdl_window::ClassRecord& c = g_classes[index];
    if (c.window_count > 0) return FALSE;
    c = sdl_window::ClassRecord{};
    return TRUE;
}
