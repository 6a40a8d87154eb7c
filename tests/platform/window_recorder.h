// Shared by the window tests: a window class whose procedure records every message it
// receives, a fixture that gives each test its own lock folder, and pump helpers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/testing/window_testing.h"
#include "platform/window.h"
#include "tests/support/temp_dir.h"

// UTF-8 literals (u8"...") as plain char text.
inline const char* U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct Seen {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Seen& o) const {
        return window == o.window && message == o.message && wparam == o.wparam && lparam == o.lparam;
    }
};

inline void PrintTo(const Seen& s, std::ostream* os) {
    *os << "{msg 0x" << std::hex << s.message << " w 0x" << s.wparam << " l 0x" << s.lparam << std::dec << "}";
}

inline std::vector<Seen>& SeenMessages() {
    static std::vector<Seen> seen;
    return seen;
}

// Extra behaviour for one message; returns true when it answered (result in *out).
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>& RecorderHook() {
    static std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> hook;
    return hook;
}

inline LRESULT RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    SeenMessages().push_back({window, message, wparam, lparam});
    LRESULT result = 0;
    if (RecorderHook() && RecorderHook()(window, message, wparam, lparam, &result)) return result;
    return DefWindowProcA(window, message, wparam, lparam);
}

// Messages seen, leaving out the ones a test does not look at.
inline std::vector<UINT> SeenIds(std::initializer_list<UINT> ignore = {}) {
    std::vector<UINT> ids;
    for (const Seen& s : SeenMessages()) {
        bool skip = false;
        for (UINT i : ignore) skip = skip || s.message == i;
        if (!skip) ids.push_back(s.message);
    }
    return ids;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SeenMessages().clear();
        RecorderHook() = nullptr;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        wc.lpszClassName = kClass;
        ASSERT_NE(RegisterClassExA(&wc), 0);
    }

    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        UnregisterClassA(kClass, GetModuleHandleA(nullptr));
        RecorderHook() = nullptr;
    }

    HWND Create(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, DWORD ex_style = 0, int x = 100,
                int y = 50, int w = 640, int h = 480) {
        window_ = CreateWindowExA(ex_style, kClass, "Vomur", style, x, y, w, h, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        return window_;
    }

    // Takes, translates and dispatches everything pending; returns how many.
    int Pump() {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++n;
            if (msg.message == WM_QUIT) quit_seen_ = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return n;
    }

    static constexpr const char* kClass = "VomurTestWindow";
    ScopedTempDir temp_;
    InstanceLockFolder locks_{temp_.path().string()};
    HWND window_ = nullptr;
    bool quit_seen_ = false;
};
