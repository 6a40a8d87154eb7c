// Reads of the main window's state and of the desktop. Relies on the SystemBlock and the
// platform's system metrics and device context.
#include "engine/core/window_queries.h"

#include "engine/core/system_block.h"

namespace {

const WindowState& Window() { return GetSystemBlock()->window; }
WindowSettings& Settings() { return GetSystemBlock()->settings; }

}  // namespace

HWND GetMainWindowHandle() { return Settings().main_window; }
int IsWindowActive() { return Window().active; }
int IsMmxUsable() { return GetSystemBlock()->mmx; }
int IsWindowClosePosted() { return Window().close_posted; }
int IsWindowRegionSet() { return Settings().window_region != nullptr ? 1 : 0; }
int IsMenuUsed() { return Settings().menu_in_use; }

void ReadLiveDesktopInfo(int* width, int* height, int* bits) {
    if (width != nullptr) *width = GetSystemMetrics(SM_CXSCREEN);
    if (height != nullptr) *height = GetSystemMetrics(SM_CYSCREEN);
    if (bits != nullptr) {
        HDC dc = GetDC(nullptr);
        *bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
        ReleaseDC(nullptr, dc);
    }
}

int GetDesktopScreenInfo(int* width, int* height, int* bits) {
    const SystemBlock* block = GetSystemBlock();
    if (block->initialised) {
        if (width != nullptr) *width = block->window.desktop_width;
        if (height != nullptr) *height = block->window.desktop_height;
        if (bits != nullptr) *bits = block->window.desktop_bits;
        return 0;
    }
    ReadLiveDesktopInfo(width, height, bits);
    return 0;
}

double GetWindowScaleFactor() {
    WindowSettings& settings = Settings();
    if (settings.window_scale <= 0.0) settings.window_scale = 1.0;
    return settings.window_mode ? settings.window_scale : 1.0;
}
