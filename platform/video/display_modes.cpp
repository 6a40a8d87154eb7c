// Display modes of the stand-in display: a fixed table of sizes at 8, 16 or 32 bits and
// 0 or 60 Hz, the program's mode while one is set (recorded, never applied to the real
// display: a full-screen window shows the picture scaled to fit), WM_DISPLAYCHANGE on
// every change, and ChangeDisplaySettingsA; the test switches for X1R5G5B5 16-bit modes and
// video memory. Relies on GetSystemMetrics for the desktop.
#include <algorithm>
#include <mutex>

#include "platform/video/display_internal.h"

namespace display {
namespace {

struct ModeState {
    bool program_mode_set = false;
    DisplayMode program_mode{};
    std::vector<DisplayMode> refused;
    bool refuse_all_but_default = false;
};

ModeState& State() {
    static ModeState state;
    return state;
}

constexpr int kSizes[][2] = {{320, 200}, {320, 240}, {512, 384}, {640, 400}, {640, 480}, {800, 600},
                             {1024, 768}, {1152, 864}, {1280, 720}, {1280, 960}, {1280, 1024}, {1600, 1200},
                             {1920, 1080}};

void PostDisplayChange(HWND notify, const DisplayMode& mode) {
    if (notify == nullptr) return;
    PostMessageA(notify, WM_DISPLAYCHANGE, static_cast<WPARAM>(mode.bits),
                 MAKELPARAM(static_cast<WORD>(mode.width), static_cast<WORD>(mode.height)));
}

bool SameMode(const DisplayMode& a, const DisplayMode& b) {
    return a.width == b.width && a.height == b.height && a.bits == b.bits;
}

}  // namespace

DisplayMode DesktopMode() {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) {
        width = kFallbackDesktopWidth;
        height = kFallbackDesktopHeight;
    }
    return DisplayMode{width, height, kDesktopBits, kRefreshHz};
}

bool IsModeSupported(int width, int height, int bits, int refresh) {
    if (bits != 8 && bits != 16 && bits != 32) return false;
    if (refresh != 0 && refresh != kRefreshHz) return false;
    bool listed = false;
    for (const auto& size : kSizes) {
        if (size[0] == width && size[1] == height) listed = true;
    }
    if (!listed) return false;
    const ModeState& state = State();
    if (state.refuse_all_but_default && !(width == 640 && height == 480 && bits == 16 && refresh == 0)) {
        return false;
    }
    for (const DisplayMode& refused : state.refused) {
        if (refused.width == width && refused.height == height && refused.bits == bits &&
            (refused.refresh < 0 || refused.refresh == refresh)) {
            return false;
        }
    }
    return true;
}

DisplayMode CurrentMode() {
    const ModeState& state = State();
    return state.program_mode_set ? state.program_mode : DesktopMode();
}

void SetProgramMode(const DisplayMode& mode, HWND notify) {
    ModeState& state = State();
    const DisplayMode before = CurrentMode();
    state.program_mode = mode;
    state.program_mode_set = true;
    if (!SameMode(before, mode)) PostDisplayChange(notify, mode);
}

void RestoreDesktopMode(HWND notify) {
    ModeState& state = State();
    if (!state.program_mode_set) return;
    const DisplayMode before = state.program_mode;
    state.program_mode_set = false;
    const DisplayMode desktop = DesktopMode();
    if (!SameMode(before, desktop)) PostDisplayChange(notify, desktop);
}

namespace {
bool g_sixteen_as_555 = false;
bool g_video_memory = false;
}  // namespace

void SetSixteenBitAs555(bool on) { g_sixteen_as_555 = on; }
void SetVideoMemory(bool on) { g_video_memory = on; }
bool HasVideoMemory() { return g_video_memory; }

DDPIXELFORMAT FormatForBits(int bits) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwRGBBitCount = static_cast<DWORD>(bits);
    switch (bits) {
        case 8:
            format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
            break;
        case 16:
            format.dwFlags = DDPF_RGB;
            format.dwRBitMask = g_sixteen_as_555 ? 0x7C00u : 0xF800u;
            format.dwGBitMask = g_sixteen_as_555 ? 0x03E0u : 0x07E0u;
            format.dwBBitMask = 0x001F;
            break;
        default:
            format.dwFlags = DDPF_RGB;
            format.dwRGBBitCount = 32;
            format.dwRBitMask = 0xFF0000;
            format.dwGBitMask = 0x00FF00;
            format.dwBBitMask = 0x0000FF;
            break;
    }
    return format;
}

void SetRefusedModes(const std::vector<DisplayMode>& modes, bool refuse_all_but_default) {
    State().refused = modes;
    State().refuse_all_but_default = refuse_all_but_default;
}

namespace {
HWND g_settings_window = nullptr;  // the last window that set a cooperative level
}

void SetDisplayNotifyWindow(HWND window) { g_settings_window = window; }
HWND DisplayNotifyWindow() { return g_settings_window; }

}  // namespace display

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
    (void)flags;
    if (mode == nullptr) {
        display::RestoreDesktopMode(display::DisplayNotifyWindow());
        return DISP_CHANGE_SUCCESSFUL;
    }
    display::DisplayMode current = display::CurrentMode();
    display::DisplayMode wanted{current.width, current.height, current.bits, 0};
    if ((mode->dmFields & DM_PELSWIDTH) != 0) wanted.width = static_cast<int>(mode->dmPelsWidth);
    if ((mode->dmFields & DM_PELSHEIGHT) != 0) wanted.height = static_cast<int>(mode->dmPelsHeight);
    if ((mode->dmFields & DM_BITSPERPEL) != 0) wanted.bits = static_cast<int>(mode->dmBitsPerPel);
    if ((mode->dmFields & DM_DISPLAYFREQUENCY) != 0) wanted.refresh = static_cast<int>(mode->dmDisplayFrequency);
    if (!display::IsModeSupported(wanted.width, wanted.height, wanted.bits, wanted.refresh)) {
        return DISP_CHANGE_BADMODE;
    }
    display::SetProgramMode(wanted, display::DisplayNotifyWindow());
    return DISP_CHANGE_SUCCESSFUL;
}
