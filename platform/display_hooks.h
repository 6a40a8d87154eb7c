// Seams inside the platform layer for tests of the screen code: capture of every frame
// shown in a window, surfaces made lost as after a display change, and display modes the
// display refuses. The engine never includes this header; platform/testing/ wraps it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace platform_hooks {

// One picture shown in a window: the client area, 0x00RRGGBB, rows top to bottom.
// Narrow channels are widened by repeating their high bits (5-bit 31 gives 255).
struct PresentedFrame {
    HWND window;
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};
// While on, every picture shown is recorded.
void SetPresentCapture(bool on);
std::vector<PresentedFrame> TakePresentedFrames();

// Every live DirectDraw surface reports DDERR_SURFACELOST until restored.
void MakeDirectDrawSurfacesLost();

// Display modes refused by SetDisplayMode and ChangeDisplaySettingsA: each listed
// (width, height, bits, refresh; refresh -1 for any), or with `all_but_default` every
// mode except 640 x 480 x 16 at the display's default rate (0). Empty and false clears.
struct RefusedMode {
    int width;
    int height;
    int bits;
    int refresh;
};
void SetRefusedDisplayModes(const std::vector<RefusedMode>& modes, bool all_but_default);

}  // namespace platform_hooks
